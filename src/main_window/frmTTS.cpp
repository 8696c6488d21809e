#include "frmTTS.h"

#include "AMeter.h"
#include "DocumentDrop.h"
#include "DocumentLoad.h"
#include "DocumentReader.h"
#include "DocumentSpeechText.h"
#include "FileDlg.h"
#include "FirstPaintReport.h"
#include "FocusHandOver.h"
#include "INIReadWrite.h"
#include "LevelMeterAccessible.h"
#include "ListAccessible.h"
#include "MenuIconDrawer.h"
#include "MeterSurface.h"
#include "MouthImages.h"
#include "OleColor.h"
#include "QtOpenDialogRunner.h"
#include "ScreenPlacement.h"
#include "SontiError.h"
#include "SpVoice.h"
#include "StoredSettings.h"
#include "TextZoom.h"
#include "TimingMark.h"
#include "Twips.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QScreen>

#include <exception>
#include <utility>

Q_LOGGING_CATEGORY(lcMainWindow, "sonti.main_window", QtCriticalMsg)

frmTTS::frmTTS(Dependencies dependencies, QWidget *parent)
    : QMainWindow(parent)
    , m_dependencies(std::move(dependencies))
    , m_guard([this](const QString &text) { showMessage(text, QMessageBox::Critical); })
{
    if (m_dependencies.mouthPicturePrefix.isEmpty())
        m_dependencies.mouthPicturePrefix = MouthImages::defaultPrefix();
    LevelMeterAccessible::install();
    ListAccessible::install();
    m_meterSurface = new MeterSurface;
    m_ui.setupUi(this, m_meterSurface, m_dependencies.iconPictures);
    m_highlight = TextHighlight(m_ui.Text1);
    // The menu pictures carry their own transparency; magenta never occurs in them.
    ImageList1.setMaskColor(OleColor::fromRgb(255, 0, 255));
    ImageList1.Add(QImage(QStringLiteral(":/menu/open.png")));
    ImageList1.Add(QImage(QStringLiteral(":/menu/exit.png")));

    if (!m_dependencies.createVoice)
        m_dependencies.createVoice = [] { return std::make_unique<SpVoice>(); };

    if (!m_dependencies.openDialog)
        m_dependencies.openDialog = std::make_shared<QtOpenDialogRunner>(this);

    connect(m_ui.mnuExit, &QAction::triggered, this, &frmTTS::mnuExit_Click);
    connect(m_ui.mnuOpen, &QAction::triggered, this, &frmTTS::mnuOpen_Click);
    for (qint16 index = 1; index <= 4; ++index)
        connect(m_ui.mnuMRU[index], &QAction::triggered, this, [this, index] { mnuMRU_Click(index); });
    connect(m_ui.cmdTalk, &QPushButton::clicked, this, &frmTTS::cmdTalk_Click);
    connect(m_ui.cmdPause, &QPushButton::clicked, this, &frmTTS::cmdPause_Click);
    connect(m_ui.cmdStop, &QPushButton::clicked, this, &frmTTS::cmdStop_Click);
    // Also when the settings change the box: the flags follow its value.
    connect(m_ui.ProcXML, &QCheckBox::stateChanged, this, &frmTTS::ProcXML_Click);
    // A user's choice; code that sets an index calls the handler itself.
    connect(m_ui.VC, &QComboBox::activated, this, &frmTTS::VC_Click);
    connect(m_ui.FC, &QComboBox::activated, this, &frmTTS::FC_Click);

    // Escape stops as the Stop button does, and only when it is enabled.
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, m_ui.cmdStop, &QPushButton::click);
    new TextZoom(m_ui.Text1, this);
    connect(new DocumentDrop(m_ui.Text1), &DocumentDrop::fileDropped, this, &frmTTS::OpenDocument);

    m_load = std::make_unique<DocumentLoad>(m_ui.Text1, this);
    // Nobody types into a document that is still coming in.
    connect(m_load.get(), &DocumentLoad::filling, this, [this] { m_ui.Text1->setReadOnly(true); });
    connect(m_load.get(), &DocumentLoad::abandoned, this, &frmTTS::documentSettled);
    connect(m_load.get(), &DocumentLoad::loaded, this, [this](const QString &path, const QString &title) {
        documentSettled();
        setWindowTitle(QStringLiteral("TTS - ") + title);
        AddToMRU(path);
    });
    // A file that cannot be read leaves the text the user had.
    connect(m_load.get(), &DocumentLoad::failed, this, [this](const QString &path, const SontiError &error) {
        documentSettled();
        qCInfo(lcMainWindow) << "cannot open" << path << error.toString();
        showMessage(QStringLiteral("Sorry! Unable to open the file : ") + path, QMessageBox::Warning);
    });
}

