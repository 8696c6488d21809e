#include "SpObjectTokens.h"

#include "SontiError.h"

#include <algorithm>

namespace {
QStringList conditionsOf(const QString &attributes)
{
    QStringList result;
    for (const QString &part : attributes.split(u';', Qt::SkipEmptyParts)) {
        if (!part.trimmed().isEmpty())
            result.append(part.trimmed());
    }
    return result;
}

bool valueMatches(const QString &attribute, const QString &actual, const QString &wanted)
{
    if (attribute.compare(u"Language", Qt::CaseInsensitive) == 0) {
        // LANGIDs are hex numbers: "0409" and "409" are the same language.
        bool okWanted = false;
        const uint wantedId = wanted.toUInt(&okWanted, 16);
        for (const QString &id : actual.split(u';', Qt::SkipEmptyParts)) {
            bool ok = false;
            const uint value = id.trimmed().toUInt(&ok, 16);
            if (ok && okWanted ? value == wantedId : id.trimmed().compare(wanted, Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    }
    return actual.compare(wanted, Qt::CaseInsensitive) == 0;
}
}

SpObjectTokens::SpObjectTokens(QList<SpObjectToken> tokens)
    : m_tokens(std::move(tokens))
{}

SpObjectToken SpObjectTokens::Item(int index) const
{
    if (index < 0 || index >= m_tokens.size())
        throw SontiError(SontiError::InvalidProcedureCall, QStringLiteral("SpObjectTokens"),
                         QStringLiteral("No voice at position %1").arg(index));
    return m_tokens.at(index);
}

bool SpObjectTokens::conditionHolds(const SpObjectToken &token, const QString &condition)
{
    const qsizetype notEqual = condition.indexOf(u"!=");
    const qsizetype equal = condition.indexOf(u'=');
    if (notEqual >= 0) {
        const QString attribute = condition.left(notEqual).trimmed();
        const QString value = condition.mid(notEqual + 2).trimmed();
        return !token.hasAttribute(attribute) || !valueMatches(attribute, token.GetAttribute(attribute), value);
    }
    if (equal >= 0) {
        const QString attribute = condition.left(equal).trimmed();
        const QString value = condition.mid(equal + 1).trimmed();
        return token.hasAttribute(attribute) && valueMatches(attribute, token.GetAttribute(attribute), value);
    }
    return token.hasAttribute(condition);
}

SpObjectTokens SpObjectTokens::matching(const QString &required, const QString &optional) const
{
    const QStringList requiredConditions = conditionsOf(required);
    const QStringList optionalConditions = conditionsOf(optional);
    struct Ranked
    {
        SpObjectToken token;
        QList<bool> score;
    };
    QList<Ranked> ranked;
    for (const SpObjectToken &token : m_tokens) {
        const bool meets = std::all_of(requiredConditions.begin(), requiredConditions.end(),
                                       [&](const QString &c) { return conditionHolds(token, c); });
        if (!meets)
            continue;
        Ranked entry{token, {}};
        for (const QString &condition : optionalConditions)
            entry.score.append(conditionHolds(token, condition));
        ranked.append(entry);
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const Ranked &a, const Ranked &b) {
        return std::lexicographical_compare(b.score.begin(), b.score.end(), a.score.begin(), a.score.end());
    });
    QList<SpObjectToken> result;
    result.reserve(ranked.size());
    for (const Ranked &entry : ranked)
        result.append(entry.token);
    return SpObjectTokens(result);
}

QString SpObjectTokens::bestMatchId(const QString &required, const QString &optional) const
{
    const SpObjectTokens found = matching(required, optional);
    return found.Count() > 0 ? found.m_tokens.first().Id() : QString();
}

SpObjectToken SpObjectTokens::byId(const QString &id) const
{
    for (const SpObjectToken &token : m_tokens) {
        if (token.Id() == id)
            return token;
    }
    return {};
}
