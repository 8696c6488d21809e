#include "FakeSynthesizer.h"
#include "NullAudioSink.h"
#include "OpenDialogRunner.h"
#include "SpVoice.h"
#include "TestPictures.h"
#include "frmTTS.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

namespace {

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

// What the File menu shows between the separators.
QStringList recentItems(const frmTTS &window)
{
    QStringList items;
    for (int i = 1; i <= 4; ++i) {
        if (window.ui().mnuMRU[i]->isVisible())
            items << window.ui().mnuMRU[i]->text();
    }
    return items;
}

QStringList captionsFor(const QStringList &paths)
{
    QStringList captions;
    for (int i = 0; i < paths.size(); ++i)
        captions << QStringLiteral("&%1 ").arg(i + 1) + QString(paths[i]).replace(u'&', QStringLiteral("&&"));
    return captions;
}

} // namespace

// Opening documents into the window, by File > Open and by the recent files.
class tst_frmTTSDocuments : public QObject
{
    Q_OBJECT

    TestPictures m_pictures;
    std::unique_ptr<QTemporaryDir> m_settings;
    std::unique_ptr<QTemporaryDir> m_files;
    std::shared_ptr<ScriptedDialog> m_dialog;
    QList<Message> m_messages;

    std::unique_ptr<frmTTS> makeWindow()
    {
        frmTTS::Dependencies d;
        d.mouthPicturePrefix = m_pictures.prefix();
        d.settingsFolder = m_settings->path();
        d.openDialog = m_dialog;
        d.messageBox = [this](const QString &title, const QString &text, QMessageBox::Icon icon) {
            m_messages.append({title, text, icon});
        };
        d.createVoice = [] {
            return std::make_unique<SpVoice>(std::make_unique<FakeSynthesizer>(16000, 60, 20),
                                             std::make_unique<NullAudioSink>());
        };
        auto window = std::make_unique<frmTTS>(d);
        window->Form_Load();
        return window;
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_files->filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    // File > Open, answered with path.
    void open(frmTTS &window, const QString &path)
    {
        m_dialog->answers << path;
        window.ui().mnuOpen->trigger();
    }

private Q_SLOTS:
    void init()
    {
        m_settings = std::make_unique<QTemporaryDir>();
        m_files = std::make_unique<QTemporaryDir>();
        m_dialog = std::make_shared<ScriptedDialog>();
        m_messages.clear();
    }

    void cancelChangesNothing_data()
    {
        QTest::addColumn<bool>("afterAFile");
        QTest::newRow("first use") << false;
        QTest::newRow("after a file") << true;
    }

    void cancelChangesNothing()
    {
        QFETCH(bool, afterAFile);
        auto window = makeWindow();
        if (afterAFile)
            open(*window, writeFile(QStringLiteral("a.txt"), "a"));
        window->ui().Text1->setPlainText(QStringLiteral("typed"));
        const QString caption = window->windowTitle();
        const QStringList items = recentItems(*window);
        const bool separator = window->ui().SAP1->isVisible();

        open(*window, QString());
        QCOMPARE(window->ui().Text1->toPlainText(), QStringLiteral("typed"));
        QCOMPARE(window->windowTitle(), caption);
        QCOMPARE(recentItems(*window), items);
        QCOMPARE(window->ui().SAP1->isVisible(), separator);
        QVERIFY(m_messages.isEmpty());
        // The dialog asked for an existing file, starting on the supported types.
        const OpenDialogRequest &request = m_dialog->requests.last();
        QCOMPARE(request.title, QStringLiteral("Open"));
        QCOMPARE(request.initialQtNameFilter(), request.qtNameFilters().at(2));
        QVERIFY(request.qtNameFilters().at(2).startsWith(QStringLiteral("All Supported Files (*.txt , *.xml)")));
        QVERIFY(request.fileMustExist());
    }

    void chosenFileFillsTextCaptionAndFirstItem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::newRow("plain") << QStringLiteral("notes.txt") << QStringLiteral("notes.txt");
        QTest::newRow("xml") << QStringLiteral("sub/talk.xml") << QStringLiteral("talk.xml");
        QTest::newRow("ampersands") << QStringLiteral("R&D/Q&A & more.txt") << QStringLiteral("Q&A & more.txt");
    }

