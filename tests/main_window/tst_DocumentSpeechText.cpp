#include "DocumentSpeechText.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPlainTextDocumentLayout>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>

#include <atomic>
#include <thread>

// The synthesis thread reads the document through slices the UI thread cuts.
class tst_DocumentSpeechText : public QObject
{
    Q_OBJECT

private:
    // slice() from another thread, while this one runs its events.
    static QString sliceElsewhere(DocumentSpeechText &text, qsizetype from, qsizetype count)
    {
        QString result;
        std::atomic<bool> done = false;
        std::thread reader([&] {
            result = text.slice(from, count);
            done = true;
        });
        const QDeadlineTimer deadline(10000);
        while (!done && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!done)
            text.cancel();
        reader.join();
        return result;
    }

private Q_SLOTS:
    void slicesAreThePlainText()
    {
        // Paragraphs, a line separator and a no-break space read as
        // toPlainText() has them, at the same positions, past the first slice.
        QTextDocument document;
        QTextCursor cursor(&document);
        const QString line = QStringLiteral("One\u00a0line\u2028with a break.");
        for (int i = 0; i < 2000; ++i) {
            cursor.insertText(line);
            cursor.insertBlock();
        }
        const QString plain = document.toPlainText();
        DocumentSpeechText text(&document);
        QCOMPARE(text.size(), plain.size());
        for (const qsizetype from : {qsizetype(0), qsizetype(5), qsizetype(4096), plain.size() - 10}) {
            QCOMPARE(sliceElsewhere(text, from, 7000), plain.mid(from, 7000));
            QCOMPARE(text.slice(from, 100), plain.mid(from, 100));
        }
    }

    void aChangeOrCancelEndsTheText()
    {
        // Laid out, as a text box's document is: only then does it say
        // what changed.
        QTextDocument document(QStringLiteral("word ").repeated(5000));
        document.setDocumentLayout(new QPlainTextDocumentLayout(&document));
        DocumentSpeechText changed(&document);
        QTextCursor(&document).insertText(QStringLiteral("new "));
        QCOMPARE(sliceElsewhere(changed, 10000, 100), QString());

        // A slice waited for returns at once when the stream is purged,
        // though this thread never answers.
        DocumentSpeechText cancelled(&document);
        QString result = QStringLiteral("unset");
        std::thread reader([&] { result = cancelled.slice(10000, 100); });
        QThread::msleep(50);
        cancelled.cancel();
        reader.join();
        QCOMPARE(result, QString());
    }
};

QTEST_MAIN(tst_DocumentSpeechText)
#include "tst_DocumentSpeechText.moc"