frmTTS::~frmTTS() = default;

void frmTTS::enterStep(const QString &step)
{
    if (m_dependencies.stepObserver)
        m_dependencies.stepObserver(step);
}

void frmTTS::runIgnoringErrors(const QString &step, const std::function<void()> &action)
{
    enterStep(step);
    try {
        action();
    } catch (const SontiError &e) {
        qCInfo(lcMainWindow) << "load step" << step << "failed:" << e.toString();
    } catch (const std::exception &e) {
        qCInfo(lcMainWindow) << "load step" << step << "failed:" << e.what();
    }
}

void frmTTS::showMessage(const QString &text, QMessageBox::Icon icon, const QString &title)
{
    if (m_dependencies.messageBox) {
        m_dependencies.messageBox(title, text, icon);
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok, isVisible() ? this : nullptr);
    box.exec();
}

void frmTTS::Form_Load()
{
    // The face comes first; a failure in these steps ends the load.
    enterStep(QStringLiteral("LoadMouthImages"));
    LoadMouthImages();
    enterStep(QStringLiteral("MaskColor"));
    MouthImgList.setMaskColor(OleColor::fromRgb(255, 0, 255));
    enterStep(QStringLiteral("BackColor"));
    MouthImgList.setBackColor(OleColor::fromQColor(m_ui.VisemePicture->palette().color(QPalette::Window)));
    enterStep(QStringLiteral("RestingFace"));
    showRestingFace();

    // From here on a failing step is skipped and the load goes on.
    runIgnoringErrors(QStringLiteral("CreateVoice"), [this] {
        Voice = m_dependencies.createVoice();
        connectVoice();
    });
    runIgnoringErrors(QStringLiteral("EventInterests"),
                      [this] { voice().setEventInterests(voice().EventInterests() | SVEAudioLevel); });
    runIgnoringErrors(QStringLiteral("FillVoices"), [this] { fillVoiceList(); });
    runIgnoringErrors(QStringLiteral("FillFormats"), [this] {
        AddFormat(QStringLiteral("16kHz16BitMono"), SAFT16kHz16BitMono);
        AddFormat(QStringLiteral("16kHz16BitStereo"), SAFT16kHz16BitStereo);
        AddFormat(QStringLiteral("22kHz16BitMono"), SAFT22kHz16BitMono);
        AddFormat(QStringLiteral("22kHz16BitStereo"), SAFT22kHz16BitStereo);
    });
    runIgnoringErrors(QStringLiteral("SpeakFlags"),
                      [this] { SpeakFlags = SVSFlagsAsync | SVSFPurgeBeforeSpeak | SVSFIsXML; });
    runIgnoringErrors(QStringLiteral("AlertBoundary"), [this] { voice().setAlertBoundary(SVEPhoneme); });
    runIgnoringErrors(QStringLiteral("Surface"), [this] { levelMeter().setSurface(m_meterSurface); });
    runIgnoringErrors(QStringLiteral("LabelColor"), [this] {
        QPalette palette = m_ui.Label1->palette();
        palette.setColor(QPalette::WindowText, OleColor::toQColor(levelMeter().BarForeColor()));
        m_ui.Label1->setPalette(palette);
    });
    runIgnoringErrors(QStringLiteral("MenuIcons"), [this] {
        MenuIcons = std::make_unique<MenuIconDrawer>();
        MenuIcons->Attach(this);
        MenuIcons->SetImageList(&ImageList1);
        MenuIcons->SetItemImage(m_ui.mnuOpen->text(), 0);
        MenuIcons->SetItemImage(m_ui.mnuExit->text(), 1);
    });
    runIgnoringErrors(QStringLiteral("LoadSettings"), [this] { LoadSettings(); });
    // The output of the saved format opens, and the saved voice loads,
    // while the window shows.
    if (Voice)
        Voice->prepare();
    FirstPaintReport::watch(this, "shown");
    runIgnoringErrors(QStringLiteral("Show"), [this] { show(); });
}

