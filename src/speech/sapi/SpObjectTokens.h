#pragma once

#include "SpObjectToken.h"

#include <QList>

// The voices a voice offers, in a stable order, as GetVoices returns them.
// Matching follows SAPI's attribute strings: ";"-separated conditions
// "Attr=Value", "Attr!=Value" or "Attr" (present), compared without regard
// to case; Language matches when any of the token's LANGIDs is the value.
// Every required condition must hold; optional conditions rank the tokens
// that remain, earlier conditions weighing more, ties keeping their order.
class SpObjectTokens
{
public:
    SpObjectTokens() = default;
    explicit SpObjectTokens(QList<SpObjectToken> tokens);

    int Count() const { return int(m_tokens.size()); }
    // Throws SontiError when index is outside 0..Count()-1.
    SpObjectToken Item(int index) const;

    auto begin() const { return m_tokens.cbegin(); }
    auto end() const { return m_tokens.cend(); }

    // The tokens that meet required, ranked by optional.
    SpObjectTokens matching(const QString &required, const QString &optional) const;
    // The id of the best token for these attribute strings; empty when none
    // meets the required ones. This is what <voice> and <lang> resolve with.
    QString bestMatchId(const QString &required, const QString &optional = {}) const;
    // The token with this id, or a null token.
    SpObjectToken byId(const QString &id) const;

    // Whether one condition ("Gender=Female", "Age!=Child", "Vendor") holds.
    static bool conditionHolds(const SpObjectToken &token, const QString &condition);

private:
    QList<SpObjectToken> m_tokens;
};
