#include "SpAudioFormat.h"

#include "SontiError.h"

namespace {
constexpr int FirstPcm = SAFT8kHz8BitMono;
constexpr int LastPcm = SAFT48kHz16BitStereo;
constexpr int Rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
}

bool SpAudioFormat::isSupported(int type)
{
    return type >= FirstPcm && type <= LastPcm;
}

void SpAudioFormat::setType(int type)
{
    if (type == SAFTDefault)
        type = SAFT22kHz16BitMono;
    if (!isSupported(type))
        throw SontiError(SontiError::InvalidProcedureCall, QStringLiteral("SpAudioFormat"),
                         QStringLiteral("Audio format type %1 is not supported").arg(type));
    m_type = type;
}

int SpAudioFormat::sampleRateOf(int type)
{
    return isSupported(type) ? Rates[(type - FirstPcm) / 4] : 0;
}

// Within each rate the order is 8-bit mono, 8-bit stereo, 16-bit mono, 16-bit stereo.
int SpAudioFormat::channelsOf(int type)
{
    return isSupported(type) ? 1 + (type - FirstPcm) % 2 : 0;
}

int SpAudioFormat::bitsOf(int type)
{
    return isSupported(type) ? ((type - FirstPcm) % 4 < 2 ? 8 : 16) : 0;
}
