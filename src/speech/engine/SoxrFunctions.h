#pragma once

#include <soxr.h>

// The libsoxr functions FormatConverter uses, handed out by the resampler
// module (libsonti_soxr.so): most streams play at the voice's own rate, so
// libsoxr (and the OpenMP runtime it brings) is loaded only when a stream
// first needs resampling. The module and the programs are built together.
struct SoxrFunctions
{
    decltype(&soxr_io_spec) ioSpec;
    decltype(&soxr_quality_spec) qualitySpec;
    decltype(&soxr_create) create;
    decltype(&soxr_process) process;
    decltype(&soxr_delete) destroy;
};

// The module's one exported function, returning its table.
#define SONTI_SOXR_FUNCTIONS_ENTRY "sonti_soxr_functions"
using SoxrFunctionsEntry = const SoxrFunctions *(*)();
