#pragma once

#include "FillPace.h"
#include "SontiError.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class OpenProgress;
class QPlainTextEdit;
class QTextDocument;
struct LoadedDocument;

// Puts a document file into the text box without stopping the window. The
// file is read and decoded on a worker thread (DocumentReader). Its text then
// goes into a new QTextDocument that the box shows while it fills, a slice
// per turn of the event loop: QPlainTextEdit lays out every block of a
// document it is given whole, on its own thread, so a built document cannot
// be handed over in one piece without a freeze of seconds. FillPace sizes
// the slices and spaces the turns. The document the box held stays aside
// until the new one is complete, so a cancelled or failed load gives it back
// as it was; the one replaced is freed on a worker.
//
// A long load shows OpenProgress, whose Cancel ends it. A new start()
// cancels the load under way: the last file asked for wins.
class DocumentLoad : public QObject
{
    Q_OBJECT

public:
    explicit DocumentLoad(QPlainTextEdit *textBox, QWidget *owner);
    ~DocumentLoad() override;

    void start(const QString &path);
    // What Cancel does; nothing when no load runs.
    void cancel();
    bool running() const { return bool(m_job); }

Q_SIGNALS:
    // The box now shows the new document, still filling.
    void filling();
    // The whole text is in the box. title: the file's display title.
    void loaded(const QString &path, const QString &title);
    // Nothing changed: the box holds the document it had.
    void failed(const QString &path, const SontiError &error);
    // Cancelled, or replaced by a newer start(): the box holds the document
    // it had.
    void abandoned();
    // From a reader's thread: it got further, or is done. Queued, and carries
    // nothing: what it has to say waits under the job's lock.
    void readerNews(QPrivateSignal);

private:
    struct Job;

    void takeNews();
    void received(const std::shared_ptr<Job> &job, LoadedDocument document);
    void fillSome();
    void finish();
    // Gives the box back the document it had before the load.
    void restore();
    void end();
    QTextDocument *newDocumentLike(const QTextDocument &current);
    void show(QTextDocument *document);
    void retire(QTextDocument *document);
    // Runs work on a thread of its own. std::thread, not a pool: its start
    // and join are hand-overs that ThreadSanitizer sees.
    void runElsewhere(std::function<void()> work);

    QPlainTextEdit *m_textBox;
    QWidget *m_owner;
    struct Worker
    {
        std::thread thread;
        std::shared_ptr<std::atomic_bool> done;
    };
    std::vector<Worker> m_workers;
    std::shared_ptr<Job> m_job;
    std::unique_ptr<OpenProgress> m_progress;
    // While a document fills: the one the box had, the new one, its text and
    // how much of it (UTF-16 code units) is in.
    QPointer<QTextDocument> m_previous;
    QPointer<QTextDocument> m_filling;
    QString m_text;
    qsizetype m_done = 0;
    FillPace m_pace;
    QTimer m_fillTimer;
};
