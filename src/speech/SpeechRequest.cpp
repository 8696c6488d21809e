#include "SpeechRequest.h"

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
    Q_UNUSED(voices);
    // Markup is read as plain text until the markup parser joins here.
    Q_UNUSED(isMarkup(text, flags));
    SpeechFragment fragment;
    fragment.kind = SpeechFragment::Kind::Text;
    fragment.text = text;
    return {fragment};
}
