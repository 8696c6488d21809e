#pragma once

#include <QByteArrayView>
#include <QString>

// Turns a file's bytes into text without losing any of them: UTF-8 (the
// locale's encoding) when the bytes are valid UTF-8, one initial byte-order
// mark removed; otherwise Windows-1252, where the five bytes that code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control
// characters of the same value. Line breaks and NUL bytes are kept as they are.
//
// One decoder for every way text comes in from a file: File > Open, a
// voice's Speak of a file name, and sonti-say's file and standard input.
// Total over any input, so it doubles as the decoder's fuzzing entry point.
class TextDecoder
{
public:
    static QString decode(QByteArrayView bytes);

    // Strict: a truncated, overlong or surrogate sequence is not valid.
    static bool isValidUtf8(QByteArrayView bytes);

    static QString fromWindows1252(QByteArrayView bytes);
};
