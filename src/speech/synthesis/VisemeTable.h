#pragma once

#include <QString>

// Maps a phoneme written in IPA, as espeak-ng reports it for any language,
// to one of the 22 SAPI visemes (0 silence … 21 p b m). Length and stress
// marks and diacritics are ignored; an unknown vowel counts as 1 and an
// unknown consonant as 19; an empty phoneme (a pause) is 0.
namespace VisemeTable {

int visemeForIpa(const QString &ipa);
// The same for a phone of the CMU US English set that flite uses ("hh",
// "ay", "pau"), which is SAPI's own phone set but for h.
int visemeForCmuPhone(const QString &phone);

}
