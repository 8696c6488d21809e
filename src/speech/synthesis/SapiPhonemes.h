#pragma once

#include <QString>

// Translates the SAPI American English phone set ("h eh 1 l ow & w er 1 l
// d") into espeak-ng's phoneme mnemonics ("h'El@U w'3:ld"), for speaking
// <pron> markup inside [[ ]]. Stress digits 1 and 2 become ' and , before
// the stressed vowel; "-" (syllable) is dropped, "&" separates words.
// Unknown symbols are skipped. Very long words are split into words short
// enough for espeak.
namespace SapiPhonemes {

QString toEspeak(const QString &sapiPhones);

}
