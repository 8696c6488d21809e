#pragma once

#include "SpeechFragment.h"

class SpObjectTokens;

// Turns what is given to Speak into the fragments the synthesiser speaks.
namespace SpeechRequest {

// Whether the text is read as SAPI XML markup: SVSFIsXML says yes,
// SVSFIsNotXML no, and with neither the text is markup when its first
// character is "<".
bool isMarkup(const QString &text, int flags);

// The fragments for a Speak call. Plain text is one Text fragment whose
// offsets are the text's own. Throws SontiError for malformed markup.
// voices resolves <voice> and <lang> (SpObjectTokens::bestMatchId).
QList<SpeechFragment> fragmentsFor(const QString &text, int flags, const SpObjectTokens &voices);

}
