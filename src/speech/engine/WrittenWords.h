#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <vector>

// A range of UTF-16 units.
struct TextSpan
{
    int position = 0;
    int length = 0;

    int end() const { return position + length; }
    bool operator==(const TextSpan &) const = default;
};

// Turns a synthesiser's word events into the words as they are written, so
// the word lit is the word read, whatever the engine made of it: "2007"
// spoken as four words, "€12" as "twelve euros", "don't" reported up to its
// apostrophe. A written word is a run of non-space characters without its
// leading and trailing punctuation; it is reported once and whole, with the
// first engine word that falls in it. An engine word in white space or
// punctuation belongs to the written word beside it. Scripts written
// without spaces (Chinese, Japanese, Thai…) keep the engine's own units,
// and an emoji is a word of its own. Spans never start or end with white
// space, never repeat and never overlap the one before.
//
// Engine words are UTF-16 ranges of the text the synthesiser spoke; the
// spans come back in the string given to Speak, through the fragment's
// source offsets (see SpeechFragment) and, where entities were decoded,
// the source itself.
class WrittenWords
{
public:
    // sourceOffsets empty: text is the source from sourceBase on. source may
    // be empty when it holds no entities; it begins at sourceBase.
    // reportedThrough: the source offset up to which earlier fragments of
    // the stream reported words.
    WrittenWords(const QString &text, const QList<qsizetype> &sourceOffsets = {}, const QString &source = {},
                 int reportedThrough = 0, qsizetype sourceBase = 0);

    // The written word an engine word belongs to, as a span of the source;
    // nothing when it was reported already.
    std::optional<TextSpan> next(TextSpan engineWord);
    int reportedThrough() const { return m_sourceReported; }

    // The spans a sequence of engine words gives.
    static QList<TextSpan> map(const QString &text, const QList<TextSpan> &engineWords,
                               const QList<qsizetype> &sourceOffsets = {}, const QString &source = {});

private:
    struct Segment
    {
        int start = 0;
        int end = 0;
        bool units = false; // a run of a script without spaces: the engine's units count
    };

    void segment();
    std::optional<TextSpan> inText(int start, int end) const;
    int neighbour(int start, int end) const;
    int sourceStart(int at) const;
    int sourceEnd(int at) const;

    // Copies share the caller's data.
    QString m_text;
    QList<qsizetype> m_offsets;
    QString m_source;
    qsizetype m_base = 0;
    std::vector<Segment> m_segments;
    bool m_segmented = false;
    int m_textReported = 0;
    int m_sourceReported = 0;
};
