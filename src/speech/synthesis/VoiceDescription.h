#pragma once

#include <QString>

// A voice as a synthesiser offers it, before it becomes a token.
struct VoiceDescription
{
    QString id;       // the synthesiser's own name for the voice, e.g. "gmw/en-US"
    QString name;     // human-readable, e.g. "English (America)"
    QString language; // BCP 47 tag, e.g. "en-US"
    QString gender;   // "Male", "Female" or "Neutral"
    QString age;      // "Adult", "Child", …
    QString vendor;   // the engine, e.g. "eSpeak NG"
};
