#pragma once

#include "VoiceDescription.h"

#include <QList>
#include <QLocale>

// The order people see the voices of every engine in. First the voice that
// best speaks the locale's language: its language and region ("de-DE"),
// else its language ("de"), else American and then any English; among
// equals the engine's own priority for the language, then the order given.
// The others follow by the locale's collation of what is shown for them
// ("Māori" before "Myanmar"), then by engine and id, so the same voices on
// the same locale always come in the same order, whatever order the engines
// listed them in.
namespace VoiceOrder {

QList<VoiceDescription> forLocale(QList<VoiceDescription> voices, const QLocale &locale);
// The language tags tried for the first voice, best first: "de-de", "de", "en-us", "en".
QStringList preferredTags(const QLocale &locale);
// Has ICU load the collation forLocale sorts by, which takes it about 2 ms
// the first time in a process: a caller with an idle thread loads it there
// while the engines start on another.
void loadCollation(const QLocale &locale);

}
