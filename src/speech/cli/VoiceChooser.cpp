#include "VoiceChooser.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>

namespace {
// "French (France)" is a French voice; "German" the German one.
QString languageNameOf(const QString &voiceName)
{
    const qsizetype paren = voiceName.indexOf(QStringLiteral(" ("));
    return paren < 0 ? voiceName : voiceName.left(paren);
}

// A subtag a language code can do without: "AT" in "de-AT", "Latn" in "sr-Latn".
bool isRegionOrScript(const QString &subtag)
{
    if (subtag.size() == 4)
        return QLocale::codeToScript(subtag) != QLocale::AnyScript;
    return (subtag.size() == 2 || subtag.size() == 3) && QLocale::codeToTerritory(subtag) != QLocale::AnyTerritory;
}

// The ids a voice answers to: "gmw/de" and "eSpeak-NG/gmw/de".
QStringList namesOf(const SpObjectToken &token)
{
    return {token.voice().id, token.Id(), token.voice().name, token.GetDescription()};
}
}

VoiceChooser::VoiceChooser(SpObjectTokens voices)
    : m_voices(voices.begin(), voices.end())
{}

bool VoiceChooser::looksLikeLanguageCode(const QString &text)
{
    static const QRegularExpression code(QStringLiteral("^[A-Za-z]{2,3}(-[A-Za-z0-9]{1,8})*$"));
    return code.match(text).hasMatch();
}

VoiceChooser::Rank VoiceChooser::rankFor(const SpObjectToken &token, const QString &code) const
{
    QList<VoiceDescription::Language> languages = token.voice().languages;
    if (languages.isEmpty())
        languages.append({token.voice().language.toLower(), 5});
    Rank best;
    for (const VoiceDescription::Language &language : std::as_const(languages)) {
        const Match match = language.tag == code               ? Exact
            : language.tag.startsWith(code + u'-')             ? Variety
            : !code.isEmpty() && language.tag.startsWith(code) ? Prefix
                                                               : None;
        if (match < best.match || (match == best.match && language.priority < best.priority))
            best = {match, language.priority};
    }
    return best;
}

QList<VoiceChooser::Listed> VoiceChooser::ranked(const QString &code, Match worst) const
{
    struct Entry
    {
        Rank rank;
        Listed listed;
    };
    QList<Entry> entries;
    for (qsizetype i = 0; i < m_voices.size(); ++i) {
        const Rank rank = rankFor(m_voices[i], code);
        if (rank.match <= worst)
            entries.append({rank, {int(i), m_voices[i]}});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return a.rank.match != b.rank.match ? a.rank.match < b.rank.match : a.rank.priority < b.rank.priority;
    });
    QList<Listed> result;
    for (const Entry &entry : std::as_const(entries))
        result.append(entry.listed);
    return result;
}

QList<VoiceChooser::Listed> VoiceChooser::ofLanguage(const QString &language) const
{
    if (language.isEmpty()) {
        QList<Listed> all;
        for (qsizetype i = 0; i < m_voices.size(); ++i)
            all.append({int(i), m_voices[i]});
        return all;
    }
    return ranked(language.toLower(), Prefix);
}

VoiceChooser::Choice VoiceChooser::choose(const QString &wanted) const
{
    const QString name = wanted.trimmed();
    if (name.isEmpty())
        return {-1, QStringLiteral("no voice named")};
    for (qsizetype i = 0; i < m_voices.size(); ++i) {
        const QStringList names = namesOf(m_voices[i]);
        if (std::any_of(names.begin(), names.end(),
                        [&](const QString &n) { return n.compare(name, Qt::CaseInsensitive) == 0; }))
            return {int(i), {}};
    }
    const bool isCode = looksLikeLanguageCode(name);
    if (isCode) {
        // "de-de" or "en-au" without a voice of its own falls back to "de", "en";
        // only a region or script is dropped, so "no-such-voice" is not Norwegian.
        for (QString code = name.toLower(); !code.isEmpty(); code = code.section(u'-', 0, -2)) {
            const QList<Listed> speakers = ranked(code, Variety);
            if (!speakers.isEmpty())
                return {speakers.first().position, {}};
            if (!isRegionOrScript(code.section(u'-', -1)))
                break;
        }
    }

    // A language name: the voices of that language, best first.
    QList<int> sameLanguage;
    for (qsizetype i = 0; i < m_voices.size(); ++i) {
        if (languageNameOf(m_voices[i].voice().name).compare(name, Qt::CaseInsensitive) == 0)
            sameLanguage.append(int(i));
    }
    if (!sameLanguage.isEmpty()) {
        const QString code = m_voices[sameLanguage.first()].voice().language.section(u'-', 0, 0).toLower();
        for (const Listed &listed : ranked(code, Variety)) {
            if (sameLanguage.contains(listed.position))
                return {listed.position, {}};
        }
        return {sameLanguage.first(), {}};
    }

    QList<int> prefixed;
    for (qsizetype i = 0; i < m_voices.size(); ++i) {
        const QStringList names = namesOf(m_voices[i]);
        if (std::any_of(names.begin(), names.end(),
                        [&](const QString &n) { return n.startsWith(name, Qt::CaseInsensitive); }))
            prefixed.append(int(i));
    }
    if (prefixed.size() == 1)
        return {prefixed.first(), {}};
    if (prefixed.size() > 1) {
        QStringList some;
        for (qsizetype i = 0; i < std::min<qsizetype>(prefixed.size(), 3); ++i)
            some.append(m_voices[prefixed[i]].voice().name);
        if (prefixed.size() > 3)
            some.append(QStringLiteral("…"));
        return {-1,
                QStringLiteral("voice \"%1\" is ambiguous: it could be %2").arg(name, some.join(QStringLiteral(", ")))};
    }
    if (isCode)
        return {-1, QStringLiteral("no voice speaks language \"%1\"").arg(name)};
    return {-1, QStringLiteral("unknown voice \"%1\"").arg(name)};
}
