// The resampler module: libsoxr's functions, for FormatConverter.

#include "SoxrFunctions.h"

extern "C" [[gnu::visibility("default")]] const SoxrFunctions *sonti_soxr_functions()
{
    static constexpr SoxrFunctions functions{soxr_io_spec, soxr_quality_spec, soxr_create, soxr_process, soxr_delete};
    return &functions;
}