AMeter &frmTTS::levelMeter()
{
    // Created on first use, whichever use comes first.
    if (!LevelMeter)
        LevelMeter = std::make_unique<AMeter>();
    return *LevelMeter;
}

SpVoice &frmTTS::voice() const
{
    if (!Voice)
        throw SontiError(SontiError::ObjectNotSet, QStringLiteral("Sonti"),
                         QStringLiteral("Object variable or With block variable not set"));
    return *Voice;
}

void frmTTS::connectVoice()
{
    // Queued by the voice itself: every event arrives between user actions.
    connect(Voice.get(), &SpVoice::Word, this, &frmTTS::Voice_Word);
    connect(Voice.get(), &SpVoice::EndStream, this, &frmTTS::Voice_EndStream);
    connect(Voice.get(), &SpVoice::StreamFailed, this, &frmTTS::Voice_StreamFailed);
    connect(Voice.get(), &SpVoice::AudioLevel, this, &frmTTS::Voice_AudioLevel);
    connect(Voice.get(), &SpVoice::Viseme, this, &frmTTS::Voice_Viseme);
}

void frmTTS::fillVoiceList()
{
    // Every installed voice of every engine is offered, in one order for the
    // machine and locale, so a stored position always names the same voice.
    QStringList descriptions;
    for (const SpObjectToken &token : voice().GetVoices(QString(), QString()))
        descriptions.append(token.GetDescription(0));
    // In one insertion: the list reacts to each insertion as a whole.
    m_ui.VC->addItems(descriptions);
}

void frmTTS::AddFormat(const QString &caption, qint32 formatType)
{
    const int position = m_ui.FC->count();
    m_ui.FC->insertItem(position, caption);
    m_ui.FC->setItemData(position, formatType);
}

void frmTTS::LoadMouthImages()
{
    const MouthImages::Pictures pictures = m_dependencies.mouthPictures
        ? m_dependencies.mouthPictures()
        : MouthImages::read(m_dependencies.mouthPicturePrefix);
    MouthImages::load(MouthImgList, pictures, [this](const SontiError &error) {
        showMessage(MouthImages::errorText(error), QMessageBox::NoIcon, MouthImages::errorTitle());
    });
}

void frmTTS::showRestingFace()
{
    m_ui.VisemePicture->setPixmap(MouthImages::restingPicture(MouthImgList));
}

void frmTTS::closeEvent(QCloseEvent *event)
{
    qint16 cancel = 0;
    Form_Unload(cancel);
    if (cancel)
        event->ignore();
    else
        event->accept();
}

void frmTTS::Form_Unload(qint16 &)
{
    // Exit and the close button both end here; the sequence runs once.
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_load->cancel();
    if (Voice) {
        enterStep(QStringLiteral("Purge"));
        m_guard.run("Form_Unload", [this] { Voice->Speak(QString(), SVSFPurgeBeforeSpeak); });
        enterStep(QStringLiteral("ReleaseVoice"));
        Voice.reset();
    }
    enterStep(QStringLiteral("SaveSettings"));
    SaveSettings();
    if (MenuIcons) {
        enterStep(QStringLiteral("Detach"));
        MenuIcons->Detach();
        enterStep(QStringLiteral("ReleaseMenuIcons"));
        MenuIcons.reset();
    }
}

void frmTTS::mnuExit_Click()
{
    close();
}

