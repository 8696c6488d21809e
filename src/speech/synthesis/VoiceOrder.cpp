#include "VoiceOrder.h"

#include <QCollator>

#include <algorithm>
#include <optional>

namespace {
// The engine's priority for a language tag (lower is better), if the voice speaks it.
std::optional<int> priorityFor(const VoiceDescription &voice, const QString &tag)
{
    std::optional<int> best;
    for (const VoiceDescription::Language &language : voice.languages) {
        if (language.tag == tag && (!best || language.priority < *best))
            best = language.priority;
    }
    if (!best && voice.language.toLower() == tag)
        best = 5;
    return best;
}

QString shownText(const VoiceDescription &voice)
{
    return (voice.description.isEmpty() ? voice.name : voice.description).simplified();
}

QCollator collatorFor(const QLocale &locale)
{
    // The C locale's collation is byte order ("Myanmar" before "Māori"):
    // sort for it as in English.
    const bool plain = locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage;
    QCollator collator(plain ? QLocale(QLocale::English, QLocale::UnitedStates) : locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    return collator;
}
}

QStringList VoiceOrder::preferredTags(const QLocale &locale)
{
    QStringList tags;
    if (locale.language() != QLocale::C && locale.language() != QLocale::AnyLanguage) {
        const QString name = locale.name().toLower().replace(u'_', u'-');
        tags.append(name);
        tags.append(name.section(u'-', 0, 0));
    }
    tags.append(QStringLiteral("en-us"));
    tags.append(QStringLiteral("en"));
    tags.removeDuplicates();
    return tags;
}

QList<VoiceDescription> VoiceOrder::forLocale(QList<VoiceDescription> voices, const QLocale &locale)
{
    qsizetype first = -1;
    for (const QString &tag : preferredTags(locale)) {
        int bestPriority = 0;
        for (qsizetype i = 0; i < voices.size(); ++i) {
            const std::optional<int> priority = priorityFor(voices[i], tag);
            if (priority && (first < 0 || *priority < bestPriority)) {
                first = i;
                bestPriority = *priority;
            }
        }
        if (first >= 0)
            break;
    }
    QList<VoiceDescription> result;
    if (first >= 0)
        result.append(voices.takeAt(first));

    const QCollator collator = collatorFor(locale);
    std::stable_sort(voices.begin(), voices.end(), [&](const VoiceDescription &a, const VoiceDescription &b) {
        if (const int byText = collator.compare(shownText(a), shownText(b)); byText != 0)
            return byText < 0;
        if (a.engine != b.engine)
            return a.engine < b.engine;
        return a.id < b.id;
    });
    result.append(voices);
    return result;
}

void VoiceOrder::loadCollation(const QLocale &locale)
{
    // QCollator opens ICU's collator at its first comparison.
    collatorFor(locale).compare(QStringLiteral("a"), QStringLiteral("b"));
}
