#pragma once

#include "VoiceDescription.h"

#include <QString>

// One voice as the voice collection lists it. Like a SAPI voice token it has
// an id, a description and attributes: Name, Gender, Age, Language (hex
// LANGIDs without "0x", ";"-separated, e.g. "409"), Vendor, and
// VendorPreferred on the engine's preferred voice.
class SpObjectToken
{
public:
    SpObjectToken() = default;
    explicit SpObjectToken(VoiceDescription voice, bool vendorPreferred = false);

    // "<engine>/<voice id>" ("eSpeak-NG/gmw/de", "Flite/slt"); empty for a
    // default-constructed token.
    QString Id() const;
    // The text shown for the voice: its description (or name) and the
    // engine, blanks trimmed. The locale is accepted for compatibility and
    // ignored.
    QString GetDescription(int locale = 0) const;
    // The attribute's value; empty when the token does not have it.
    QString GetAttribute(const QString &name) const;
    bool hasAttribute(const QString &name) const;

    bool isNull() const { return m_voice.id.isEmpty(); }
    const VoiceDescription &voice() const { return m_voice; }

    bool operator==(const SpObjectToken &other) const { return Id() == other.Id(); }

private:
    VoiceDescription m_voice;
    bool m_vendorPreferred = false;
};