void frmTTS::SelectText(qint32 start, qint32 length)
{
    // Positions come from the engine; one outside the text selects what lies
    // inside it rather than failing.
    m_highlight.select(start, length);
}

void frmTTS::showLevel(qint32 level)
{
    levelMeter().Draw(level);
    m_ui.Label1->setText(QString::number(level) + QLatin1Char('%'));
    m_ui.Label1->adjustSize();
}

void frmTTS::Voice_Word(qint32, qint64, qint32 Pos, qint32 length)
{
    // The word is lit rather than selected: see TextHighlight.
    m_guard.run("Voice_Word", [&] { m_highlight.lightWord(Pos, length); });
}

void frmTTS::showIdle()
{
    m_ui.cmdTalk->setEnabled(true);
    FocusHandOver::handOver({m_ui.cmdPause, m_ui.cmdStop}, m_ui.cmdTalk);
    m_ui.cmdPause->setEnabled(false);
    m_ui.cmdStop->setEnabled(false);
    m_ui.FC->setEnabled(true);
    m_ui.VC->setEnabled(true);
}

void frmTTS::Voice_EndStream(qint32, qint64)
{
    m_guard.run("Voice_EndStream", [&] {
        m_streamPending = false;
        showRestingFace();
        showIdle();
        m_ui.ProcXML->setEnabled(true);
        m_highlight.clearWord();
        SelectText(0, m_ui.Text1->document()->characterCount() - 1);
        m_ui.Text1->setReadOnly(false);
    });
    // Shown once the window is idle again, so the box waits on nothing.
    if (std::exchange(m_streamFailed, false))
        showMessage(QStringLiteral("Speech Error!"), QMessageBox::Critical);
}

void frmTTS::Voice_StreamFailed(qint32, const SontiError &)
{
    m_streamFailed = true;
}

void frmTTS::Voice_AudioLevel(qint32, qint64, qint32 AudioLevel)
{
    // The voice pauses at the next phoneme, so levels of the sound before it
    // may still arrive; a paused meter keeps reading 0%.
    if (m_ui.cmdPause->text() == QLatin1String("&Resume"))
        return;
    m_guard.run("Voice_AudioLevel", [&] { showLevel(AudioLevel); });
}

void frmTTS::Voice_Viseme(qint32, qint64, qint32, qint32, qint32, qint32 VisemeId)
{
    m_guard.run("Voice_Viseme",
                [&] { m_ui.VisemePicture->setPixmap(MouthImages::visemePicture(MouthImgList, VisemeId)); });
}

void frmTTS::cmdTalk_Click()
{
    TimingMark::log("speak");
    m_guard.forget();
    // While a document fills the box holds only its beginning; speaking that
    // would read out only the start of what the user opened.
    if (isOpening()) {
        QApplication::beep();
        return;
    }
    try {
        if (m_ui.Text1->document()->isEmpty()) {
            showMessage(QStringLiteral("Nothing to Speak!"), QMessageBox::Warning);
            return;
        }
        // Pause is enabled first, so it can take the focus from Speak.
        m_ui.cmdPause->setEnabled(true);
        FocusHandOver::handOver({m_ui.cmdTalk}, m_ui.cmdPause);
        m_ui.cmdTalk->setEnabled(false);
        m_ui.cmdStop->setEnabled(true);
        m_ui.FC->setEnabled(false);
        m_ui.VC->setEnabled(false);
        m_ui.ProcXML->setEnabled(false);
        m_ui.Text1->setReadOnly(true);
        // A selection is drawn over the lit word and would hide it.
        m_highlight.dropSelection();
        // The voice reads the document a slice at a time as it speaks: a long
        // one is neither copied nor parsed whole here.
        voice().speakText(std::make_shared<DocumentSpeechText>(m_ui.Text1->document()), SpeakFlags);
        m_streamPending = true;
    } catch (const std::exception &) {
        showMessage(QStringLiteral("Speech Error!"), QMessageBox::Critical);
    }
}

