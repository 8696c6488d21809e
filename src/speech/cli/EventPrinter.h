#pragma once

#include <QObject>

#include <cstdio>

class SpVoice;

// Writes every event of a voice to a stream as one JSON line, with its
// position in output frames ("sample") from the start of the stream.
class EventPrinter : public QObject
{
    Q_OBJECT

public:
    EventPrinter(SpVoice &voice, int blockAlign, std::FILE *out, QObject *parent = nullptr);

private:
    void line(const QByteArray &json);
    qint64 sampleOf(qint64 streamPosition) const { return streamPosition / m_blockAlign; }

    int m_blockAlign;
    std::FILE *m_out;
};
