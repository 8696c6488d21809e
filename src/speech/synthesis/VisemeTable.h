#pragma once

#include <QString>

// Maps a phoneme written in IPA, as espeak-ng reports it for any language,
// to one of the 22 SAPI visemes (0 silence … 21 p b m). Length and stress
// marks and diacritics are ignored; an unknown vowel counts as 1 and an
// unknown consonant as 19; an empty phoneme (a pause) is 0.
namespace VisemeTable {

int visemeForIpa(const QString &ipa);

}
