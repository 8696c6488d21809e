#include "EventPrinter.h"

#include "SpVoice.h"

#include <cerrno>
#include <cstring>

namespace {
QByteArray jsonString(const QString &text)
{
    QByteArray out("\"");
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (quint8(c) < 0x20)
                out += "\\u00" + QByteArray::number(quint8(c), 16).rightJustified(2, '0');
            else
                out += c;
        }
    }
    return out + '"';
}
}

EventPrinter::EventPrinter(SpVoice &voice, const SpAudioFormat &format, std::FILE *out, QObject *parent)
    : QObject(parent)
    , m_format(format)
    , m_out(out)
{
    connect(&voice, &SpVoice::StartStream, this, [this](int stream, qint64 position) {
        m_streams[stream].firstFrame = m_framesBefore;
        line(head("start", stream, position) + ",\"stream\":" + QByteArray::number(stream));
    });
    connect(&voice, &SpVoice::EndStream, this, [this](int stream, qint64 position) {
        line(head("end", stream, position) + ",\"stream\":" + QByteArray::number(stream));
        m_framesBefore = m_streams.value(stream).firstFrame + position / m_format.blockAlign();
        m_streams.remove(stream);
    });
    connect(&voice, &SpVoice::Word, this, [this](int stream, qint64 position, int pos, int length) {
        const Stream &s = m_streams[stream];
        line(head("word", stream, position) + ",\"pos\":" + QByteArray::number(s.offset + pos)
             + ",\"length\":" + QByteArray::number(length) + ",\"text\":" + jsonString(s.text.mid(pos, length)));
    });
    connect(&voice, &SpVoice::Viseme, this,
            [this](int stream, qint64 position, int duration, int next, int feature, int id) {
                line(head("viseme", stream, position) + ",\"id\":" + QByteArray::number(id)
                     + ",\"duration\":" + QByteArray::number(duration) + ",\"next\":" + QByteArray::number(next)
                     + ",\"feature\":" + QByteArray::number(feature));
            });
    connect(&voice, &SpVoice::AudioLevel, this, [this](int stream, qint64 position, int level) {
        line(head("level", stream, position) + ",\"level\":" + QByteArray::number(level));
    });
    connect(&voice, &SpVoice::Bookmark, this, [this](int stream, qint64 position, const QString &mark, int) {
        line(head("bookmark", stream, position) + ",\"mark\":" + jsonString(mark));
    });
}

void EventPrinter::addStream(int stream, const QString &text, qsizetype offset)
{
    Stream &s = m_streams[stream];
    s.text = text;
    s.offset = offset;
}

QByteArray EventPrinter::head(const char *event, int stream, qint64 position)
{
    const qint64 frame = m_streams.value(stream).firstFrame + position / m_format.blockAlign();
    const double ms = double(frame) * 1000.0 / m_format.sampleRate();
    return QByteArray("{\"event\":\"") + event + "\",\"ms\":" + QByteArray::number(ms, 'f', 1)
        + ",\"sample\":" + QByteArray::number(frame);
}

void EventPrinter::line(const QByteArray &json)
{
    if (m_failed)
        return;
    std::fwrite(json.constData(), 1, size_t(json.size()), m_out);
    std::fputs("}\n", m_out);
    // Each line as it happens, for a reader that follows the speech.
    if (std::fflush(m_out) != 0 || std::ferror(m_out)) {
        m_failed = true;
        Q_EMIT failed(QString::fromLocal8Bit(std::strerror(errno)));
    }
}
