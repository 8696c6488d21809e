#pragma once

#include "SontiError.h"
#include "SpAudioFormat.h"

#include <QByteArrayView>

// Where the voice's audio goes, one output stream per Speak. The sink keeps
// a bounded buffer ahead of playback, so the synthesis thread that writes
// into it is held back instead of memory growing, and it is the clock that
// says which frame of the stream is being heard.
//
// Threads: connect, prepare, flush, setPaused and position come from the
// voice's thread; start, write, drain and finish from the synthesis thread.
class AudioSink
{
public:
    struct Position
    {
        qint64 tag = 0;       // the stream being played (the tag given to start)
        qint64 frames = 0;    // frames of it heard so far
        bool playing = false; // the stream is open and not paused
    };

    virtual ~AudioSink() = default;

    // Makes sure the output device can be reached; fails within about a
    // second when it cannot.
    virtual SontiError connect() = 0;
    // Gets ready for a first stream of this format without waiting for
    // anything, so that the first start is as quick as later ones. What
    // fails here is left for connect and start to report.
    virtual void prepare(const SpAudioFormat &) {}
    // Opens a new output stream; tags increase from stream to stream. A tag
    // that was flushed already fails at once.
    virtual SontiError start(qint64 tag, const SpAudioFormat &format) = 0;
    // Appends audio, blocking while the buffer is full. Returns false when
    // the stream was flushed or failed (error() says which).
    virtual bool write(QByteArrayView data) = 0;
    // Blocks until everything written has been heard; false when flushed or
    // failed first.
    virtual bool drain() = 0;
    // Closes the stream opened by start.
    virtual void finish() = 0;
    // Drops the audio of every stream up to this tag at once and wakes a
    // blocked write or drain.
    virtual void flush(qint64 throughTag) = 0;
    // Holds playback (and the clock) until resumed; also applies to streams
    // started while held.
    virtual void setPaused(bool paused) = 0;
    virtual Position position() = 0;
    // The failure that ended the last write or drain, if any.
    virtual SontiError error() const = 0;
};
