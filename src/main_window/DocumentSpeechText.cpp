#include "DocumentSpeechText.h"

#include "SapiMarkupReader.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <mutex>

struct DocumentSpeechText::Shared
{
    std::mutex mutex;
    std::condition_variable answered;
    bool cancelled = false;
    bool changed = false;
    quint64 asked = 0;
    quint64 served = 0;
    QString answer;
    QTextDocument *document = nullptr; // null once destroyed
};

DocumentSpeechText::DocumentSpeechText(QTextDocument *document)
    : m_shared(std::make_shared<Shared>())
    , m_size(std::max(document->characterCount() - 1, 0))
    , m_first(textOf(document, 0, SapiMarkupReader::FirstSliceLength))
{
    m_shared->document = document;
    const auto changed = [shared = std::weak_ptr<Shared>(m_shared)](bool destroyed) {
        if (const auto s = shared.lock()) {
            const std::lock_guard lock(s->mutex);
            s->changed = true;
            if (destroyed)
                s->document = nullptr;
        }
    };
    m_changed = QObject::connect(document, &QTextDocument::contentsChange, document,
                                 [changed](int, int, int) { changed(false); });
    m_destroyed = QObject::connect(document, &QObject::destroyed, document, [changed] { changed(true); });
}

DocumentSpeechText::~DocumentSpeechText()
{
    // Connections may be dropped from any thread.
    QObject::disconnect(m_changed);
    QObject::disconnect(m_destroyed);
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
    const std::shared_ptr<Shared> shared = m_shared;
    std::unique_lock lock(shared->mutex);
    if (shared->cancelled || shared->changed || !shared->document)
        return {};
    if (QThread::currentThread() == shared->document->thread())
        return textOf(shared->document, from, count);
    const quint64 ticket = ++shared->asked;
    QTextDocument *document = shared->document;
    // Cut out between two events of the document's thread; the waiting
    // thread wakes when it is done, or when the stream is purged. Posted
    // under the lock, so the document cannot go meanwhile.
    QMetaObject::invokeMethod(
        document,
        [shared, document, ticket, from, count] {
            QString text = textOf(document, from, count);
            const std::lock_guard guard(shared->mutex);
            if (shared->changed)
                text.clear();
            shared->answer = std::move(text);
            shared->served = ticket;
            shared->answered.notify_all();
        },
        Qt::QueuedConnection);
    shared->answered.wait(lock, [&] { return shared->cancelled || shared->served >= ticket; });
    if (shared->served < ticket)
        return {};
    return std::exchange(shared->answer, QString());
}

void DocumentSpeechText::cancel()
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->cancelled = true;
    m_shared->answered.notify_all();
}
