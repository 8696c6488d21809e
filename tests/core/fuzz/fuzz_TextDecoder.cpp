// libFuzzer target for the text decoder: any bytes decode, and no byte is
// lost or invented.
#include "TextDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
void require(bool condition)
{
    if (!condition)
        abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = TextDecoder::decode(bytes);
    if (TextDecoder::isValidUtf8(bytes)) {
        const QByteArrayView body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes;
        require(text.toUtf8() == body);
    } else {
        // Windows-1252: one character per byte, and back again.
        require(text.size() == bytes.size());
        for (qsizetype i = 0; i < text.size(); ++i)
            require(text.at(i) != QChar::ReplacementCharacter);
        require(TextDecoder::fromWindows1252(bytes) == text);
    }
    return 0;
}
