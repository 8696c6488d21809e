#pragma once

#include "AudioSink.h"

#include <QString>

#include <memory>
#include <mutex>

class QSaveFile;
struct sf_private_tag;

// Writes the voice's output to a sound file instead of a device, as fast as
// the synthesiser goes, so every written frame counts as heard at once.
// Every stream goes into the same file, one after the other. libsndfile
// writes it: FLAC for a .flac name, Ogg Vorbis for .ogg or .oga, otherwise
// WAV, which becomes RF64 once it outgrows the 4 GiB a WAV header can
// describe.
//
// A regular file appears under its name only when commit() succeeds: until
// then it is written to a temporary file in the same folder, so a failure
// or an interruption leaves whatever was there before. Devices and pipes
// (/dev/null, a FIFO, /dev/stdout) are written directly, and "-" means
// standard output; where nothing can be rewritten afterwards, a WAV goes out
// as a stream whose header leaves its length open, as espeak-ng writes one.
class SoundFileSink : public AudioSink
{
public:
    enum class Container { Wav, Flac, Ogg };

    // Every stream must come in this format.
    SoundFileSink(QString path, const SpAudioFormat &format);
    // Discards the file unless it was committed.
    ~SoundFileSink() override;
    SoundFileSink(const SoundFileSink &) = delete;
    SoundFileSink &operator=(const SoundFileSink &) = delete;

    static Container containerFor(const QString &path);

    // Creates the file (the temporary one for a regular file) and writes its
    // header, so that an unwritable folder or a full disk shows before
    // anything is spoken. start() opens it when this was not called.
    SontiError open();
    // Completes the file and puts it in place; fails with the first error of
    // any write, and then leaves the old file as it was.
    SontiError commit();

    SontiError connect() override;
    SontiError start(qint64 tag, const SpAudioFormat &format) override;
    bool write(QByteArrayView data) override;
    bool drain() override;
    void finish() override {}
    void flush(qint64 throughTag) override;
    void setPaused(bool) override {}
    Position position() override;
    SontiError error() const override;

private:
    SontiError openLocked();
    bool writeLocked(QByteArrayView data);
    bool writeSamplesLocked(const short *samples, size_t count);
    bool writeAllToFd(const char *data, qint64 size);
    void startWritebackLocked();
    SontiError failure(const QString &reason) const;
    void discardLocked();

    mutable std::mutex m_mutex;
    const QString m_path;
    const SpAudioFormat m_format;
    const Container m_container;
    std::unique_ptr<QSaveFile> m_saveFile; // a regular file, until committed
    int m_fd = -1;                         // where the bytes go
    bool m_ownsFd = false;
    sf_private_tag *m_sound = nullptr; // libsndfile's handle; null for a WAV stream
    bool m_opened = false;
    bool m_committed = false;
    SontiError m_error;
    qint64 m_tag = 0;
    qint64 m_flushedThrough = 0;
    qint64 m_streamFrames = 0;
    std::vector<short> m_samples; // converted, not yet handed to libsndfile
    qint64 m_unsyncedBytes = 0;   // written since the last writeback began
    qint64 m_writebackFrom = 0;
};
