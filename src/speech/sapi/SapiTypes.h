#pragma once

#include <QtGlobal>

// The SAPI 5.1 automation constants the voice understands, with their
// published values, so callers and stored settings keep their meaning.

// SpeechVoiceSpeakFlags
enum SpeechVoiceSpeakFlags : int {
    SVSFDefault = 0,
    SVSFlagsAsync = 1,
    SVSFPurgeBeforeSpeak = 2,
    SVSFIsFilename = 4,
    SVSFIsXML = 8,
    SVSFIsNotXML = 16,
    SVSFPersistXML = 32,
    SVSFNLPSpeakPunc = 64,
};

// SpeechVoiceEvents: one bit per event kind (1 << SPEI id).
enum SpeechVoiceEvents : int {
    SVEStartInputStream = 2,
    SVEEndInputStream = 4,
    SVEVoiceChange = 8,
    SVEBookmark = 16,
    SVEWordBoundary = 32,
    SVEPhoneme = 64,
    SVESentenceBoundary = 128,
    SVEViseme = 256,
    SVEAudioLevel = 512,
    SVEPrivate = 32768,
    SVEAllEvents = 33790,
};

// SpeechAudioFormatType: PCM types run 4..39, four per rate, in the order
// 8-bit mono, 8-bit stereo, 16-bit mono, 16-bit stereo.
enum SpeechAudioFormatType : int {
    SAFTDefault = -1,
    SAFTNoAssignedFormat = 0,
    SAFTText = 1,
    SAFTNonStandardFormat = 2,
    SAFTExtendedAudioFormat = 3,
    SAFT8kHz8BitMono = 4,
    SAFT11kHz8BitMono = 8,
    SAFT12kHz8BitMono = 12,
    SAFT16kHz8BitMono = 16,
    SAFT16kHz16BitMono = 18,
    SAFT16kHz16BitStereo = 19,
    SAFT22kHz8BitMono = 20,
    SAFT22kHz16BitMono = 22,
    SAFT22kHz16BitStereo = 23,
    SAFT24kHz8BitMono = 24,
    SAFT32kHz8BitMono = 28,
    SAFT44kHz8BitMono = 32,
    SAFT44kHz16BitStereo = 35,
    SAFT48kHz8BitMono = 36,
    SAFT48kHz16BitStereo = 39,
};

// SpeechVisemeFeature
enum SpeechVisemeFeature : int {
    SVF_None = 0,
    SVF_Stressed = 1,
    SVF_Emphasis = 2,
};
