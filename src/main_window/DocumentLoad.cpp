#include "DocumentLoad.h"

#include "DocumentReader.h"
#include "FileDlg.h"
#include "FirstPaintReport.h"
#include "OpenProgress.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

#include <atomic>
#include <ctime>
#include <mutex>
#include <new>
#include <utility>

namespace {

// The processor time this thread has used, ns: what an insertion costs,
// whatever else the machine runs meanwhile.
qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace

struct DocumentLoad::Job
{
    QString path;
    QString title;
    std::atomic_bool cancel = false;
    std::atomic_int percent = 0;
    // Handed from the reader's thread under the lock.
    std::mutex mutex;
    bool ready = false;
    LoadedDocument document;
};

DocumentLoad::DocumentLoad(QPlainTextEdit *textBox, QWidget *owner)
    : m_textBox(textBox)
    , m_owner(owner)
{
    m_fillTimer.setSingleShot(true);
    // Its pauses are a few milliseconds.
    m_fillTimer.setTimerType(Qt::PreciseTimer);
    m_fillTimer.callOnTimeout(this, &DocumentLoad::fillSome);
    // A signal rather than a posted lambda: Qt allocates the queued call
    // itself, so nothing made on a reader's thread is freed on this one.
    connect(this, &DocumentLoad::readerNews, this, &DocumentLoad::takeNews, Qt::QueuedConnection);
}

DocumentLoad::~DocumentLoad()
{
    if (m_job)
        m_job->cancel = true;
    m_fillTimer.stop();
    // The readers call back to this object until they end.
    for (Worker &worker : m_workers)
        worker.thread.join();
}

void DocumentLoad::runElsewhere(std::function<void()> work)
{
    std::erase_if(m_workers, [](Worker &worker) {
        if (!worker.done->load())
            return false;
        worker.thread.join();
        return true;
    });
    auto done = std::make_shared<std::atomic_bool>(false);
    m_workers.push_back({std::thread([work = std::move(work), done]() mutable {
                             work();
                             work = nullptr; // what it held is freed here too
                             done->store(true);
                         }),
                         done});
}

void DocumentLoad::start(const QString &path)
{
    cancel();
    auto job = std::make_shared<Job>();
    job->path = path;
    m_job = job;
    m_progress = std::make_unique<OpenProgress>(m_owner, FileDlg::FileTitle(path), [this] { cancel(); });
    runElsewhere([this, job] {
        // Reading is the first half of the bar, filling the box the second.
        const ExtractionControl control(
            [this, job](int percent) {
                job->percent = percent / 2;
                Q_EMIT readerNews(QPrivateSignal());
            },
            &job->cancel);
        LoadedDocument document = DocumentReader::read(job->path, control);
        // A cancelled load's text is freed here, not on the window's thread.
        if (job->cancel)
            return;
        {
            const std::lock_guard lock(job->mutex);
            job->document = std::move(document);
            job->ready = true;
        }
        Q_EMIT readerNews(QPrivateSignal());
    });
}

void DocumentLoad::takeNews()
{
    // Older readers' news finds nothing for them: only the current job counts.
    const std::shared_ptr<Job> job = m_job;
    if (!job)
        return;
    LoadedDocument document;
    bool ready = false;
    {
        const std::lock_guard lock(job->mutex);
        ready = std::exchange(job->ready, false);
        if (ready)
            document = std::move(job->document);
    }
    if (ready)
        received(job, std::move(document));
    else if (m_progress)
        m_progress->setValue(job->percent);
}

void DocumentLoad::cancel()
{
    if (!m_job)
        return;
    m_job->cancel = true;
    if (m_filling)
        restore();
    end();
    Q_EMIT abandoned();
}

void DocumentLoad::received(const std::shared_ptr<Job> &job, LoadedDocument document)
{
    if (!document.ok()) {
        end();
        Q_EMIT failed(job->path, document.error);
        return;
    }
    job->title = document.title;
    m_text = std::move(document.text);
    m_done = 0;
    m_pace = FillPace();
    QTextDocument *current = m_textBox->document();
    m_previous = current;
    m_filling = newDocumentLike(*current);
    show(m_filling);
    Q_EMIT filling();
    // A small document is complete within this turn.
    fillSome();
}

void DocumentLoad::fillSome()
{
    QElapsedTimer clock;
    clock.start();
    const qint64 turnCpu = threadCpuNs();
    try {
        QTextCursor end(m_filling);
        end.movePosition(QTextCursor::End);
        end.beginEditBlock();
        do {
            const qsizetype to = FillPace::sliceEnd(m_text, m_done, m_pace.sliceUnits());
            const qint64 cpu = threadCpuNs();
            end.insertText(m_text.mid(m_done, to - m_done));
            m_pace.inserted(to - m_done, threadCpuNs() - cpu);
            m_done = to;
        } while (m_done < m_text.size() && !FillPace::turnOver(clock.nsecsElapsed()));
        end.endEditBlock();
    } catch (const std::bad_alloc &) {
        const QString path = m_job->path;
        restore();
        end();
        Q_EMIT failed(
            path, SontiError(SontiError::OutOfMemory, QStringLiteral("OpenDocument"), QStringLiteral("Out of memory")));
        return;
    }
    if (m_progress)
        m_progress->setValue(50 + int(m_done * 50 / std::max<qsizetype>(m_text.size(), 1)));
    if (m_done < m_text.size())
        m_fillTimer.start(m_pace.turnEnded(clock.nsecsElapsed(), threadCpuNs() - turnCpu));
    else
        finish();
}

void DocumentLoad::finish()
{
    // As setPlainText leaves a box: nothing to undo, unmodified, the cursor
    // at the start.
    m_filling->setUndoRedoEnabled(true);
    m_filling->setModified(false);
    m_textBox->setTextCursor(QTextCursor(m_filling));
    FirstPaintReport::watch(m_textBox->viewport(), "document");
    m_textBox->viewport()->update();
    QTextDocument *replaced = m_previous;
    m_previous = nullptr;
    m_filling = nullptr;
    const std::shared_ptr<Job> job = m_job;
    end();
    retire(replaced);
    Q_EMIT loaded(job->path, job->title);
}

void DocumentLoad::restore()
{
    QTextDocument *partial = m_filling;
    if (m_previous)
        show(m_previous);
    m_previous = nullptr;
    m_filling = nullptr;
    retire(partial);
}

void DocumentLoad::end()
{
    m_fillTimer.stop();
    m_job.reset();
    m_progress.reset();
    // Handing back hundreds of MB to the system takes a while too.
    if (!m_text.isNull())
        runElsewhere([text = std::exchange(m_text, QString())] {});
    m_done = 0;
}

QTextDocument *DocumentLoad::newDocumentLike(const QTextDocument &current)
{
    auto *document = new QTextDocument(m_textBox);
    auto *layout = new QPlainTextDocumentLayout(document);
    if (auto *shown = qobject_cast<QPlainTextDocumentLayout *>(current.documentLayout()))
        layout->setCursorWidth(shown->cursorWidth());
    document->setDocumentLayout(layout);
    // What the box set on its own document (the font follows zooming).
    document->setDefaultFont(current.defaultFont());
    document->setDefaultTextOption(current.defaultTextOption());
    document->setDocumentMargin(current.documentMargin());
    document->setUseDesignMetrics(current.useDesignMetrics());
    document->setPageSize(current.pageSize());
    document->setUndoRedoEnabled(false);
    return document;
}

void DocumentLoad::show(QTextDocument *document)
{
    // The box deletes a document it owns when given another: every document
    // shown belongs to the box itself instead, and this class frees them.
    QTextDocument *current = m_textBox->document();
    if (current->parent() != m_textBox)
        current->setParent(m_textBox);
    // The lit word's cursor points into the document going away.
    m_textBox->setExtraSelections({});
    document->documentLayout()->setPaintDevice(m_textBox->viewport());
    m_textBox->setDocument(document);
}

void DocumentLoad::retire(QTextDocument *document)
{
    if (!document)
        return;
    // Freeing millions of blocks and their layouts takes a good part of a
    // second: off the window's thread, where nothing else can reach it.
    document->setParent(nullptr);
    document->moveToThread(nullptr);
    runElsewhere([document] { delete document; });
}
