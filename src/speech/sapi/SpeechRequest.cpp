#include "SpeechRequest.h"

#include "SapiMarkupParser.h"
#include "SapiTypes.h"
#include "SpObjectTokens.h"

bool SpeechRequest::isMarkup(const QString &text, int flags)
{
    if (flags & SVSFIsNotXML)
        return false;
    if (flags & SVSFIsXML)
        return true;
    return text.startsWith(u'<');
}

QList<SpeechFragment> SpeechRequest::fragmentsFor(const QString &text, int flags, const SpObjectTokens &voices)
{
    if (isMarkup(text, flags)) {
        const SapiMarkupParser parser([&voices](const QString &required, const QString &optional) {
            return voices.bestMatchId(required, optional);
        });
        SapiMarkupParser::Result result = parser.parse(text);
        if (!result.ok())
            throw result.error;
        return result.fragments;
    }
    SpeechFragment fragment;
    fragment.kind = SpeechFragment::Kind::Text;
    fragment.text = text;
    return {fragment};
}
