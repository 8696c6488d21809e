#include "EventPrinter.h"

#include "SpVoice.h"

#include <QJsonDocument>
#include <QJsonObject>

EventPrinter::EventPrinter(SpVoice &voice, int blockAlign, std::FILE *out, QObject *parent)
    : QObject(parent)
    , m_blockAlign(std::max(blockAlign, 1))
    , m_out(out)
{
    connect(&voice, &SpVoice::StartStream, this, [this](int, qint64 position) {
        line(QByteArray("{\"event\":\"start\",\"sample\":") + QByteArray::number(sampleOf(position)) + '}');
    });
    connect(&voice, &SpVoice::EndStream, this, [this](int, qint64 position) {
        line(QByteArray("{\"event\":\"end\",\"sample\":") + QByteArray::number(sampleOf(position)) + '}');
    });
    connect(&voice, &SpVoice::Word, this, [this](int, qint64 position, int pos, int length) {
        line(QByteArray("{\"event\":\"word\",\"sample\":") + QByteArray::number(sampleOf(position))
             + ",\"pos\":" + QByteArray::number(pos) + ",\"length\":" + QByteArray::number(length) + '}');
    });
    connect(&voice, &SpVoice::Viseme, this, [this](int, qint64 position, int duration, int next, int feature, int id) {
        line(QByteArray("{\"event\":\"viseme\",\"sample\":") + QByteArray::number(sampleOf(position))
             + ",\"duration\":" + QByteArray::number(duration) + ",\"next\":" + QByteArray::number(next)
             + ",\"feature\":" + QByteArray::number(feature) + ",\"id\":" + QByteArray::number(id) + '}');
    });
    connect(&voice, &SpVoice::AudioLevel, this, [this](int, qint64 position, int level) {
        line(QByteArray("{\"event\":\"level\",\"sample\":") + QByteArray::number(sampleOf(position))
             + ",\"level\":" + QByteArray::number(level) + '}');
    });
    connect(&voice, &SpVoice::Bookmark, this, [this](int, qint64 position, const QString &mark, int) {
        QJsonObject o{{"event", "bookmark"}, {"sample", sampleOf(position)}, {"mark", mark}};
        line(QJsonDocument(o).toJson(QJsonDocument::Compact));
    });
}

void EventPrinter::line(const QByteArray &json)
{
    std::fwrite(json.constData(), 1, size_t(json.size()), m_out);
    std::fputc('\n', m_out);
}
