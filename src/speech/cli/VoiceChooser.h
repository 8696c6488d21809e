#pragma once

#include "SpObjectTokens.h"

#include <QList>
#include <QString>

// Finds voices the way people name them on a command line: by a language
// code ("de", "en-gb", "pt-BR"), a language name ("French"), a voice's id
// ("gmw/de", "eSpeak-NG/gmw/de", "slt", "Flite/slt"), its name or description, or an
// unambiguous prefix of an id, name or description; all without regard to
// case.
//
// A language code matches a voice that speaks that language or a variety of
// it ("en" matches en-us). The voices of a language are ranked as the engine
// ranks them: exact language before variety, then the engine's priority for
// the language (so "en" is British English and "fr" French from France, as
// espeak-ng chooses), then their position in the list. A code without a
// voice falls back to its language ("de-at" to "de").
class VoiceChooser
{
public:
    struct Choice
    {
        int position = -1; // in the voice list; -1 when nothing was chosen
        QString error;     // why nothing was chosen
    };
    struct Listed
    {
        int position = 0;
        SpObjectToken token;
    };

    explicit VoiceChooser(SpObjectTokens voices);

    Choice choose(const QString &wanted) const;
    // The voices of a language given by its code or the start of one
    // ("e" lists every language starting with e), best first; every voice
    // in list order when language is empty.
    QList<Listed> ofLanguage(const QString &language) const;

    static bool looksLikeLanguageCode(const QString &text);

private:
    enum Match { Exact, Variety, Prefix, None };
    struct Rank
    {
        Match match = None;
        int priority = 0;
    };
    Rank rankFor(const SpObjectToken &token, const QString &code) const;
    QList<Listed> ranked(const QString &code, Match worst) const;

    QList<SpObjectToken> m_voices;
};
