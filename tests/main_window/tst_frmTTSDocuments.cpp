#include "WindowFixture.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include <sys/stat.h>

namespace {

QStringList captionsFor(const QStringList &paths)
{
    QStringList captions;
    for (int i = 0; i < paths.size(); ++i)
        captions << QStringLiteral("&%1 ").arg(i + 1) + QString(paths[i]).replace(u'&', QStringLiteral("&&"));
    return captions;
}

QByteArray pdfSaying(const QString &line)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    QPainter painter(&writer);
    painter.drawText(QPointF(0, 500), line);
    painter.end();
    return bytes;
}

} // namespace

// Opening documents into the window, by File > Open and by the recent files.
class tst_frmTTSDocuments : public QObject
{
    Q_OBJECT

    WindowFixture m_fx;
    std::unique_ptr<QTemporaryDir> m_files;

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_files->filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private Q_SLOTS:
    void init()
    {
        m_fx.reset();
        m_files = std::make_unique<QTemporaryDir>();
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
        auto window = m_fx.start();
        if (afterAFile)
            m_fx.open(*window, writeFile(QStringLiteral("a.txt"), "a"));
        window->ui().Text1->setPlainText(QStringLiteral("typed"));
        const QString caption = window->windowTitle();
        const QStringList items = recentItems(*window);
        const bool separator = window->ui().SAP1->isVisible();

        m_fx.open(*window, QString());
        QCOMPARE(window->ui().Text1->toPlainText(), QStringLiteral("typed"));
        QCOMPARE(window->windowTitle(), caption);
        QCOMPARE(recentItems(*window), items);
        QCOMPARE(window->ui().SAP1->isVisible(), separator);
        QVERIFY(m_fx.messages.isEmpty());
        // The dialog asked for an existing file, starting on the supported types.
        const OpenDialogRequest &request = m_fx.dialog->requests.last();
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
        auto window = m_fx.start();
        QVERIFY(!window->ui().SAP1->isVisible());
        QCOMPARE(recentItems(*window), QStringList());
        const QString path = writeFile(name, "Hello <b>there</b>");

        m_fx.open(*window, path);
        QCOMPARE(window->ui().Text1->toPlainText(), QStringLiteral("Hello <b>there</b>"));
        QCOMPARE(window->windowTitle(), QStringLiteral("TTS - ") + title);
        QVERIFY(window->ui().SAP1->isVisible());
        QCOMPARE(recentItems(*window), captionsFor({path}));
        QVERIFY(m_fx.messages.isEmpty());
    }

