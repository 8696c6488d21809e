#include "SapiPhonemes.h"

#include <QHash>
#include <QStringList>

namespace {
const QHash<QString, QString> &phones()
{
    static const QHash<QString, QString> table = {
        {"aa", "A:"}, {"ae", "a"},  {"ah", "V"},  {"ao", "O:"}, {"aw", "aU"}, {"ax", "@"},  {"ay", "aI"}, {"b", "b"},
        {"ch", "tS"}, {"d", "d"},   {"dh", "D"},  {"eh", "E"},  {"er", "3:"}, {"ey", "eI"}, {"f", "f"},   {"g", "g"},
        {"h", "h"},   {"ih", "I"},  {"iy", "i:"}, {"jh", "dZ"}, {"k", "k"},   {"l", "l"},   {"m", "m"},   {"n", "n"},
        {"ng", "N"},  {"ow", "oU"}, {"oy", "OI"}, {"p", "p"},   {"r", "r"},   {"s", "s"},   {"sh", "S"},  {"t", "t"},
        {"th", "T"},  {"uh", "U"},  {"uw", "u:"}, {"v", "v"},   {"w", "w"},   {"y", "j"},   {"z", "z"},   {"zh", "Z"},
    };
    return table;
}

// libespeak-ng 1.51 overruns a buffer (and crashes) on a word of about 352
// phonemes and stress marks or more. Longer words are split, at a syllable
// once they are long, and at the latest at the hard limit; each split costs
// only a word gap.
constexpr int SyllableSplitAt = 48;
constexpr int HardSplitAt = 96;
}

QString SapiPhonemes::toEspeak(const QString &sapiPhones)
{
    // A stress digit follows its vowel, while espeak wants the mark before
    // it: remember where the last vowel started.
    QString result;
    qsizetype lastVowelAt = -1;
    int wordLength = 0;
    bool splitAtNextPhone = false;
    const QStringList symbols = sapiPhones.simplified().split(u' ', Qt::SkipEmptyParts);
    for (const QString &raw : symbols) {
        const QString symbol = raw.toLower();
        if (symbol == u"&") {
            if (!result.isEmpty() && !result.endsWith(u' '))
                result.append(u' ');
            lastVowelAt = -1;
            wordLength = 0;
            splitAtNextPhone = false;
        } else if (symbol == u"-") {
            lastVowelAt = -1;
            splitAtNextPhone = wordLength >= SyllableSplitAt;
        } else if (symbol == u"1" || symbol == u"2") {
            if (lastVowelAt >= 0) {
                result.insert(lastVowelAt, symbol == u"1" ? u'\'' : u',');
                ++wordLength;
            }
            lastVowelAt = -1;
        } else if (const auto it = phones().constFind(symbol); it != phones().constEnd()) {
            if (splitAtNextPhone || wordLength >= HardSplitAt) {
                result.append(u' ');
                wordLength = 0;
                splitAtNextPhone = false;
            }
            // Every mnemonic of the table is one phoneme.
            ++wordLength;
            static const QString vowelStarts = QStringLiteral("aeiouAEIOUV@3");
            if (vowelStarts.contains(it.value().front()))
                lastVowelAt = result.size();
            result.append(it.value());
        }
    }
    return result.trimmed();
}
