#include "MeterSurface.h"
#include "WindowFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

QRect pixels(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

} // namespace

// The window's layout, menu, load and unload, and what the voice's events show.
class tst_frmTTS : public QObject
{
    Q_OBJECT

    WindowFixture m_fx;

    static QString faceShown(const frmTTS &window)
    {
        return TestPictures::shownIn(window.ui().VisemePicture->pixmap().toImage());
    }

private Q_SLOTS:
    void init() { m_fx.reset(); }

    void controlsAreWhereTheyWereDesigned_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("geometry");

        QTest::newRow("Text1") << "Text1"
                               << "client" << pixels(50, 2880, 5655, 3975);
        QTest::newRow("Frame1") << "Frame1"
                                << "client" << pixels(50, 120, 5655, 2655);
        QTest::newRow("VisemePicture") << "VisemePicture"
                                       << "Frame1" << pixels(120, 240, 2535, 2055);
        QTest::newRow("Picture1") << "Picture1"
                                  << "VisemePicture" << pixels(1440, 1200, 975, 700);
        QTest::newRow("VC") << "VC"
                            << "Frame1" << pixels(2760, 240, 2775, 315);
        QTest::newRow("FC") << "FC"
                            << "Frame1" << pixels(2760, 720, 2775, 315);
        QTest::newRow("ProcXML") << "ProcXML"
                                 << "Frame1" << pixels(2760, 1200, 1335, 255);
        QTest::newRow("cmdTalk") << "cmdTalk"
                                 << "Frame1" << pixels(2760, 1560, 2655, 375);
        QTest::newRow("cmdPause") << "cmdPause"
                                  << "Frame1" << pixels(2760, 2040, 1215, 375);
        QTest::newRow("cmdStop") << "cmdStop"
                                 << "Frame1" << pixels(4080, 2040, 1335, 375);
    }

    void controlsAreWhereTheyWereDesigned()
    {
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QRect, geometry);
        frmTTS window(m_fx.dependencies());
        window.Form_Load();
        auto *widget = window.findChild<QWidget *>(name);
        QVERIFY2(widget, qPrintable(name));
        QCOMPARE(widget->parentWidget()->objectName(), container);
        QCOMPARE(widget->geometry(), geometry);
    }

    void windowHasItsDesignedSizeAndStartState()
    {
        frmTTS window(m_fx.dependencies());
        window.Form_Load();
        const frmTTSUi &ui = window.ui();
        QVERIFY(window.isVisible());
        QCOMPARE(window.windowTitle(), QStringLiteral("TTS"));
        QCOMPARE(window.centralWidget()->size(), QSize(381, 462));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);

        QCOMPARE(ui.Text1->toPlainText(), QStringLiteral("This is just a test"));
        QCOMPARE(ui.Frame1->title(), QStringLiteral(" Control Panel "));
        QCOMPARE(ui.cmdTalk->text(), QStringLiteral("&Speak"));
        QCOMPARE(ui.cmdPause->text(), QStringLiteral("&Pause"));
        QCOMPARE(ui.cmdStop->text(), QStringLiteral("S&top"));
        QCOMPARE(ui.ProcXML->text(), QStringLiteral("Process XM&L"));
        QCOMPARE(ui.ProcXML->toolTip(), QStringLiteral("Process XML Files"));
        QCOMPARE(ui.VC->placeholderText(), QStringLiteral("Select Speaker"));
        QCOMPARE(ui.FC->placeholderText(), QStringLiteral("Select Format"));
        QVERIFY(ui.ProcXML->isChecked());

        QVERIFY(ui.cmdTalk->isEnabled());
        QVERIFY(!ui.cmdPause->isEnabled());
        QVERIFY(!ui.cmdStop->isEnabled());
        QVERIFY(!ui.Text1->isReadOnly());
        for (QPushButton *button : {ui.cmdTalk, ui.cmdPause, ui.cmdStop}) {
            QVERIFY(button->font().bold());
            QCOMPARE(button->font().pointSizeF(), 8.25);
            QVERIFY(!button->isDefault());
        }
        QVERIFY(ui.Label1->font().bold());
        QVERIFY(!window.windowIcon().availableSizes().isEmpty());
    }

    void windowIconOffersEverySizeReadHereOrAhead()
    {
        const QList<QSize> sizes = {QSize(16, 16), QSize(32, 32),   QSize(48, 48),
                                    QSize(64, 64), QSize(128, 128), QSize(256, 256)};
        // Read as the window is built, from the pictures the program carries.
        frmTTS window(m_fx.dependencies());
        QCOMPARE(window.windowIcon().availableSizes(), sizes);
        QCOMPARE(window.windowIcon().pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32),
                 QImage(QStringLiteral(":/icons/sonti-32.png")).convertToFormat(QImage::Format_ARGB32));
        const QList<QImage> read = frmTTSUi::iconPictures();
        QCOMPARE(read.size(), sizes.size());
        for (const QImage &picture : read)
            QCOMPARE(picture.format(), QImage::Format_ARGB32_Premultiplied);

        // Read ahead by the start-up: the window shows what it is given.
        frmTTS::Dependencies dependencies = m_fx.dependencies();
        int reads = 0;
        dependencies.iconPictures = [&reads, sizes] {
            ++reads;
            QList<QImage> pictures;
            for (const QSize &size : sizes) {
                QImage picture(size, QImage::Format_ARGB32_Premultiplied);
                picture.fill(Qt::green);
                pictures.append(picture);
            }
            return pictures;
        };
        frmTTS ahead(std::move(dependencies));
        QCOMPARE(reads, 1);
        QCOMPARE(ahead.windowIcon().availableSizes(), sizes);
        QCOMPARE(ahead.windowIcon().pixmap(QSize(48, 48)).toImage().pixelColor(10, 10), QColor(Qt::green));
    }

    void tabOrderRunsFromTheTextThroughTheButtonsToTheLists()
    {
        frmTTS window(m_fx.dependencies());
        window.Form_Load();
        const frmTTSUi &ui = window.ui();
        QList<QWidget *> order;
        QWidget *widget = ui.Text1;
        for (int i = 0; i < 7; ++i) {
            order << widget;
            widget = widget->nextInFocusChain();
            while (widget->focusPolicy() == Qt::NoFocus || !widget->isEnabled())
                widget = widget->nextInFocusChain();
        }
        // Disabled Pause and Stop are skipped.
        const QList<QWidget *> expected{ui.Text1, ui.cmdTalk, ui.VC, ui.FC, ui.ProcXML};
        QCOMPARE(order.mid(0, 5), expected);
    }

    void fileMenuShowsOpenSeparatorExitWithImages()
    {
        frmTTS window(m_fx.dependencies());
        window.Form_Load();
        const frmTTSUi &ui = window.ui();
        QCOMPARE(window.menuBar()->actions().size(), 1);
        QCOMPARE(ui.mnuFile->title(), QStringLiteral("&File"));
        QCOMPARE(ui.mnuFile->actions().size(), 8);
        QStringList visible;
        for (QAction *action : ui.mnuFile->actions())
            if (action->isVisible())
                visible << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(visible, (QStringList{QStringLiteral("&Open"), QStringLiteral("-"), QStringLiteral("E&xit")}));
        QVERIFY(!ui.SAP1->isVisible());
        for (int i = 1; i <= 4; ++i) {
            QVERIFY(ui.mnuMRU[i]);
            QVERIFY(!ui.mnuMRU[i]->isVisible());
        }
        QVERIFY(!ui.mnuMRU[0]);
        QVERIFY(!ui.mnuOpen->icon().isNull());
        QVERIFY(!ui.mnuExit->icon().isNull());
    }

    void exitAndCloseButtonRunTheSameUnload_data()
    {
        QTest::addColumn<bool>("viaMenu");
        QTest::newRow("File > Exit") << true;
        QTest::newRow("close button") << false;
    }

    void exitAndCloseButtonRunTheSameUnload()
    {
        QFETCH(bool, viaMenu);
        QStringList &steps = m_fx.steps;
        frmTTS window(m_fx.dependencies());
        window.Form_Load();
        steps.clear();
        if (viaMenu)
            window.ui().mnuExit->trigger();
        else
            window.close();
        QVERIFY(!window.isVisible());
        QCOMPARE(steps,
                 (QStringList{QStringLiteral("Purge"), QStringLiteral("ReleaseVoice"), QStringLiteral("SaveSettings"),
                              QStringLiteral("Detach"), QStringLiteral("ReleaseMenuIcons")}));
        const QStringList firstClose = steps;
        window.close();
        QCOMPARE(steps, firstClose);
    }

    void loadRunsItsStepsInOrder()
    {
        frmTTS window(m_fx.dependencies());
        window.Form_Load();
        const QStringList expected{
            QStringLiteral("LoadMouthImages"), QStringLiteral("MaskColor"),    QStringLiteral("BackColor"),
            QStringLiteral("RestingFace"),     QStringLiteral("CreateVoice"),  QStringLiteral("EventInterests"),
            QStringLiteral("FillVoices"),      QStringLiteral("FillFormats"),  QStringLiteral("SpeakFlags"),
            QStringLiteral("AlertBoundary"),   QStringLiteral("Surface"),      QStringLiteral("LabelColor"),
            QStringLiteral("MenuIcons"),       QStringLiteral("LoadSettings"), QStringLiteral("Show")};
        QCOMPARE(m_fx.steps, expected);
        QVERIFY(m_fx.messages.isEmpty());
    }

    void afterLoadTheFaceRestsAndTheMeterIsBlack()
    {
        frmTTS window(m_fx.dependencies());
        window.Form_Load();
        QCOMPARE(faceShown(window), QStringLiteral("MICEYECLOSED"));
        // Magenta in the pictures shows the picture box's dark grey.
        QCOMPARE(window.ui().VisemePicture->pixmap().toImage().pixelColor(0, 0), QColor(0x40, 0x40, 0x40));
        const QImage meter = window.meterSurface()->image();
        QCOMPARE(meter.pixelColor(10, 37), QColor(Qt::black));
        QCOMPARE(window.ui().Label1->palette().color(QPalette::WindowText), QColor(0, 192, 0));
    }

    void aMissingPictureIsReportedOnceAndEndsTheLoad()
    {
        TestPictures pictures;
        QFile::remove(pictures.path(QStringLiteral("MIC5")));
        frmTTS::Dependencies d = m_fx.dependencies();
        d.mouthPicturePrefix = pictures.prefix();
        frmTTS window(d);
        // The resting face needs the eye picture that comes after MIC5.
        QVERIFY_THROWS_EXCEPTION(SontiError, window.Form_Load());
        QCOMPARE(m_fx.messages.size(), 1);
        QCOMPARE(m_fx.messages[0].title, QStringLiteral("Load Images Error"));
        QCOMPARE(m_fx.messages[0].icon, QMessageBox::NoIcon);
        QVERIFY2(m_fx.messages[0].text.contains(QLatin1Char(':')), qPrintable(m_fx.messages[0].text));
        QCOMPARE(window.MouthImgList.count(), 17);
    }

    void visemesChangeTheFace_data()
    {
        QTest::addColumn<int>("viseme");
        QTest::addColumn<QString>("shown");
        QTest::newRow("0: silence shows the open face") << 0 << "MICFULL";
        QTest::newRow("7: mouth") << 7 << "MIC9";
        QTest::newRow("8: eyes close instead of MIC2") << 8 << "MICEYECLOSED";
    }

    void visemesChangeTheFace()
    {
        QFETCH(int, viseme);
        QFETCH(QString, shown);
        frmTTS window(m_fx.dependencies());
        window.Form_Load();
        window.Voice_Viseme(1, 0, 50, 0, 0, viseme);
        QCOMPARE(faceShown(window), shown);
    }

    void aVisemeWithoutAPictureLeavesTheFace()
    {
        frmTTS window(m_fx.dependencies());
        window.Form_Load();
        window.Voice_Viseme(1, 0, 50, 0, 0, 7);
        window.Voice_Viseme(1, 0, 50, 0, 0, 99);
        QCOMPARE(faceShown(window), QStringLiteral("MIC9"));
        window.Voice_Viseme(1, 0, 50, 0, 0, 99);
        QCOMPARE(m_fx.messages.size(), 1);
        QCOMPARE(m_fx.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(m_fx.messages[0].title, QStringLiteral("Sonti"));
    }

    void wordsAreLitAndTheEndSelectsAll()
    {
        frmTTS window(m_fx.dependencies());
        window.Form_Load();
        QPlainTextEdit *text = window.ui().Text1;
        text->setPlainText(QStringLiteral("Hello there\r\nfriend"));
        text->setReadOnly(true);
        const auto lit = [&] {
            const int start = window.highlight().litStart();
            return text->toPlainText().mid(start, window.highlight().litEnd() - start);
        };
        window.Voice_Word(1, 0, 0, 5);
        QCOMPARE(lit(), QStringLiteral("Hello"));
        window.Voice_Word(1, 0, 6, 5);
        QCOMPARE(lit(), QStringLiteral("there"));
        window.Voice_Word(1, 0, 500, 5);
        QVERIFY(lit().isEmpty());
        window.Voice_Word(1, 0, 10, 500);
        QVERIFY(lit().endsWith(QStringLiteral("friend")));
        // Lighting a word leaves the text cursor alone.
        QVERIFY(!text->textCursor().hasSelection());
        QVERIFY(m_fx.messages.isEmpty());

        window.Voice_Viseme(1, 0, 50, 0, 0, 7);
        window.Voice_AudioLevel(1, 0, 37);
        window.Voice_EndStream(1, 0);
        QCOMPARE(window.highlight().litStart(), -1);
        QCOMPARE(text->textCursor().selectionStart(), 0);
        QCOMPARE(text->textCursor().selectionEnd(), text->document()->characterCount() - 1);
        QVERIFY(!text->isReadOnly());
        QCOMPARE(faceShown(window), QStringLiteral("MICEYECLOSED"));
        // The end of a stream leaves the level display alone.
        QCOMPARE(window.ui().Label1->text(), QStringLiteral("37%"));
    }

    void audioLevelsDrawTheMeterAndThePercentage_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("litBars");
        QTest::newRow("37") << 37 << "37%" << 4;
        QTest::newRow("-5") << -5 << "-5%" << 0;
    }

    void audioLevelsDrawTheMeterAndThePercentage()
    {
        QFETCH(int, level);
        QFETCH(QString, caption);
        QFETCH(int, litBars);
        frmTTS window(m_fx.dependencies());
        window.Form_Load();
        window.Voice_AudioLevel(1, 0, level);
        QCOMPARE(window.ui().Label1->text(), caption);
        const QImage meter = window.meterSurface()->image();
        int lit = 0;
        for (int bar = 0; bar <= 10; ++bar)
            lit += meter.pixelColor(10, 7 + 3 * bar) == QColor(0, 192, 0);
        QCOMPARE(lit, litBars);
    }
};

QTEST_MAIN(tst_frmTTS)
#include "tst_frmTTS.moc"
