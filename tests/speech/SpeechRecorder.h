#pragma once

#include "SpVoice.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>

// Records every event a voice raises, in order, with the time it arrived.
class SpeechRecorder : public QObject
{
    Q_OBJECT

public:
    struct Event
    {
        QString kind; // "start", "end", "word", "viseme", "level", "bookmark"
        int stream = 0;
        qint64 position = 0;
        int a = 0, b = 0, c = 0, d = 0; // word: pos, length; viseme: duration, next, feature, id; level
        QString mark;
        qint64 atMs = 0; // since the recorder was made
    };

    explicit SpeechRecorder(SpVoice &voice)
    {
        m_clock.start();
        connect(&voice, &SpVoice::StartStream, this, [this](int s, qint64 p) { add(ev("start", s, p)); });
        connect(&voice, &SpVoice::EndStream, this, [this](int s, qint64 p) { add(ev("end", s, p)); });
        connect(&voice, &SpVoice::Word, this,
                [this](int s, qint64 p, int pos, int len) { add(ev("word", s, p, pos, len)); });
        connect(&voice, &SpVoice::Viseme, this, [this](int s, qint64 p, int dur, int next, int f, int id) {
            add(ev("viseme", s, p, dur, next, f, id));
        });
        connect(&voice, &SpVoice::AudioLevel, this,
                [this](int s, qint64 p, int level) { add(ev("level", s, p, level)); });
        connect(&voice, &SpVoice::Bookmark, this, [this](int s, qint64 p, const QString &mark, int id) {
            Event e = ev("bookmark", s, p, id);
            e.mark = mark;
            add(e);
        });
    }

    QList<Event> events;

    QList<Event> of(const QString &kind) const
    {
        QList<Event> result;
        for (const Event &e : events) {
            if (e.kind == kind)
                result.append(e);
        }
        return result;
    }
    int count(const QString &kind) const { return int(of(kind).size()); }
    qint64 elapsed() const { return m_clock.elapsed(); }

private:
    static Event ev(const char *kind, int stream, qint64 position, int a = 0, int b = 0, int c = 0, int d = 0)
    {
        Event e;
        e.kind = QString::fromLatin1(kind);
        e.stream = stream;
        e.position = position;
        e.a = a;
        e.b = b;
        e.c = c;
        e.d = d;
        return e;
    }

    void add(Event e)
    {
        e.atMs = m_clock.elapsed();
        events.append(e);
    }

    QElapsedTimer m_clock;
};
