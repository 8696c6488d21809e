#pragma once

#include "SontiError.h"
#include "SpAudioFormat.h"

#include <QByteArray>

#include <vector>

#include <span>

struct soxr;
struct SoxrFunctions;

// Converts the synthesiser's 16-bit mono audio into the output format:
// resampled with libsoxr when the rates differ (high quality, undithered so
// the same input gives the same output), mono copied to both channels for
// stereo, and 8-bit as unsigned bytes. libsoxr is loaded (SoxrFunctions)
// by the first converter that resamples. One converter serves one stream;
// finish() flushes what the resampler still holds. When the resampler
// cannot be made, error() says so and nothing must be converted: audio
// passed through unresampled would play at the wrong speed. The input rate
// may change between chunks (a voice of another engine): setInputRate
// flushes what was said at the old rate, and frames are counted on from
// there.
class FormatConverter
{
public:
    FormatConverter(int inputRate, const SpAudioFormat &output);
    ~FormatConverter();
    FormatConverter(const FormatConverter &) = delete;
    FormatConverter &operator=(const FormatConverter &) = delete;

    const SontiError &error() const { return m_error; }

    // Appends the converted audio to out; mono, unless null, receives the
    // 16-bit mono frames at the output rate (for the level meter: a stream
    // nobody measures spares the copy).
    void convert(std::span<const qint16> input, QByteArray &out, std::vector<qint16> *mono);
    void finish(QByteArray &out, std::vector<qint16> *mono);
    // Appends what the old rate still holds, then takes input at this rate.
    void setInputRate(int inputRate, QByteArray &out, std::vector<qint16> *mono);
    int inputRate() const { return m_inputRate; }

    // The output frame at which an input sample (counted over every chunk
    // given so far, whatever its rate) is heard.
    qint64 outputFrameOf(qint64 inputSample) const;

private:
    void open();
    void emitFrames(std::span<const qint16> frames, QByteArray &out, std::vector<qint16> *mono);

    int m_inputRate = 0;
    SpAudioFormat m_format;
    const SoxrFunctions *m_soxrFunctions = nullptr; // libsoxr, once a resampler was needed
    soxr *m_soxr = nullptr;
    SontiError m_error;
    std::vector<qint16> m_resampled;
    qint64 m_inputTotal = 0;  // samples given
    qint64 m_outputTotal = 0; // frames produced
    qint64 m_inputBase = 0;   // where the current rate began, in input and output
    qint64 m_outputBase = 0;
};
