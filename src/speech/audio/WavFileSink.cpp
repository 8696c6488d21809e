#include "WavFileSink.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

WavFileSink::WavFileSink(QString path)
    : m_path(std::move(path))
{}

WavFileSink::~WavFileSink()
{
    finish();
}

SontiError WavFileSink::fileErrorLocked(const QString &doing) const
{
    return SontiError(SontiError::PathNotFound, QStringLiteral("WavFileSink"),
                      QStringLiteral("%1 %2: %3").arg(doing, m_path, m_file.errorString()));
}

SontiError WavFileSink::connect()
{
    return {};
}

SontiError WavFileSink::start(qint64 tag, const SpAudioFormat &format)
{
    std::lock_guard lock(m_mutex);
    m_file.close();
    m_tag = tag;
    m_format = format;
    m_dataBytes = 0;
    m_error = {};
    m_file.setFileName(m_path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate) || !writeHeaderLocked())
        m_error = fileErrorLocked(QStringLiteral("Cannot write"));
    return m_error;
}

bool WavFileSink::writeHeaderLocked()
{
    QByteArray header(44, '\0');
    char *h = header.data();
    const quint32 dataBytes = quint32(std::min<qint64>(m_dataBytes, 0xFFFFFFFFLL - 36));
    std::memcpy(h, "RIFF", 4);
    qToLittleEndian<quint32>(36 + dataBytes, h + 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, h + 16);
    qToLittleEndian<quint16>(1, h + 20);
    qToLittleEndian<quint16>(quint16(m_format.channels()), h + 22);
    qToLittleEndian<quint32>(quint32(m_format.sampleRate()), h + 24);
    qToLittleEndian<quint32>(quint32(m_format.sampleRate() * m_format.blockAlign()), h + 28);
    qToLittleEndian<quint16>(quint16(m_format.blockAlign()), h + 32);
    qToLittleEndian<quint16>(quint16(m_format.bitsPerSample()), h + 34);
    std::memcpy(h + 36, "data", 4);
    qToLittleEndian<quint32>(dataBytes, h + 40);
    return m_file.seek(0) && m_file.write(header) == header.size();
}

bool WavFileSink::write(QByteArrayView data)
{
    std::lock_guard lock(m_mutex);
    if (m_error.isError() || !m_file.isOpen() || m_tag <= m_flushedThrough)
        return false;
    if (m_file.write(data.data(), data.size()) != data.size()) {
        m_error = fileErrorLocked(QStringLiteral("Cannot write"));
        return false;
    }
    m_dataBytes += data.size();
    return true;
}

bool WavFileSink::drain()
{
    std::lock_guard lock(m_mutex);
    if (m_error.isError() || !m_file.isOpen())
        return false;
    if (!writeHeaderLocked() || !m_file.flush()) {
        m_error = fileErrorLocked(QStringLiteral("Cannot write"));
        return false;
    }
    m_file.seek(m_file.size());
    return true;
}

void WavFileSink::finish()
{
    std::lock_guard lock(m_mutex);
    m_file.close();
}

void WavFileSink::flush(qint64 throughTag)
{
    std::lock_guard lock(m_mutex);
    m_flushedThrough = std::max(m_flushedThrough, throughTag);
}

AudioSink::Position WavFileSink::position()
{
    std::lock_guard lock(m_mutex);
    return {m_tag, m_dataBytes / std::max(m_format.blockAlign(), 1), m_file.isOpen()};
}

SontiError WavFileSink::error() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}