    void chosenFileFillsTextCaptionAndFirstItem()
    {
        QFETCH(QString, name);
        QFETCH(QString, title);
        auto window = makeWindow();
        QVERIFY(!window->ui().SAP1->isVisible());
        QCOMPARE(recentItems(*window), QStringList());
        const QString path = writeFile(name, "Hello <b>there</b>");

        open(*window, path);
        QCOMPARE(window->ui().Text1->toPlainText(), QStringLiteral("Hello <b>there</b>"));
        QCOMPARE(window->windowTitle(), QStringLiteral("TTS - ") + title);
        QVERIFY(window->ui().SAP1->isVisible());
        QCOMPARE(recentItems(*window), captionsFor({path}));
        QVERIFY(m_messages.isEmpty());
    }

    void bytesBecomeTheRightText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << QByteArray("one\r\ntwo\r\n\r\nfour")
                               << QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral(""), QStringLiteral("four")};
        QTest::newRow("UTF-8") << QByteArray("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC 5")
                               << QStringList{QStringLiteral(u"Grüße € 5")};
        QTest::newRow("Windows-1252") << QByteArray("Gr\xFC\xDF" "e \x80 5 \x93q\x94")
                                      << QStringList{QStringLiteral(u"Grüße € 5 “q”")};
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF" "caf\xC3\xA9")
                                        << QStringList{QStringLiteral(u"café")};
        QTest::newRow("empty file") << QByteArray() << QStringList{QString()};
    }

    void bytesBecomeTheRightText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        auto window = makeWindow();
        window->ui().Text1->setPlainText(QStringLiteral("typed before"));
        const QString path = writeFile(QStringLiteral("doc.txt"), bytes);

        open(*window, path);
        QStringList shown;
        for (QTextBlock block = window->ui().Text1->document()->begin(); block.isValid(); block = block.next())
            shown << block.text();
        QCOMPARE(shown, lines);
        QCOMPARE(window->windowTitle(), QStringLiteral("TTS - doc.txt"));
        QCOMPARE(recentItems(*window), captionsFor({path}));
    }

    void aRecentFileThatCannotBeReadChangesNothing_data()
    {
        QTest::addColumn<bool>("folderInItsPlace");
        QTest::newRow("deleted") << false;
        QTest::newRow("a folder in its place") << true;
    }

    void aRecentFileThatCannotBeReadChangesNothing()
    {
        QFETCH(bool, folderInItsPlace);
        auto window = makeWindow();
        const QString gone = writeFile(QStringLiteral("gone.txt"), "gone");
        const QString kept = writeFile(QStringLiteral("kept.txt"), "kept");
        open(*window, gone);
        open(*window, kept);
        QVERIFY(QFile::remove(gone));
        if (folderInItsPlace)
            QVERIFY(QDir().mkdir(gone));
        window->ui().Text1->setPlainText(QStringLiteral("the user's own words"));

        window->ui().mnuMRU[2]->trigger();
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0].title, QStringLiteral("Sonti"));
        QCOMPARE(m_messages[0].text, QStringLiteral("Sorry! Unable to open the file : ") + gone);
        QCOMPARE(m_messages[0].icon, QMessageBox::Warning);
        QCOMPARE(window->ui().Text1->toPlainText(), QStringLiteral("the user's own words"));
        QCOMPARE(window->windowTitle(), QStringLiteral("TTS - kept.txt"));
        QCOMPARE(recentItems(*window), captionsFor({kept, gone}));
    }

    void theFifthFilePushesOutTheOldest()
    {
        auto window = makeWindow();
        QStringList paths;
        for (int i = 1; i <= 5; ++i)
            paths.prepend(writeFile(QStringLiteral("f%1.txt").arg(i), QByteArray::number(i)));
        for (int i = 4; i >= 0; --i)
            open(*window, paths[i]);
        QCOMPARE(recentItems(*window), captionsFor(paths.first(4)));
        QCOMPARE(window->colMRU.count(), 4);
    }

    void reopeningAnItemMovesItToTheHead_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QList<int>>("order");  // files by number, newest first
        // Opened 1, 2, 3, 4: the menu shows 4, 3, 2, 1.
        QTest::newRow("item 3") << 3 << QList<int>{2, 4, 3, 1};
        QTest::newRow("item 1") << 1 << QList<int>{4, 3, 2, 1};
        QTest::newRow("item 4") << 4 << QList<int>{1, 4, 3, 2};
    }

    void reopeningAnItemMovesItToTheHead()
    {
        QFETCH(int, item);
        QFETCH(QList<int>, order);
        auto window = makeWindow();
        QStringList files{QString()};
        for (int i = 1; i <= 4; ++i) {
            files << writeFile(QStringLiteral("f%1.txt").arg(i), "file " + QByteArray::number(i));
            open(*window, files[i]);
        }
        window->ui().mnuMRU[item]->trigger();
        QStringList expected;
        for (int number : order)
            expected << files[number];
        QCOMPARE(recentItems(*window), captionsFor(expected));
        QCOMPARE(window->ui().Text1->toPlainText(), QStringLiteral("file %1").arg(order[0]));
        QCOMPARE(window->windowTitle(), QStringLiteral("TTS - f%1.txt").arg(order[0]));
        QVERIFY(m_messages.isEmpty());
    }

    void pathsDifferingInCaseAreTwoEntries()
    {
        auto window = makeWindow();
        const QString lower = writeFile(QStringLiteral("notes.txt"), "lower");
        const QString upper = writeFile(QStringLiteral("Notes.txt"), "upper");
        open(*window, lower);
        open(*window, upper);
        open(*window, upper);
        QCOMPARE(recentItems(*window), captionsFor({upper, lower}));
    }

    void aRepeatedStoredEntryLosesOnlyItsFirstCopyWhenReopened()
    {
        const QString a = writeFile(QStringLiteral("a.txt"), "a");
        const QString b = writeFile(QStringLiteral("b.txt"), "b");
        QFile ini(m_settings->filePath(QStringLiteral("TTS.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[Files]\nCount=3\n1=%1\n2=%2\n3=%2\n").arg(b, a).toUtf8());
        ini.close();

        auto window = makeWindow();
        QCOMPARE(recentItems(*window), captionsFor({b, a, a}));
        window->ui().mnuMRU[3]->trigger();
        QCOMPARE(recentItems(*window), captionsFor({a, b, a}));
    }

    void openingWhileSpeakingReplacesTheTextAndSpeechGoesOn()
    {
        auto window = makeWindow();
        const frmTTSUi &ui = window->ui();
        ui.Text1->setPlainText(QStringLiteral("one two three four five six seven eight nine ten"));
        QSignalSpy ends(window->Voice.get(), &SpVoice::EndStream);
        QSignalSpy words(window->Voice.get(), &SpVoice::Word);
        ui.cmdTalk->click();
        QTRY_VERIFY(!words.isEmpty());
        QVERIFY(ends.isEmpty());
        QVERIFY(ui.mnuOpen->isEnabled());

        open(*window, writeFile(QStringLiteral("new.txt"), "new text"));
        QCOMPARE(ui.Text1->toPlainText(), QStringLiteral("new text"));
        QCOMPARE(window->windowTitle(), QStringLiteral("TTS - new.txt"));
        QVERIFY(!ui.cmdTalk->isEnabled());
        QTRY_COMPARE(ends.size(), 1);
        QVERIFY(ui.cmdTalk->isEnabled());
        QCOMPARE(ui.Text1->toPlainText(), QStringLiteral("new text"));
        QVERIFY(m_messages.isEmpty());
    }
};

QTEST_MAIN(tst_frmTTSDocuments)
#include "tst_frmTTSDocuments.moc"
