#include "SoundFileSink.h"

#include <sndfile.h>

#include <QFileInfo>
#include <QSaveFile>
#include <QSysInfo>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// libsndfile writes straight through: hand it larger blocks than the
// synthesiser's chunks, to spare thousands of system calls. A chunk of at
// least DirectSamples is worth its system call and goes to libsndfile
// without a copy when nothing is waiting before it.
constexpr size_t BufferedSamples = 32768;
constexpr size_t DirectSamples = 8192;

// Committing syncs the file to disk before it replaces the old one. Handing
// the kernel each few megabytes to write back as they come spares commit()
// waiting for the whole file at the end.
constexpr qint64 WritebackBytes = qint64(4) << 20;

// The lengths espeak-ng and sox use for a WAV stream of unknown length.
constexpr quint32 OpenDataLength = 0x7ffff000;

QByteArray streamingWavHeader(const SpAudioFormat &format)
{
    QByteArray header(44, '\0');
    char *h = header.data();
    std::memcpy(h, "RIFF", 4);
    qToLittleEndian<quint32>(OpenDataLength + 36, h + 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, h + 16);
    qToLittleEndian<quint16>(1, h + 20);
    qToLittleEndian<quint16>(quint16(format.channels()), h + 22);
    qToLittleEndian<quint32>(quint32(format.sampleRate()), h + 24);
    qToLittleEndian<quint32>(quint32(format.sampleRate() * format.blockAlign()), h + 28);
    qToLittleEndian<quint16>(quint16(format.blockAlign()), h + 32);
    qToLittleEndian<quint16>(quint16(format.bitsPerSample()), h + 34);
    std::memcpy(h + 36, "data", 4);
    qToLittleEndian<quint32>(OpenDataLength, h + 40);
    return header;
}

int sndfileFormat(SoundFileSink::Container container, int bits)
{
    switch (container) {
    case SoundFileSink::Container::Flac: return SF_FORMAT_FLAC | (bits == 8 ? SF_FORMAT_PCM_S8 : SF_FORMAT_PCM_16);
    case SoundFileSink::Container::Ogg: return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    case SoundFileSink::Container::Wav: break;
    }
    return SF_FORMAT_RF64 | (bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
}

// Devices, pipes and the names of open descriptors are written in place:
// there is nothing to replace atomically, and replacing /dev/full with a
// regular file would be a disaster.
bool writtenInPlace(const QString &path)
{
    if (path == u"-" || path.startsWith(u"/dev/") || path.startsWith(u"/proc/"))
        return true;
    const QFileInfo info(path);
    return info.exists() && !info.isFile() && !info.isDir();
}

// libsndfile's messages without their "System error : " and final stop.
QString reasonFrom(const char *message)
{
    QString reason = QString::fromUtf8(message).trimmed();
    if (const qsizetype colon = reason.indexOf(u" : "); colon >= 0 && reason.startsWith(u"System error"))
        reason = reason.mid(colon + 3);
    if (reason.endsWith(u'.'))
        reason.chop(1);
    return reason;
}

bool isRegularFile(int fd)
{
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}
}

SoundFileSink::SoundFileSink(QString path, const SpAudioFormat &format)
    : m_path(std::move(path))
    , m_format(format)
    , m_container(containerFor(m_path))
{}

SoundFileSink::~SoundFileSink()
{
    std::lock_guard lock(m_mutex);
    discardLocked();
}

SoundFileSink::Container SoundFileSink::containerFor(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"flac")
        return Container::Flac;
    if (suffix == u"ogg" || suffix == u"oga")
        return Container::Ogg;
    return Container::Wav;
}

SontiError SoundFileSink::failure(const QString &reason) const
{
    const QString name = m_path == u"-" ? QStringLiteral("standard output") : m_path;
    return SontiError(SontiError::PathNotFound, QStringLiteral("SoundFileSink"),
                      QStringLiteral("Cannot write %1: %2").arg(name, reason));
}

SontiError SoundFileSink::open()
{
    std::lock_guard lock(m_mutex);
    return openLocked();
}