void frmTTS::cmdPause_Click()
{
    m_guard.run("cmdPause_Click", [this] {
        if (m_ui.cmdPause->text() == QLatin1String("&Pause")) {
            voice().Pause();
            m_ui.cmdPause->setText(QStringLiteral("&Resume"));
            FocusHandOver::handOver({m_ui.cmdStop}, m_ui.cmdPause);
            m_ui.cmdStop->setEnabled(false);
            showLevel(0);
        } else {
            voice().Resume();
            m_ui.cmdPause->setText(QStringLiteral("&Pause"));
            m_ui.cmdStop->setEnabled(true);
        }
    });
}

void frmTTS::cmdStop_Click()
{
    // Without a voice there is nothing to stop, but the window still goes
    // back to idle.
    m_guard.run("cmdStop_Click", [this] {
        if (Voice)
            Voice->Speak(QString(), SVSFPurgeBeforeSpeak);
    });
    m_guard.run("cmdStop_Click", [this] {
        showIdle();
        // Process XML comes back with the end of the stream; when Speak
        // failed, or there is no voice, no stream will end.
        if (!m_streamPending)
            m_ui.ProcXML->setEnabled(true);
        showLevel(0);
        m_ui.Text1->setReadOnly(false);
    });
}

void frmTTS::ProcXML_Click()
{
    SpeakFlags = m_ui.ProcXML->checkState() != Qt::Unchecked ? SVSFlagsAsync | SVSFPurgeBeforeSpeak | SVSFIsXML
                                                             : SVSFlagsAsync | SVSFPurgeBeforeSpeak | SVSFIsNotXML;
}

void frmTTS::VC_Click()
{
    m_guard.run("VC_Click", [this] { applyVoiceChoice(); });
}

void frmTTS::FC_Click()
{
    m_guard.run("FC_Click", [this] { applyFormatChoice(); });
}

void frmTTS::applyVoiceChoice()
{
    // A cleared selection names no voice: the voice stays as it is.
    const int position = m_ui.VC->currentIndex();
    if (position < 0)
        return;
    voice().setVoice(voice().GetVoices(QString(), QString()).Item(position));
}

void frmTTS::applyFormatChoice()
{
    const int position = m_ui.FC->currentIndex();
    if (position < 0)
        return;
    voice().setAllowAudioOutputFormatChangesOnNextSet(false);
    voice().AudioOutputStream()->Format().setType(m_ui.FC->itemData(position).toInt());
    voice().setAudioOutputStream(voice().AudioOutputStream());
}

