#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// The bytes flite reads for a fragment, and the way back from its UTF-8
// byte offsets to UTF-16 offsets in the fragment's text. flite reads a C
// string, so a NUL would end the text early: it becomes a blank. A lone
// surrogate becomes U+FFFD. The text always ends with a newline, which
// flite needs to place its last token right, and a run of more than 100
// characters without a blank is cut with one.
class FliteInput
{
public:
    static FliteInput plain(const QString &text);
    // Every character a token of its own, which flite says by its name.
    static FliteInput spelled(const QString &text);
    // SAPI's phone symbols ("h eh 1 l ow & w er 1 l d") as flite's phone
    // string, between pauses; stress, syllable and word marks are dropped,
    // unknown symbols skipped. Empty when no phone is left.
    static QByteArray phonesFromSapi(const QString &sapiPhones);

    const QByteArray &bytes() const { return m_bytes; }
    // The UTF-16 offset of the character that byte belongs to; offsets at or
    // past the end give the text's length.
    int utf16At(qsizetype byte) const;
    // The word a token named `name` lies on: flite's file_pos is the start
    // of the token with its leading punctuation, and one short for a token
    // that ends the text. Returns the UTF-16 start and length, or a length
    // of 0 when the name is nowhere near.
    std::pair<int, int> tokenRange(qsizetype filePos, const QByteArray &name) const;

private:
    void append(char32_t codePoint, int utf16);
    void appendSeparator(int utf16);

    QByteArray m_bytes;
    std::vector<int> m_utf16; // per byte, plus one for the end
    int m_length = 0;
};
