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
#include <mutex>
#include <new>
#include <utility>

namespace {

// Text goes in by slices of at most SliceUnits UTF-16 code units, as many per
// turn of the event loop as fit in TurnBudgetMs; the box then lays out only
// the new blocks and paints what is in view.
constexpr qsizetype SliceUnits = 64 * 1024;
constexpr qint64 TurnBudgetMs = 12;

// Where the slice from start ends: after its last line break (\n, \r\n or
// \r), so every slice begins a block of its own, as the whole text would
// have. A line longer than a slice goes in whole: the box lays out again the
// block that an insertion grows, so slices of one long line would cost its
// square.
qsizetype sliceEnd(const QString &text, qsizetype start)
{
    const qsizetype limit = std::min(text.size(), start + SliceUnits);
    if (limit == text.size())
        return limit;
    const auto isBreak = [](QChar c) { return c == u'\n' || c == u'\r'; };
    qsizetype end = limit;
    while (end > start && !isBreak(text.at(end - 1)))
        --end;
    if (end == start) {
        end = limit;
        while (end < text.size() && !isBreak(text.at(end)))
            ++end;
        end = std::min(end + 1, text.size());
    }
    // "\r\n" is one break.
    if (text.at(end - 1) == u'\r' && end < text.size() && text.at(end) == u'\n')
        ++end;
    return end;
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
    try {
        QTextCursor end(m_filling);
        end.movePosition(QTextCursor::End);
        end.beginEditBlock();
        while (m_done < m_text.size() && clock.elapsed() < TurnBudgetMs) {
            const qsizetype to = sliceEnd(m_text, m_done);
            end.insertText(m_text.mid(m_done, to - m_done));
            m_done = to;
        }
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
        m_fillTimer.start(0);
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