SontiError SoundFileSink::openLocked()
{
    if (m_opened || m_error.isError())
        return m_error;
    m_opened = true;
    if (m_path == u"-") {
        m_fd = STDOUT_FILENO;
    } else if (writtenInPlace(m_path)) {
        m_fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (m_fd < 0)
            return m_error = failure(QString::fromLocal8Bit(std::strerror(errno)));
        m_ownsFd = true;
    } else {
        m_saveFile = std::make_unique<QSaveFile>(m_path);
        // Unbuffered: libsndfile writes through the descriptor itself.
        if (!m_saveFile->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return m_error = failure(m_saveFile->errorString());
        m_fd = m_saveFile->handle();
    }

    if (m_container == Container::Wav && !isRegularFile(m_fd) && ::lseek(m_fd, 0, SEEK_CUR) < 0) {
        // A pipe: libsndfile cannot go back to complete the header.
        const QByteArray header = streamingWavHeader(m_format);
        if (!writeAllToFd(header.constData(), header.size()))
            return m_error;
        return {};
    }
    SF_INFO info{};
    info.samplerate = m_format.sampleRate();
    info.channels = m_format.channels();
    info.format = sndfileFormat(m_container, m_format.bitsPerSample());
    m_sound = sf_open_fd(m_fd, SFM_WRITE, &info, SF_FALSE);
    if (!m_sound)
        return m_error = failure(reasonFrom(sf_strerror(nullptr)));
    if (m_container == Container::Wav)
        sf_command(m_sound, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    return {};
}

SontiError SoundFileSink::commit()
{
    std::lock_guard lock(m_mutex);
    if (m_committed)
        return {};
    if (SontiError opened = openLocked(); opened.isError()) {
        discardLocked();
        return opened;
    }
    if (m_sound && !m_samples.empty()) {
        writeSamplesLocked(m_samples.data(), m_samples.size());
        m_samples.clear();
    }
    if (m_sound && !m_error.isError()) {
        // Closing writes the header's final lengths.
        const int status = sf_close(m_sound);
        m_sound = nullptr;
        if (status != 0)
            m_error = failure(reasonFrom(sf_error_number(status)));
    }
    if (!m_error.isError() && m_saveFile) {
        if (!m_saveFile->commit())
            m_error = failure(m_saveFile->errorString());
        m_saveFile.reset();
    }
    if (!m_error.isError() && m_ownsFd) {
        if (::close(m_fd) != 0)
            m_error = failure(QString::fromLocal8Bit(std::strerror(errno)));
        m_ownsFd = false;
    }
    if (m_error.isError()) {
        discardLocked();
        return m_error;
    }
    m_fd = -1;
    m_committed = true;
    return {};
}

void SoundFileSink::discardLocked()
{
    if (m_sound) {
        sf_close(m_sound);
        m_sound = nullptr;
    }
    if (m_saveFile) {
        m_saveFile->cancelWriting();
        m_saveFile.reset();
    }
    if (m_ownsFd)
        ::close(m_fd);
    m_ownsFd = false;
    m_fd = -1;
}

SontiError SoundFileSink::connect()
{
    return {};
}

SontiError SoundFileSink::start(qint64 tag, const SpAudioFormat &format)
{
    std::lock_guard lock(m_mutex);
    m_tag = tag;
    m_streamFrames = 0;
    if (SontiError opened = openLocked(); opened.isError())
        return opened;
    if (m_committed || (!m_sound && m_fd < 0))
        return m_error = failure(QStringLiteral("the file is already complete"));
    if (!(format == m_format))
        return m_error = failure(QStringLiteral("one file cannot hold two audio formats"));
    return {};
}

bool SoundFileSink::write(QByteArrayView data)
{
    std::lock_guard lock(m_mutex);
    if (m_error.isError() || m_tag <= m_flushedThrough || m_committed)
        return false;
    if (!writeLocked(data))
        return false;
    m_streamFrames += data.size() / m_format.blockAlign();
    return true;
}

bool SoundFileSink::writeLocked(QByteArrayView data)
{
    if (!m_sound)
        return writeAllToFd(data.data(), data.size());
    const size_t count = size_t(data.size() / (m_format.bitsPerSample() / 8));
    // 16-bit little-endian PCM is already the host's shorts here; libsndfile
    // takes it as it is.
    const bool native = m_format.bitsPerSample() == 16 && QSysInfo::ByteOrder == QSysInfo::LittleEndian
        && reinterpret_cast<quintptr>(data.data()) % alignof(short) == 0;
    if (native) {
        const auto *samples = reinterpret_cast<const short *>(data.data());
        if (m_samples.empty() && count >= DirectSamples)
            return writeSamplesLocked(samples, count);
        m_samples.insert(m_samples.end(), samples, samples + count);
    } else if (m_format.bitsPerSample() == 8) {
        for (size_t i = 0; i < count; ++i)
            m_samples.push_back(short((int(quint8(data[qsizetype(i)])) - 128) * 256));
    } else {
        for (size_t i = 0; i < count; ++i)
            m_samples.push_back(qFromLittleEndian<qint16>(data.data() + 2 * i));
    }
    if (m_samples.size() < BufferedSamples)
        return true;
    const bool written = writeSamplesLocked(m_samples.data(), m_samples.size());
    m_samples.clear();
    return written;
}

void SoundFileSink::startWritebackLocked()
{
#ifdef Q_OS_LINUX
    if (!m_saveFile || m_unsyncedBytes < WritebackBytes)
        return;
    m_unsyncedBytes = 0;
    const off_t end = ::lseek(m_fd, 0, SEEK_CUR);
    if (end <= m_writebackFrom)
        return;
    // Only starts the writing: commit()'s sync still waits for all of it.
    ::sync_file_range(m_fd, m_writebackFrom, end - m_writebackFrom, SYNC_FILE_RANGE_WRITE);
    m_writebackFrom = end;
#endif
}

bool SoundFileSink::writeSamplesLocked(const short *samples, size_t count)
{
    const sf_count_t frames = sf_count_t(count) / m_format.channels();
    if (sf_writef_short(m_sound, samples, frames) != frames) {
        m_error = failure(reasonFrom(sf_strerror(m_sound)));
        return false;
    }
    m_unsyncedBytes += qint64(count) * qint64(sizeof(short));
    startWritebackLocked();
    return true;
}

bool SoundFileSink::writeAllToFd(const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_error = failure(QString::fromLocal8Bit(std::strerror(n < 0 ? errno : EIO)));
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

bool SoundFileSink::drain()
{
    std::lock_guard lock(m_mutex);
    return !m_error.isError() && m_tag > m_flushedThrough;
}

void SoundFileSink::flush(qint64 throughTag)
{
    std::lock_guard lock(m_mutex);
    m_flushedThrough = std::max(m_flushedThrough, throughTag);
}

AudioSink::Position SoundFileSink::position()
{
    std::lock_guard lock(m_mutex);
    return {m_tag, m_streamFrames, m_tag > m_flushedThrough && !m_error.isError()};
}

SontiError SoundFileSink::error() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}
