#include "TextSource.h"

#include "DocumentReader.h"
#include "TextDecoder.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {
constexpr qsizetype LongPiece = 64 * 1024;

SontiError readError(const QString &what, const QString &reason)
{
    return SontiError(SontiError::FileNotFound, QStringLiteral("sonti-say"),
                      QStringLiteral("cannot read %1: %2").arg(what, reason));
}

bool readable(int fd, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
}
}

// Blocking reads on a thread of its own, so that a pipe or a terminal that
// stays quiet holds nothing else up; a pipe to itself wakes it to stop.
class TextSource::StandardInputReader
{
public:
    StandardInputReader(TextSource &source, bool inPieces)
        : m_source(source)
        , m_inPieces(inPieces)
    {
        if (::pipe(m_wake) != 0)
            m_wake[0] = m_wake[1] = -1;
    }

    ~StandardInputReader()
    {
        stop();
        if (m_wake[0] >= 0) {
            ::close(m_wake[0]);
            ::close(m_wake[1]);
        }
    }

    void start()
    {
        m_thread = std::thread([this] { run(); });
    }

    void stop()
    {
        if (!m_thread.joinable())
            return;
        const char byte = 0;
        if (::write(m_wake[1], &byte, 1) < 0) {
            // The thread still ends at the end of its input.
        }
        m_thread.join();
    }

private:
    void run()
    {
        QByteArray pending;
        char buffer[16384];
        for (;;) {
            pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
            if (::poll(fds, m_wake[0] >= 0 ? 2 : 1, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return finish(pending, readError(QStringLiteral("standard input"), errnoText()));
            }
            if (fds[1].revents)
                return;
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n < 0)
                return finish(pending, readError(QStringLiteral("standard input"), errnoText()));
            if (n == 0)
                return finish(pending, {});
            pending.append(buffer, n);
            if (!m_inPieces)
                continue;
            const bool idle = !readable(STDIN_FILENO, 0);
            for (qsizetype end = pieceEnd(pending, idle); end > 0; end = pieceEnd(pending, idle)) {
                post(pending.left(end));
                pending.remove(0, end);
            }
        }
    }

    static QString errnoText() { return QString::fromLocal8Bit(std::strerror(errno)); }

    void post(const QByteArray &bytes)
    {
        QMetaObject::invokeMethod(
            &m_source, [source = &m_source, bytes] { source->deliver(bytes); }, Qt::QueuedConnection);
    }

    void finish(const QByteArray &pending, const SontiError &error)
    {
        if (!pending.isEmpty())
            post(pending);
        QMetaObject::invokeMethod(
            &m_source, [source = &m_source, error] { Q_EMIT source->finished(error); }, Qt::QueuedConnection);
    }

    TextSource &m_source;
    const bool m_inPieces;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
};

TextSource::~TextSource() = default;

std::unique_ptr<TextSource> TextSource::fromText(const QString &text)
{
    std::unique_ptr<TextSource> source(new TextSource);
    source->m_text = text;
    return source;
}

std::unique_ptr<TextSource> TextSource::fromFile(const QString &path, SontiError &error)
{
    // The window's reader: PDF, EPUB, office documents, HTML and Markdown
    // give their text, anything else is decoded as text.
    LoadedDocument document = DocumentReader::read(path);
    if (!document.ok()) {
        error = readError(path, document.error.description());
        return nullptr;
    }
    return fromText(document.text);
}

std::unique_ptr<TextSource> TextSource::fromStandardInput(bool inPieces)
{
    std::unique_ptr<TextSource> source(new TextSource);
    source->m_whole = false;
    source->m_reader = std::make_unique<StandardInputReader>(*source, inPieces);
    return source;
}

void TextSource::start()
{
    if (m_reader) {
        m_reader->start();
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_text.isEmpty())
                Q_EMIT piece(m_text, 0);
            Q_EMIT finished({});
        },
        Qt::QueuedConnection);
}

void TextSource::stop()
{
    if (m_reader)
        m_reader->stop();
    // Whatever the reader posted before it stopped goes unheard.
    disconnect(this, nullptr, nullptr, nullptr);
}

void TextSource::deliver(const QByteArray &bytes)
{
    const QString text = decode(bytes);
    const qsizetype offset = m_offset;
    m_offset += text.size();
    Q_EMIT piece(text, offset);
}

QString TextSource::decode(QByteArrayView bytes)
{
    return TextDecoder::decode(bytes);
}

qsizetype TextSource::pieceEnd(QByteArrayView pending, bool idle)
{
    // A paragraph ends at a blank line.
    for (qsizetype at = pending.indexOf('\n'); at >= 0; at = pending.indexOf('\n', at + 1)) {
        qsizetype next = at + 1;
        while (next < pending.size() && (pending[next] == ' ' || pending[next] == '\t' || pending[next] == '\r'))
            ++next;
        if (next < pending.size() && pending[next] == '\n')
            return next + 1;
    }
    const qsizetype lastLine = pending.lastIndexOf('\n');
    if (idle || pending.size() >= LongPiece) {
        if (lastLine >= 0)
            return lastLine + 1;
    }
    if (pending.size() >= LongPiece) {
        // One endless line: cut at a space, or at least between characters.
        const qsizetype space = pending.lastIndexOf(' ');
        if (space > 0)
            return space + 1;
        qsizetype last = pending.size() - 1;
        while (last > 0 && (quint8(pending[last]) & 0xC0) == 0x80)
            --last;
        return last > 0 ? last : pending.size();
    }
    return 0;
}
