#pragma once

#include <QString>

// Windows LANGIDs for BCP 47 language tags, as SAPI voice tokens carry them
// in their Language attribute ("409" for en-US). Only the languages whose
// LANGID is published are known; others have none.
namespace LanguageIds {

// Hex LANGID without "0x" ("409", "809", "c0a"), or empty when unknown.
QString langIdFor(const QString &bcp47);

}
