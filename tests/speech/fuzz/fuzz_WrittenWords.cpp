// libFuzzer target for the mapping of engine words to written words: any
// text, plain or markup, with any engine words must give spans inside the
// string given to Speak, in order, never overlapping, never starting or
// ending with white space and never splitting a surrogate pair.
#include "SapiMarkupParser.h"
#include "WrittenWords.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        abort();
}

bool splitsPair(const QString &s, qsizetype at)
{
    return at > 0 && at < s.size() && s.at(at).isLowSurrogate() && s.at(at - 1).isHighSurrogate();
}

// Engine words that wander over the whole text and past its ends, as a
// confused engine's might.
QList<TextSpan> engineWords(const QString &text, uint32_t seed)
{
    QList<TextSpan> words;
    const int n = int(text.size());
    uint32_t x = seed | 1;
    for (int i = 0; i < 48; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        const int position = int(x % uint32_t(n + 6)) - 3;
        const int length = int((x >> 16) % 14) - 2;
        words.append({position, length});
    }
    return words;
}

void check(const QString &source, uint32_t seed)
{
    QList<SpeechFragment> fragments;
    if (source.startsWith(u'<')) {
        const SapiMarkupParser::Result result =
            SapiMarkupParser([](const QString &, const QString &) { return QString(); }).parse(source);
        if (!result.ok())
            return;
        fragments = result.fragments;
    } else {
        SpeechFragment plain;
        plain.text = source;
        fragments.append(plain);
    }
    int through = 0;
    for (const SpeechFragment &f : std::as_const(fragments)) {
        if (f.kind != SpeechFragment::Kind::Text)
            continue;
        WrittenWords words(f.text, f.sourceOffsets, source, through);
        for (const TextSpan &word : engineWords(f.text, seed++)) {
            const std::optional<TextSpan> span = words.next(word);
            if (!span)
                continue;
            require(span->length > 0 && span->position >= through && span->end() <= source.size());
            require(!splitsPair(source, span->position) && !splitsPair(source, span->end()));
            require(!source.at(span->position).isSpace() && !source.at(span->end() - 1).isSpace());
            through = span->end();
            require(words.reportedThrough() == through);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    uint32_t seed = 2166136261u;
    for (size_t i = 0; i < size; ++i)
        seed = (seed ^ data[i]) * 16777619u;
    // Pasted text arrives as UTF-8; raw UTF-16 also reaches lone surrogates.
    check(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)), seed);
    check(QString(reinterpret_cast<const QChar *>(data), qsizetype(size / 2)), seed);
    return 0;
}
