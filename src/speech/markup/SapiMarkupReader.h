#pragma once

#include "SapiMarkupScanner.h"
#include "SapiMarkupState.h"
#include "SontiError.h"
#include "SpeechFragment.h"

#include <QString>

#include <deque>
#include <functional>
#include <optional>

// Reads SAPI markup into fragments one at a time, as the synthesiser asks
// for them (see SapiMarkupParser for the language it reads). A long text is
// read a slice at a time through a window that moves along it, so neither
// the text nor its offset tables are ever held whole; each fragment then
// carries the excerpt of the source it came from (SpeechFragment::source).
//
// With a cut length, a Text fragment that grows past it is cut after a
// sentence (or, failing that, a space) so that fragments stay short; the
// pieces keep the same state.
class SapiMarkupReader
{
public:
    using VoiceResolver = SapiMarkupState::VoiceResolver;
    // Units [from, from + count) of the text; fewer only where it ends.
    using Read = std::function<QString(qsizetype from, qsizetype count)>;

    // The whole text at once: fragments point into it and carry no excerpt.
    SapiMarkupReader(const QString &text, const SpeechState &initial, const VoiceResolver &resolver);
    // A text read piecewise, sliceLength units at a time; cutAfter 0 never
    // cuts. Without markup, the text is read as it stands.
    SapiMarkupReader(Read read, bool markup, const SpeechState &initial, const VoiceResolver &resolver,
                     qsizetype cutAfter, qsizetype sliceLength = DefaultSliceLength);

    // The next fragment, or none at the end of the text or on failure.
    std::optional<SpeechFragment> next();
    // Set when the text cannot be spoken (a <pron sym> outside the phone set).
    const SontiError &error() const { return m_error; }
    // Whether everything read so far was text, without any markup.
    bool plainTextOnly() const { return m_plainTextOnly; }

    static constexpr qsizetype DefaultSliceLength = 64 * 1024;
    // The first read is shorter, so that speech starts sooner.
    static constexpr qsizetype FirstSliceLength = 4 * 1024;

private:
    bool readMore();
    MarkupToken nextToken();
    bool handle(const MarkupToken &token);
    void startTag(const MarkupToken &token);
    void endTag(const MarkupToken &token);
    void pronunciation(const MarkupToken &token);
    SpeechFragment &textTarget(qsizetype at);
    void appendSource(qsizetype begin, qsizetype end);
    void appendCharacter(char32_t codePoint, qsizetype begin, qsizetype end);
    void appendMark(SpeechFragment::Kind kind, qsizetype at, int msec, const QString &argument);
    void pushFragment(SpeechFragment fragment);
    qsizetype cutIn(SpeechFragment &fragment, qsizetype begin, qsizetype end);
    bool frontComplete() const;
    SpeechFragment takeFront();
    QStringView source(qsizetype begin, qsizetype end) const;
    int depth() const { return m_state.depth() + int(m_prons.size()); }

    Read m_read;
    const bool m_markup = true;
    const qsizetype m_cutAfter = 0;
    const qsizetype m_sliceLength = DefaultSliceLength;
    // The text from m_base on, as far as it was read; m_final once it ends.
    QString m_window;
    qsizetype m_base = 0;
    bool m_final = true;
    bool m_ended = false;
    qsizetype m_plainPos = 0; // without markup: how far the text was read
    SapiMarkupScanner m_scanner;
    SapiMarkupState m_state;
    std::deque<SpeechFragment> m_fragments;
    SontiError m_error;
    // One entry per open <pron>: whether it is the one whose pronunciation
    // replaces the text read inside it (only the outermost valid one does).
    QList<bool> m_prons;
    qsizetype m_pronFragment = -1; // index in m_fragments
    bool m_plainTextOnly = true;
    // The state of the last Text fragment; m_stateChanged says a tag may have
    // changed m_state since.
    SpeechState m_current;
    bool m_stateChanged = true;
};
