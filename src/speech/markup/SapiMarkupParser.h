#pragma once

#include "SontiError.h"
#include "SpeechFragment.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <functional>

// Reads the string given to Speak with SVSFIsXML as SAPI 5.1 speech markup and
// turns it into the fragments the synthesiser speaks, each with the voice
// state in force and, for every UTF-16 unit of its text, the offset of that
// unit in the original string, so word positions point at what the user sees.
//
// Lenient as SAPI is, because users paste ordinary text while XML is on by
// default: names are case-insensitive; unknown elements are skipped and their
// content spoken; an end tag closes the innermost open element of its name
// and is ignored when there is none; whatever is still open ends with the
// text; out-of-range values are clamped; a '<' or '&' that begins no tag or
// known reference is text. Elements nest at most MaxDepth deep: a start tag
// beyond that is read as text. The one thing that fails is markup that cannot
// be spoken at all: a <pron sym> naming a symbol outside the SAPI phone set.
//
// Linear in the length of the text.
class SapiMarkupParser
{
public:
    // Picks a voice for SAPI attribute lists such as "Gender=Female;Age!=Child"
    // (and "Language=409" for <lang langid="409">); returns the voice's id, or
    // an empty string when no voice meets the required attributes.
    using VoiceResolver = std::function<QString(const QString &required, const QString &optional)>;

    struct Result
    {
        // Empty on failure: a text is spoken whole or not at all.
        QList<SpeechFragment> fragments;
        // number SontiError::SpeechFailure, source "SAPI XML", when it fails.
        SontiError error;
        bool ok() const { return !error.isError(); }
    };

    static constexpr int MaxDepth = 256;
    // <silence msec> is clamped to 0..MaxSilenceMsec.
    static constexpr int MaxSilenceMsec = 65535;

    explicit SapiMarkupParser(VoiceResolver resolver = {});

    // initial: the state before any markup (volume 0..100, rate and pitch
    // -10..10); relative <rate speed> and <pitch middle> add to it.
    // Text without any markup comes back as one Text fragment whose
    // sourceOffsets is empty: the identity.
    Result parse(const QString &text, const SpeechState &initial = {}) const;

    // Whether symbol belongs to the SAPI American English phone set used by
    // <pron sym>: aa ae ah … zh, stress 1 and 2, and - ! & , . ? _ .
    // Case-insensitive.
    static bool isPhoneme(QStringView symbol);

private:
    VoiceResolver m_resolver;
};
