// libFuzzer target for the zip-based documents as a whole: any bytes give
// text, "not recognised" or an error, never a crash, a hang or a false
// success with an error set.
#include "ZipDocument.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray zip(reinterpret_cast<const char *>(data), qsizetype(size));
    const ExtractionControl control({}, nullptr, std::chrono::seconds(5));
    const ExtractedText result = ZipDocument::extract(zip, control);
    if (result.error.isError() && !result.text.isEmpty())
        abort();
    return 0;
}