    void bytesBecomeTheRightText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << QByteArray("one\r\ntwo\r\n\r\nfour")
                               << QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral(""),
                                              QStringLiteral("four")};
        QTest::newRow("Windows-1252") << QByteArray("Gr\xFC\xDF"
                                                    "e \x80 5 \x93q\x94")
                                      << QStringList{QStringLiteral(u"Grüße € 5 “q”")};
        QTest::newRow("empty file") << QByteArray() << QStringList{QString()};
    }

    void bytesBecomeTheRightText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        auto window = m_fx.start();
        window->ui().Text1->setPlainText(QStringLiteral("typed before"));
        const QString path = writeFile(QStringLiteral("doc.txt"), bytes);

        m_fx.open(*window, path);
        QStringList shown;
        for (QTextBlock block = window->ui().Text1->document()->begin(); block.isValid(); block = block.next())
            shown << block.text();
        QCOMPARE(shown, lines);
        QCOMPARE(window->windowTitle(), QStringLiteral("TTS - doc.txt"));
        QCOMPARE(recentItems(*window), captionsFor({path}));
    }

    void aRecentFileThatCannotBeReadChangesNothing()
    {
        auto window = m_fx.start();
        const QString gone = writeFile(QStringLiteral("gone.txt"), "gone");
        const QString kept = writeFile(QStringLiteral("kept.txt"), "kept");
        m_fx.open(*window, gone);
        m_fx.open(*window, kept);
        QVERIFY(QFile::remove(gone));
        window->ui().Text1->setPlainText(QStringLiteral("the user's own words"));

        window->ui().mnuMRU[2]->trigger();
        m_fx.settle(*window);
        QCOMPARE(m_fx.messages.size(), 1);
        QCOMPARE(m_fx.messages[0].title, QStringLiteral("Sonti"));
        QCOMPARE(m_fx.messages[0].text, QStringLiteral("Sorry! Unable to open the file : ") + gone);
        QCOMPARE(m_fx.messages[0].icon, QMessageBox::Warning);
        QCOMPARE(window->ui().Text1->toPlainText(), QStringLiteral("the user's own words"));
        QCOMPARE(window->windowTitle(), QStringLiteral("TTS - kept.txt"));
        QCOMPARE(recentItems(*window), captionsFor({kept, gone}));
    }

    void reopeningAnItemMovesItToTheHead_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QList<int>>("order"); // files by number, newest first
        // Opened 1, 2, 3, 4: the menu shows 4, 3, 2, 1.
        QTest::newRow("item 3") << 3 << QList<int>{2, 4, 3, 1};
        QTest::newRow("item 4") << 4 << QList<int>{1, 4, 3, 2};
    }

    void reopeningAnItemMovesItToTheHead()
    {
        QFETCH(int, item);
        QFETCH(QList<int>, order);
        auto window = m_fx.start();
        QStringList files{QString()};
        for (int i = 1; i <= 4; ++i) {
            files << writeFile(QStringLiteral("f%1.txt").arg(i), "file " + QByteArray::number(i));
            m_fx.open(*window, files[i]);
        }
        window->ui().mnuMRU[item]->trigger();
        m_fx.settle(*window);
        QStringList expected;
        for (int number : order)
            expected << files[number];
        QCOMPARE(recentItems(*window), captionsFor(expected));
        QCOMPARE(window->ui().Text1->toPlainText(), QStringLiteral("file %1").arg(order[0]));
        QCOMPARE(window->windowTitle(), QStringLiteral("TTS - f%1.txt").arg(order[0]));
        QVERIFY(m_fx.messages.isEmpty());
    }

    // Documents beyond text open as their readable text; the reader's own
    // tests cover each format in depth.
    void documentsOpenAsTheirText_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("HTML") << QStringLiteral("page.html")
                              << QByteArray("<html><body><h1>Title</h1><p>Some <b>bold</b> words.</p></body></html>")
                              << QStringLiteral("Title\n\nSome bold words.");
        QTest::newRow("PDF") << QStringLiteral("paper.pdf") << pdfSaying(QStringLiteral("Hello from a PDF."))
                             << QStringLiteral("Hello from a PDF.");
        QTest::newRow("Markdown") << QStringLiteral("notes.md") << QByteArray("# Title\n\n*Some* words.\n")
                                  << QStringLiteral("Title\n\nSome words.");
    }

    void documentsOpenAsTheirText()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        auto window = m_fx.start();
        window->ui().ProcXML->setChecked(true);
        const QString path = writeFile(name, bytes);
        m_fx.open(*window, path);
        QCOMPARE(window->ui().Text1->toPlainText(), text);
        QCOMPARE(window->windowTitle(), QStringLiteral("TTS - ") + name);
        QCOMPARE(recentItems(*window), captionsFor({path}));
        QVERIFY(window->ui().ProcXML->isChecked()); // the user's choice, untouched
        QVERIFY(m_fx.messages.isEmpty());
    }

    void badDocumentsKeepTheText_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("broken PDF") << QStringLiteral("broken.pdf");
        QTest::newRow("folder") << QStringLiteral("folder");
        QTest::newRow("named pipe") << QStringLiteral("fifo");
        QTest::newRow("gone after the dialog") << QStringLiteral("gone.txt");
    }

    void badDocumentsKeepTheText()
    {
        QFETCH(QString, kind);
        auto window = m_fx.start();
        const QString kept = writeFile(QStringLiteral("kept.txt"), "kept");
        m_fx.open(*window, kept);
        window->ui().Text1->setPlainText(QStringLiteral("the user's own words"));
        QString path = m_files->filePath(kind);
        if (kind == u"broken.pdf")
            writeFile(kind, "%PDF-1.7 and nothing more");
        else if (kind == u"folder")
            QVERIFY(QDir().mkpath(path));
        else if (kind == u"fifo")
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);

        m_fx.open(*window, path);
        QCOMPARE(m_fx.messages.size(), 1);
        QCOMPARE(m_fx.messages[0].text, QStringLiteral("Sorry! Unable to open the file : ") + path);
        QCOMPARE(window->ui().Text1->toPlainText(), QStringLiteral("the user's own words"));
        QCOMPARE(window->windowTitle(), QStringLiteral("TTS - kept.txt"));
        QCOMPARE(recentItems(*window), captionsFor({kept}));
    }

    // A document arrives in slices; it must come out as the whole text put
    // in at once would, line breaks and all, and fresh: nothing to undo,
    // unmodified, the cursor at the start, the box's own font.
    void aDocumentArrivesWhole_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray line("A line of text to be read aloud, with a few words in it.");
        QTest::newRow("LF") << (line + '\n').repeated(4000);
        QTest::newRow("CR LF") << (line + "\r\n").repeated(4000);
        QTest::newRow("CR LF across two slices") << QByteArray(65535, 'a') + "\r\nnext\r\n" + line;
        QTest::newRow("CR") << (line + '\r').repeated(4000);
        QTest::newRow("one long line") << line.repeated(4000) + "\nand a short one";
        // Dear by the line: goes in by small slices, none splitting a break.
        QTest::newRow("empty lines, CR LF") << QByteArray("\r\n").repeated(150000) + "end";
        QTest::newRow("long and short lines")
            << (line.repeated(2000) + "\r\n" + QByteArray("\r\n").repeated(40000)).repeated(3);
        QTest::newRow("UTF-8, blank lines") << QByteArray("Gr\xC3\xBC\xC3\x9F"
                                                          "e \xE2\x82\xAC\n\n")
                                                   .repeated(30000);
    }

    void aDocumentArrivesWhole()
    {
        QFETCH(QByteArray, bytes);
        auto window = m_fx.start();
        QPlainTextEdit *box = window->ui().Text1;
        box->zoomIn(3);
        box->setPlainText(QStringLiteral("typed before"));
        m_fx.open(*window, writeFile(QStringLiteral("long.txt"), bytes));

        QPlainTextEdit whole;
        whole.setPlainText(QString::fromUtf8(bytes));
        QCOMPARE(box->blockCount(), whole.blockCount());
        QVERIFY(box->toPlainText() == whole.toPlainText());
        QVERIFY(!box->document()->isUndoAvailable());
        QVERIFY(!box->document()->isModified());
        QCOMPARE(box->textCursor().position(), 0);
        QCOMPARE(box->document()->defaultFont(), box->font());
        QVERIFY(!box->isReadOnly());
        QCOMPARE(window->windowTitle(), QStringLiteral("TTS - long.txt"));
    }

    // Cancelling a long load, or opening another file meanwhile, leaves the
    // text, the caption and the recent files as they were; the box takes
    // input again and the next file opens.
    void aCancelledLoadKeepsEverything_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << QStringLiteral("cancel");
        QTest::newRow("Cancel while the box fills") << QStringLiteral("cancel filling");
        QTest::newRow("another file at once") << QStringLiteral("another");
    }

    void aCancelledLoadKeepsEverything()
    {
        QFETCH(QString, how);
        auto window = m_fx.start();
        QPlainTextEdit *box = window->ui().Text1;
        const QString kept = writeFile(QStringLiteral("kept.txt"), "kept");
        m_fx.open(*window, kept);
        box->setPlainText(QStringLiteral("the user's own words"));
        QTextDocument *before = box->document();
        const QString big = writeFile(QStringLiteral("big.txt"), QByteArray("Line after line.\n").repeated(2'500'000));
        const QString small = writeFile(QStringLiteral("small.txt"), "small");

        m_fx.dialog->answers << big;
        window->ui().mnuOpen->trigger();
        QVERIFY(window->isOpening());
        // Speak waits for the whole document rather than reading its start.
        window->ui().cmdTalk->click();
        QVERIFY(window->ui().cmdTalk->isEnabled());
        if (how == u"another") {
            m_fx.open(*window, small);
            QCOMPARE(box->toPlainText(), QStringLiteral("small"));
            QCOMPARE(window->windowTitle(), QStringLiteral("TTS - small.txt"));
            QCOMPARE(recentItems(*window), captionsFor({small, kept}));
            QVERIFY(m_fx.messages.isEmpty());
            return;
        }
        // A long load shows its progress after a moment; its Cancel ends it.
        QProgressDialog *progress = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((progress = window->findChild<QProgressDialog *>()) && progress->isVisible(), 10000);
        if (how == u"cancel filling")
            QTRY_VERIFY_WITH_TIMEOUT(box->document() != before, 10000);
        QVERIFY(window->isOpening());
        progress->findChild<QPushButton *>()->click();
        QVERIFY(!window->isOpening());
        QCOMPARE(box->document(), before);
        QCOMPARE(box->toPlainText(), QStringLiteral("the user's own words"));
        QVERIFY(!box->isReadOnly());
        QCOMPARE(window->windowTitle(), QStringLiteral("TTS - kept.txt"));
        QCOMPARE(recentItems(*window), captionsFor({kept}));
        QVERIFY(m_fx.messages.isEmpty());
        QTRY_VERIFY(!window->findChild<QProgressDialog *>());

        m_fx.open(*window, small);
        QCOMPARE(box->toPlainText(), QStringLiteral("small"));
        QCOMPARE(recentItems(*window), captionsFor({small, kept}));
    }

    void openingWhileSpeakingReplacesTheTextAndSpeechGoesOn()
    {
        auto window = m_fx.start();
        const frmTTSUi &ui = window->ui();
        ui.Text1->setPlainText(QStringLiteral("one two three four five six seven eight nine ten"));
        QSignalSpy ends(window->Voice.get(), &SpVoice::EndStream);
        QSignalSpy words(window->Voice.get(), &SpVoice::Word);
        ui.cmdTalk->click();
        QTRY_VERIFY(!words.isEmpty());
        QVERIFY(ends.isEmpty());
        QVERIFY(ui.mnuOpen->isEnabled());

        m_fx.open(*window, writeFile(QStringLiteral("new.txt"), "new text"));
        QCOMPARE(ui.Text1->toPlainText(), QStringLiteral("new text"));
        QCOMPARE(window->windowTitle(), QStringLiteral("TTS - new.txt"));
        QVERIFY(!ui.cmdTalk->isEnabled());
        m_fx.clock->advance(std::chrono::seconds(60));
        QTRY_COMPARE(ends.size(), 1);
        QVERIFY(ui.cmdTalk->isEnabled());
        QCOMPARE(ui.Text1->toPlainText(), QStringLiteral("new text"));
        QVERIFY(m_fx.messages.isEmpty());
    }
};

QTEST_MAIN(tst_frmTTSDocuments)
#include "tst_frmTTSDocuments.moc"
