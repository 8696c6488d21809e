#include "FormatConverter.h"

#include "EngineError.h"
#include "SoxrFunctions.h"
#include "SpeechModule.h"

namespace {
// libsoxr, from the resampler module, loaded by the first stream that needs
// it; null, with the reason in error, when it cannot be.
const SoxrFunctions *soxrFunctions(QString &error)
{
    static QString loadError;
    static const SoxrFunctions *const functions = [] {
        const auto entry = reinterpret_cast<SoxrFunctionsEntry>(
            SpeechModule::symbol(QStringLiteral(SONTI_SOXR_MODULE), SONTI_SOXR_FUNCTIONS_ENTRY, loadError));
        return entry ? entry() : nullptr;
    }();
    error = loadError;
    return functions;
}
}

FormatConverter::FormatConverter(int inputRate, const SpAudioFormat &output)
    : m_inputRate(inputRate)
    , m_format(output)
{
    open();
}

void FormatConverter::open()
{
    const int inputRate = m_inputRate;
    const SpAudioFormat &output = m_format;
    m_error = {};
    if (inputRate == output.sampleRate())
        return;
    const QString doing = QStringLiteral("Converting %1 Hz to %2 Hz").arg(inputRate).arg(output.sampleRate());
    QString loadError;
    m_soxrFunctions = soxrFunctions(loadError);
    if (!m_soxrFunctions) {
        m_error = EngineError::fromSoxr(qPrintable(loadError), doing);
        return;
    }
    soxr_io_spec_t io = m_soxrFunctions->ioSpec(SOXR_INT16_I, SOXR_INT16_I);
    io.flags |= SOXR_NO_DITHER;
    const soxr_quality_spec_t quality = m_soxrFunctions->qualitySpec(SOXR_HQ, 0);
    soxr_error_t error = nullptr;
    m_soxr = m_soxrFunctions->create(inputRate, output.sampleRate(), 1, &error, &io, &quality, nullptr);
    if (error || !m_soxr) {
        m_error = EngineError::fromSoxr(error ? error : "no resampler", doing);
        if (m_soxr)
            m_soxrFunctions->destroy(m_soxr);
        m_soxr = nullptr;
    }
}

FormatConverter::~FormatConverter()
{
    if (m_soxr)
        m_soxrFunctions->destroy(m_soxr);
}

void FormatConverter::setInputRate(int inputRate, QByteArray &out, std::vector<qint16> *mono)
{
    if (inputRate == m_inputRate)
        return;
    finish(out, mono);
    if (m_soxr)
        m_soxrFunctions->destroy(m_soxr);
    m_soxr = nullptr;
    m_inputRate = inputRate;
    // The resampler's output was flushed whole: count on from what it gave.
    m_inputBase = m_inputTotal;
    m_outputBase = m_outputTotal;
    open();
}

qint64 FormatConverter::outputFrameOf(qint64 inputSample) const
{
    const qint64 since = inputSample - m_inputBase;
    if (m_inputRate == m_format.sampleRate() || m_inputRate <= 0)
        return m_outputBase + since;
    return m_outputBase + (since * m_format.sampleRate() + m_inputRate / 2) / m_inputRate;
}

void FormatConverter::convert(std::span<const qint16> input, QByteArray &out, std::vector<qint16> *mono)
{
    if (m_error.isError())
        return;
    m_inputTotal += qint64(input.size());
    if (!m_soxr) {
        emitFrames(input, out, mono);
        return;
    }
    // Room for the whole chunk at the new rate plus what the filter holds.
    const size_t capacity = size_t(qint64(input.size()) * m_format.sampleRate() / m_inputRate) + 1024;
    m_resampled.resize(capacity);
    size_t consumed = 0;
    while (consumed < input.size()) {
        size_t used = 0, produced = 0;
        m_soxrFunctions->process(m_soxr, input.data() + consumed, input.size() - consumed, &used, m_resampled.data(),
                                 capacity, &produced);
        consumed += used;
        emitFrames(std::span(m_resampled.data(), produced), out, mono);
        if (used == 0 && produced == 0)
            break;
    }
}

void FormatConverter::finish(QByteArray &out, std::vector<qint16> *mono)
{
    if (!m_soxr)
        return;
    m_resampled.resize(4096);
    for (;;) {
        size_t produced = 0;
        m_soxrFunctions->process(m_soxr, nullptr, 0, nullptr, m_resampled.data(), m_resampled.size(), &produced);
        emitFrames(std::span(m_resampled.data(), produced), out, mono);
        if (produced < m_resampled.size())
            break;
    }
}

void FormatConverter::emitFrames(std::span<const qint16> frames, QByteArray &out, std::vector<qint16> *mono)
{
    if (frames.empty())
        return;
    m_outputTotal += qint64(frames.size());
    if (mono)
        mono->insert(mono->end(), frames.begin(), frames.end());
    const int channels = m_format.channels();
    const qsizetype start = out.size();
    if (m_format.bitsPerSample() == 8) {
        out.resize(start + qsizetype(frames.size()) * channels);
        auto *p = reinterpret_cast<quint8 *>(out.data() + start);
        for (const qint16 s : frames) {
            const quint8 u = quint8((s >> 8) + 128);
            for (int c = 0; c < channels; ++c)
                *p++ = u;
        }
    } else {
        out.resize(start + qsizetype(frames.size()) * channels * 2);
        auto *p = reinterpret_cast<qint16 *>(out.data() + start);
        if (channels == 1) {
            std::copy(frames.begin(), frames.end(), p);
        } else {
            for (const qint16 s : frames) {
                *p++ = s;
                *p++ = s;
            }
        }
    }
}
