#pragma once

#include "SpAudioFormat.h"

#include <QHash>
#include <QObject>

#include <cstdio>

class SpVoice;

// Writes a voice's events to a stream as JSON lines for scripts, each when
// the voice raises it: while playing, when its audio is heard. Every line
// has "event", "ms" (the time in the audio) and "sample" (the output frame);
// both count from the start of the output, across every stream of the run.
// Words add "pos" and "length" (UTF-16 units into the whole text) and
// "text", the word as written; the other kinds add their own fields.
class EventPrinter : public QObject
{
    Q_OBJECT

public:
    EventPrinter(SpVoice &voice, const SpAudioFormat &format, std::FILE *out, QObject *parent = nullptr);

    // A stream's text and its offset in the whole text.
    void addStream(int stream, const QString &text, qsizetype offset);

Q_SIGNALS:
    // The lines could not be written (the reader went away); no more follow.
    void failed(const QString &reason);

private:
    struct Stream
    {
        QString text;
        qsizetype offset = 0;
        qint64 firstFrame = 0;
    };

    QByteArray head(const char *event, int stream, qint64 position);
    void line(const QByteArray &json);

    SpAudioFormat m_format;
    std::FILE *m_out;
    QHash<int, Stream> m_streams;
    qint64 m_framesBefore = 0; // of the streams that have ended
    bool m_failed = false;
};
