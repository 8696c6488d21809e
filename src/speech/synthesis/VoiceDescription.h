#pragma once

#include <QList>
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
    // Every language the voice speaks, lower case, with the engine's
    // priority for it (lower is better): gmw/en has en-gb 2 and en 2.
    // Empty when the engine gives only the language above.
    struct Language
    {
        QString tag;
        int priority = 5;
    };
    QList<Language> languages = {};
    // What a person reads for the voice, before the engine's name; the
    // name when empty ("English (America) slt" for flite's slt).
    QString description = {};
    // The engine's part of the voice's token id ("eSpeak-NG/gmw/de").
    QString engine = QStringLiteral("eSpeak-NG");
};