void frmTTS::LoadSettings()
{
    if (m_dependencies.settingsFolder.isEmpty())
        INIReadWrite::SetINIFile(QStringLiteral("TTS.ini"));
    else
        INIReadWrite::SetINIFile(QStringLiteral("TTS.ini"), m_dependencies.settingsFolder);

    const QPoint current = pos();
    const int defaultLeft = Twips::fromPixels(current.x());
    const int defaultTop = Twips::fromPixels(current.y());
    const StoredSettings stored = StoredSettings::read(defaultLeft, defaultTop);

    // Each key is applied on its own: a value that does not fit its control
    // leaves that control as it was, and the rest still load.
    if (stored.left != defaultLeft || stored.top != defaultTop) {
        move(qRound(stored.left / Twips::perPixel), qRound(stored.top / Twips::perPixel));
        moveOntoAScreen();
    }
    const auto restore = [](const char *what, const std::function<void()> &apply) {
        try {
            apply();
        } catch (const std::exception &e) {
            qCInfo(lcMainWindow) << "could not restore" << what << e.what();
        }
    };
    if (stored.speaker && *stored.speaker >= -1 && *stored.speaker < m_ui.VC->count()) {
        m_ui.VC->setCurrentIndex(*stored.speaker);
        restore("the voice", [this] { applyVoiceChoice(); });
    }
    if (stored.format && *stored.format >= -1 && *stored.format < m_ui.FC->count()) {
        m_ui.FC->setCurrentIndex(*stored.format);
        restore("the format", [this] { applyFormatChoice(); });
    }
    // Stored as 0 unchecked, 1 checked, 2 grayed.
    static constexpr Qt::CheckState checkStates[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
    if (stored.xml && *stored.xml >= 0 && *stored.xml <= 2) {
        m_ui.ProcXML->setTristate(*stored.xml == 2);
        m_ui.ProcXML->setCheckState(checkStates[*stored.xml]);
    }
    m_menuStyle = stored.style;
    if (MenuIcons)
        MenuIcons->setStyle(stored.style);
    colMRU.restore(stored.recentFiles);
    showRecentFiles();
}

void frmTTS::moveOntoAScreen()
{
    QList<QRect> areas;
    for (const QScreen *screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    move(ScreenPlacement::reachable(frameGeometry(), areas));
}

void frmTTS::SaveSettings()
{
    const QString failure = writeSettings();
    if (!failure.isEmpty())
        showMessage(failure, QMessageBox::Warning);
}

QString frmTTS::writeSettings()
{
    StoredSettings stored;
    stored.left = Twips::fromPixels(pos().x());
    stored.top = Twips::fromPixels(pos().y());
    stored.speaker = qint16(m_ui.VC->currentIndex());
    stored.format = qint16(m_ui.FC->currentIndex());
    switch (m_ui.ProcXML->checkState()) {
    case Qt::Unchecked: stored.xml = 0; break;
    case Qt::Checked: stored.xml = 1; break;
    case Qt::PartiallyChecked: stored.xml = 2; break;
    }
    stored.style = MenuIcons ? MenuIcons->Style() : m_menuStyle;
    stored.recentFiles = colMRU.entries();
    try {
        QString reason;
        // A read-only or unreadable file is left as it is on purpose.
        if (stored.write(&reason) == IniFile::WriteStatus::Failed) {
            return QStringLiteral("Your settings and recent files could not be saved in %1 (%2). "
                                  "The settings saved before are kept.")
                .arg(INIReadWrite::INIFileName(), reason);
        }
    } catch (const std::exception &e) {
        // No file was chosen: the load never got that far.
        qCInfo(lcMainWindow) << "settings not saved:" << e.what();
    }
    return {};
}

void frmTTS::mnuOpen_Click()
{
    m_guard.run("mnuOpen_Click", [this] {
        const QString path = FileDlg::ShowOpen(*m_dependencies.openDialog, DocumentReader::dialogFilter(),
                                               DocumentReader::DialogFilterIndex, QString(),
                                               DocumentReader::DialogFlags, DocumentReader::dialogTitle());
        if (!path.isEmpty())
            OpenDocument(path);
    });
}

void frmTTS::OpenDocument(const QString &path)
{
    if (!m_unloaded)
        m_load->start(path);
}

bool frmTTS::isOpening() const
{
    return m_load->running();
}

void frmTTS::documentSettled()
{
    // Editable again unless Sonti speaks, which keeps the box read-only.
    m_ui.Text1->setReadOnly(!m_ui.cmdTalk->isEnabled());
}

void frmTTS::AddToMRU(const QString &path)
{
    colMRU.add(path);
    showRecentFiles();
    // Stored at once, so a run that never reaches its unload keeps the list;
    // a failure here is reported by the save at exit.
    const QString failure = writeSettings();
    if (!failure.isEmpty())
        qCInfo(lcMainWindow) << failure;
}

void frmTTS::showRecentFiles()
{
    if (colMRU.isEmpty())
        return;
    m_ui.SAP1->setVisible(true);
    for (int index = 1; index <= colMRU.count() && index <= 4; ++index) {
        m_ui.mnuMRU[index]->setText(RecentFiles::caption(index, colMRU.entry(index)));
        m_ui.mnuMRU[index]->setVisible(true);
    }
}

void frmTTS::mnuMRU_Click(qint16 Index)
{
    m_guard.run("mnuMRU_Click", [this, Index] {
        if (Index >= 1 && Index <= colMRU.count())
            OpenDocument(colMRU.entry(Index));
    });
}
