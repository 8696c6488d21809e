#include "DocumentSpeechText.h"

#include "SapiMarkupReader.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <utility>

struct DocumentSpeechText::Shared
{
    std::mutex mutex;
    std::condition_variable answered;
    bool cancelled = false;
    bool changed = false;
    bool gone = false; // the document was destroyed
    // The slice asked for, and the answer; tickets tell them apart.
    quint64 asked = 0;
    quint64 served = 0;
    qsizetype from = 0;
    qsizetype count = 0;
    QString answer;
};

// Cuts the slices out on the document's thread. Everything it needs it takes
// from Shared under the lock, so the call posted to it carries no data.
class DocumentSpeechText::Server : public QObject
{
public:
    Server(QTextDocument *document, std::shared_ptr<Shared> shared)
        : QObject(document)
        , m_document(document)
        , m_shared(std::move(shared))
    {}

    void serve()
    {
        std::unique_lock lock(m_shared->mutex);
        const quint64 ticket = m_shared->asked;
        const qsizetype from = m_shared->from, count = m_shared->count;
        if (m_shared->served >= ticket)
            return;
        lock.unlock();
        QString text = textOf(m_document, from, count);
        lock.lock();
        m_shared->answer = m_shared->changed ? QString() : std::move(text);
        m_shared->served = ticket;
        m_shared->answered.notify_all();
    }

private:
    QTextDocument *m_document;
    std::shared_ptr<Shared> m_shared;
};

DocumentSpeechText::DocumentSpeechText(QTextDocument *document)
    : m_shared(std::make_shared<Shared>())
    , m_size(std::max(document->characterCount() - 1, 0))
    , m_first(textOf(document, 0, SapiMarkupReader::FirstSliceLength))
{
    m_server = new Server(document, m_shared);
    const auto changed = [shared = std::weak_ptr<Shared>(m_shared)](bool destroyed) {
        if (const auto s = shared.lock()) {
            const std::lock_guard lock(s->mutex);
            s->changed = true;
            s->gone = s->gone || destroyed;
        }
    };
    m_changed = QObject::connect(document, &QTextDocument::contentsChange, document,
                                 [changed](int, int, int) { changed(false); });
    m_destroyed = QObject::connect(document, &QObject::destroyed, document, [changed] { changed(true); });
}

DocumentSpeechText::~DocumentSpeechText()
{
    // Connections may be dropped from any thread, and the server is deleted
    // on its own. The document, whose destruction takes the lock before it
    // deletes its children, cannot go meanwhile.
    QObject::disconnect(m_changed);
    QObject::disconnect(m_destroyed);
    const std::lock_guard lock(m_shared->mutex);
    if (!m_shared->gone)
        m_server->deleteLater();
}

QString DocumentSpeechText::textOf(QTextDocument *document, qsizetype from, qsizetype count)
{
    const int size = std::max(document->characterCount() - 1, 0);
    const int begin = int(std::clamp<qsizetype>(from, 0, size));
    const int end = int(std::clamp<qsizetype>(from + std::max<qsizetype>(count, 0), begin, size));
    if (begin == end)
        return {};
    QTextCursor cursor(document);
    cursor.setPosition(begin);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    QString text = cursor.selectedText();
    // As toPlainText() has them: paragraph and line ends and frame marks as
    // line feeds, no-break spaces as spaces.
    for (QChar &c : text) {
        switch (c.unicode()) {
        case 0xfdd0:
        case 0xfdd1:
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator: c = u'\n'; break;
        case QChar::Nbsp: c = u' '; break;
        default: break;
        }
    }
    return text;
}

QString DocumentSpeechText::slice(qsizetype from, qsizetype count)
{
    if (from + count <= m_first.size() || (m_first.size() == m_size && from <= m_size))
        return m_first.mid(from, count);
    std::unique_lock lock(m_shared->mutex);
    if (m_shared->cancelled || m_shared->changed)
        return {};
    if (QThread::currentThread() == m_server->thread())
        return textOf(static_cast<QTextDocument *>(m_server->parent()), from, count);
    const quint64 ticket = ++m_shared->asked;
    m_shared->from = from;
    m_shared->count = count;
    // Cut out between two events of the document's thread; the waiting
    // thread wakes when it is done, or when the stream is purged. Posted
    // under the lock, so the document cannot go meanwhile.
    QMetaObject::invokeMethod(m_server, &Server::serve, Qt::QueuedConnection);
    m_shared->answered.wait(lock, [&] { return m_shared->cancelled || m_shared->served >= ticket; });
    if (m_shared->served < ticket)
        return {};
    return std::exchange(m_shared->answer, QString());
}

void DocumentSpeechText::cancel()
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->cancelled = true;
    m_shared->answered.notify_all();
}
