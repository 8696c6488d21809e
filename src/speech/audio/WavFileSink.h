#pragma once

#include "AudioSink.h"

#include <QFile>

#include <mutex>

// Writes the voice's output to a RIFF WAVE file instead of a device: as
// fast as the synthesiser goes, so every written frame counts as heard at
// once. Each stream rewrites the file; drain completes its header.
class WavFileSink : public AudioSink
{
public:
    explicit WavFileSink(QString path);
    ~WavFileSink() override;

    SontiError connect() override;
    SontiError start(qint64 tag, const SpAudioFormat &format) override;
    bool write(QByteArrayView data) override;
    bool drain() override;
    void finish() override;
    void flush(qint64 throughTag) override;
    void setPaused(bool) override {}
    Position position() override;
    SontiError error() const override;

private:
    bool writeHeaderLocked();
    SontiError fileErrorLocked(const QString &doing) const;

    mutable std::mutex m_mutex;
    QString m_path;
    QFile m_file;
    SpAudioFormat m_format;
    SontiError m_error;
    qint64 m_tag = 0;
    qint64 m_flushedThrough = 0;
    qint64 m_dataBytes = 0;
};
