#include "VisemeTable.h"

#include <QHash>

namespace {
const QHash<QString, int> &wholePhonemes()
{
    static const QHash<QString, int> table = {
        {"eɪ", 4},  {"aɪ", 11}, {"ʌɪ", 11}, {"ɑɪ", 11}, {"ɔɪ", 10}, {"oɪ", 10}, {"aʊ", 9},  {"ɑʊ", 9},
        {"oʊ", 8},  {"əʊ", 8},  {"ɵʊ", 8},  {"tʃ", 16}, {"dʒ", 16}, {"tɕ", 16}, {"dʑ", 16}, {"ts", 15},
        {"dz", 15}, {"ɪə", 6},  {"iə", 6},  {"eə", 4},  {"ɛə", 4},  {"ʊə", 4},
    };
    return table;
}

const QHash<QChar, int> &singleLetters()
{
    static const QHash<QChar, int> table = [] {
        QHash<QChar, int> t;
        auto add = [&t](const char16_t *letters, int viseme) {
            for (const char16_t *p = letters; *p; ++p)
                t.insert(QChar(*p), viseme);
        };
        add(u"æəʌɐaɘɞ", 1);
        add(u"ɑɒä", 2);
        add(u"ɔ", 3);
        add(u"eɛʊœøɤ", 4);
        add(u"ɝɜɚ", 5);
        add(u"jiɪyʏɨ", 6);
        add(u"wuʉɯʍɥ", 7);
        add(u"oɵ", 8);
        add(u"hɦħʕ", 12);
        add(u"ɹrɾʀʁɻɽ", 13);
        add(u"lɫɭʎɬɮʟ", 14);
        add(u"sz", 15);
        add(u"ʃʒɕʑʂʐç", 16);
        add(u"θð", 17);
        add(u"fvɸβʋ", 18);
        add(u"dtnɖʈɳɲɗʔ", 19);
        add(u"kgɡŋqɢxɣχcɟ", 20);
        add(u"pbmɱɓ", 21);
        return t;
    }();
    return table;
}

bool isVowelLetter(QChar c)
{
    static const QString vowels = QStringLiteral("aeiouyæəʌɐɘɞɑɒɔɛʊœøɤɝɜɚɪʏɨʉɯɵɶ");
    return vowels.contains(c);
}

// Drops what does not change the mouth: length and stress marks, tie bars,
// combining diacritics and modifier letters such as ʰ ʲ ʷ.
QString bareLetters(const QString &ipa)
{
    QString result;
    for (const QChar c : ipa) {
        const char16_t u = c.unicode();
        const bool modifier = (u >= 0x02B0 && u <= 0x02FF) || (u >= 0x0300 && u <= 0x036F);
        if (!modifier && !c.isSpace() && c != u'\'' && c != u',')
            result.append(c);
    }
    return result;
}
}

int VisemeTable::visemeForCmuPhone(const QString &phone)
{
    static const QHash<QString, int> table = {
        {"pau", 0}, {"ae", 1},  {"ah", 1},  {"ax", 1},  {"aa", 2}, {"ao", 3}, {"eh", 4}, {"ey", 4},  {"uh", 4},
        {"er", 5},  {"ih", 6},  {"iy", 6},  {"y", 6},   {"uw", 7}, {"w", 7},  {"ow", 8}, {"aw", 9},  {"oy", 10},
        {"ay", 11}, {"hh", 12}, {"h", 12},  {"r", 13},  {"l", 14}, {"s", 15}, {"z", 15}, {"ch", 16}, {"jh", 16},
        {"sh", 16}, {"zh", 16}, {"dh", 17}, {"th", 17}, {"f", 18}, {"v", 18}, {"d", 19}, {"n", 19},  {"t", 19},
        {"g", 20},  {"k", 20},  {"ng", 20}, {"b", 21},  {"m", 21}, {"p", 21},
    };
    return table.value(phone.toLower(), 0);
}

int VisemeTable::visemeForIpa(const QString &ipa)
{
    const QString letters = bareLetters(ipa);
    if (letters.isEmpty())
        return 0;
    if (const auto it = wholePhonemes().constFind(letters); it != wholePhonemes().constEnd())
        return it.value();
    const QChar first = letters.front();
    if (const auto it = singleLetters().constFind(first); it != singleLetters().constEnd())
        return it.value();
    if (const auto it = singleLetters().constFind(first.toLower()); it != singleLetters().constEnd())
        return it.value();
    return isVowelLetter(first.toLower()) ? 1 : 19;
}
