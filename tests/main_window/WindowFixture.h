#pragma once

#include "FakeSynthesizer.h"
#include "ManualClock.h"
#include "NullAudioSink.h"
#include "OpenDialogRunner.h"
#include "SontiError.h"
#include "SpVoice.h"
#include "frmTTS.h"

#include <QAction>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QImage>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// A folder of stand-in face pictures: MICFULL is solid grey with a magenta
// corner; every partial picture is magenta except a 10x10 patch at (40, 40)
// in a colour of its own, so one pixel of a composite tells which it shows.
class TestPictures
{
public:
    TestPictures()
    {
        QImage full(128, 128, QImage::Format_RGB32);
        full.fill(fullColour());
        full.setPixel(0, 0, qRgb(255, 0, 255));
        full.save(path(QStringLiteral("MICFULL")));
        for (const QString &name : partials()) {
            QImage part(128, 128, QImage::Format_RGB32);
            part.fill(qRgb(255, 0, 255));
            for (int y = 40; y < 50; ++y)
                for (int x = 40; x < 50; ++x)
                    part.setPixel(x, y, colourOf(name).rgb());
            part.save(path(name));
        }
    }

    QString prefix() const { return m_dir.path() + QLatin1Char('/'); }
    QString path(const QString &name) const { return m_dir.filePath(name + QStringLiteral(".bmp")); }

    static QColor fullColour() { return QColor(120, 130, 140); }
    static QStringList partials()
    {
        QStringList names;
        for (int i = 2; i <= 13; ++i)
            names << QStringLiteral("MIC%1").arg(i);
        return names << QStringLiteral("MICEYECLOSED") << QStringLiteral("MICEYENARROW");
    }
    static QColor colourOf(const QString &partial)
    {
        return QColor::fromHsv(int(partials().indexOf(partial)) * 25, 200, 200);
    }
    // The partial shown in a composite; "MICFULL" when none covers the patch.
    static QString shownIn(const QImage &composite)
    {
        const QRgb patch = composite.pixel(45, 45) | 0xFF000000;
        for (const QString &name : partials())
            if (patch == colourOf(name).rgb())
                return name;
        return patch == fullColour().rgb() ? QStringLiteral("MICFULL") : QColor(patch).name();
    }

private:
    QTemporaryDir m_dir;
};

struct Message
{
    QString title;
    QString text;
    QMessageBox::Icon icon;
};

// The Open dialog as a user would answer it: one path per call, "" cancels.
class ScriptedDialog : public OpenDialogRunner
{
public:
    QStringList answers;
    QList<OpenDialogRequest> requests;

    QString run(const OpenDialogRequest &request) override
    {
        requests.append(request);
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

// A window over stand-in pictures, a fresh settings folder, a scripted Open
// dialog and a voice with a scripted synthesiser and a silent sink that
// hears as much as the test advances clock by; its messages and load steps
// are recorded.
class WindowFixture
{
public:
    TestPictures pictures;
    std::unique_ptr<QTemporaryDir> settings;
    std::shared_ptr<ScriptedDialog> dialog;
    QList<Message> messages;
    QStringList steps;
    bool noVoice = false;
    FakeSynthesizer *synth = nullptr;
    std::shared_ptr<ManualClock> clock;

    // For each test's init().
    void reset()
    {
        settings = std::make_unique<QTemporaryDir>();
        dialog = std::make_shared<ScriptedDialog>();
        messages.clear();
        steps.clear();
        noVoice = false;
        synth = nullptr;
        clock = std::make_shared<ManualClock>();
    }

    frmTTS::Dependencies dependencies()
    {
        frmTTS::Dependencies d;
        d.mouthPicturePrefix = pictures.prefix();
        d.settingsFolder = settings->path();
        d.openDialog = dialog;
        d.messageBox = [this](const QString &title, const QString &text, QMessageBox::Icon icon) {
            messages.append({title, text, icon});
        };
        d.stepObserver = [this](const QString &step) { steps << step; };
        d.createVoice = [this]() -> std::unique_ptr<SpVoice> {
            if (noVoice)
                throw SontiError(SontiError::AudioFailure, QStringLiteral("test"), QStringLiteral("no engine"));
            auto fake = std::make_unique<FakeSynthesizer>(16000, 60, 20);
            synth = fake.get();
            return std::make_unique<SpVoice>(std::move(fake), std::make_unique<NullAudioSink>(clock));
        };
        return d;
    }

    std::unique_ptr<frmTTS> start()
    {
        auto window = std::make_unique<frmTTS>(dependencies());
        window->Form_Load();
        return window;
    }

    QString iniPath() const { return settings->filePath(QStringLiteral("TTS.ini")); }

    // File > Open, answered with path, and the load it started carried
    // through.
    void open(frmTTS &window, const QString &path)
    {
        dialog->answers << path;
        window.ui().mnuOpen->trigger();
        settle(window);
    }

    // Lets a document load run to its end.
    static void settle(const frmTTS &window)
    {
        if (!QTest::qWaitFor([&] { return !window.isOpening(); }, 20000))
            QFAIL("the document load did not end");
    }
};

// What the File menu shows between the separators.
inline QStringList recentItems(const frmTTS &window)
{
    QStringList items;
    for (int i = 1; i <= 4; ++i)
        if (window.ui().mnuMRU[i]->isVisible())
            items << window.ui().mnuMRU[i]->text();
    return items;
}

// Which of the controls that speaking switches are enabled, as one string:
// Speak, Pause, Stop, voices, formats, XML box, text editable.
inline QString controlState(const frmTTSUi &ui)
{
    QString state;
    for (bool on : {ui.cmdTalk->isEnabled(), ui.cmdPause->isEnabled(), ui.cmdStop->isEnabled(), ui.VC->isEnabled(),
                    ui.FC->isEnabled(), ui.ProcXML->isEnabled(), !ui.Text1->isReadOnly()})
        state += on ? QLatin1Char('1') : QLatin1Char('0');
    return state;
}

// The states of the window's table, and the one a failed Speak leaves
// (speaking).
inline const QString idle = QStringLiteral("1001111");
inline const QString speaking = QStringLiteral("0110000");
inline const QString paused = QStringLiteral("0100000");
inline const QString afterStop = QStringLiteral("1001101");
