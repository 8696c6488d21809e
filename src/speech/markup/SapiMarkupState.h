#pragma once

#include "SpeechFragment.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <optional>

// The voice state that SAPI markup builds up while it is read: one scope stack
// per kind of element. A container element (<rate speed="2">…</rate>) saves
// the value of its kind and restores it at its end tag; the empty form
// (<rate speed="2"/>) changes the value in place, so it lasts until the
// enclosing element of the same kind ends, or to the end of the text. Kinds
// are independent of each other, which is what lets mis-nested markup such as
// <emph><volume level="50">a</emph>b</volume> keep b at volume 50.
//
// Rate and pitch keep the unclamped sum of relative changes, as SAPI does, and
// are clamped to -10..10 only when read; volume is absolute and clamped to
// 0..100 when set. <voice> narrows the choice of its enclosing <voice>
// elements; <lang> selects by language alone. Whichever of the two was applied
// last decides the voice in force.
class SapiMarkupState
{
public:
    using VoiceResolver = std::function<QString(const QString &required, const QString &optional)>;
    enum class Kind { Volume, Rate, Pitch, Emph, Spell, PartOfSpeech, Context, Voice, Lang };

    SapiMarkupState(const SpeechState &initial, const VoiceResolver &resolver);

    // Each applies an element: container true for a start tag, false for an
    // empty-element tag. An absent value leaves the state as it was (the
    // container still opens a scope for its end tag to close).
    void applyVolume(std::optional<int> level, bool container);
    void applyRate(std::optional<int> absolute, std::optional<int> relative, bool container);
    void applyPitch(std::optional<int> absolute, std::optional<int> relative, bool container);
    void openEmphasis();
    void openSpell();
    void openPartOfSpeech(std::optional<QString> part);
    void openContext(std::optional<QString> id);
    void applyVoice(const QString &required, const QString &optional, bool container);
    void applyLang(const QString &langId, bool container);

    // Closes the innermost open element of that kind; false when none is open.
    bool close(Kind kind);

    // Number of open elements.
    int depth() const { return m_depth; }
    SpeechState current() const;

private:
    template <typename T> struct Scoped
    {
        T value{};
        QList<T> saved;
    };
    struct VoiceScope
    {
        // The requirements of the enclosing <voice> elements and this one's own;
        // an empty form inside adds its own to these, replacing an earlier one.
        QString scopeRequired;
        QString scopeOptional;
        QString required;
        QString optional;
        QString voiceId;
        quint64 applied = 0; // order in which voice choices were made
    };

    template <typename T> void open(Scoped<T> &scoped, const T &value);
    template <typename T> bool closeScope(Scoped<T> &scoped);
    void applyProsody(Scoped<int> &scoped, std::optional<int> absolute, std::optional<int> relative, bool container);
    QString resolve(const QString &required, const QString &optional);
    QString currentVoice() const;

    VoiceResolver m_resolver;
    QHash<QPair<QString, QString>, QString> m_resolved;
    Scoped<int> m_volume;
    Scoped<int> m_rate;
    Scoped<int> m_pitch;
    Scoped<bool> m_emphasis;
    Scoped<bool> m_spell;
    Scoped<QString> m_partOfSpeech;
    Scoped<QString> m_context;
    VoiceScope m_voiceRoot;
    VoiceScope m_langRoot;
    QList<VoiceScope> m_voices;
    QList<VoiceScope> m_langs;
    quint64 m_applied = 0;
    int m_depth = 0;
};
