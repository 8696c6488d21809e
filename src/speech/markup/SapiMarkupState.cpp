#include "SapiMarkupState.h"

#include <algorithm>

namespace {

// Relative changes add up without SAPI's clamping, but never far enough to
// overflow however many of them a text holds.
constexpr int ProsodyLimit = 1'000'000;
// A voice requirement longer than this matches no voice; it also keeps the
// narrowing of deeply nested <voice> elements from growing without bound.
constexpr qsizetype MaxRequirementLength = 4096;

QString joinAttributes(const QString &outer, const QString &inner)
{
    if (outer.isEmpty())
        return inner;
    if (inner.isEmpty())
        return outer;
    return outer + u';' + inner;
}

} // namespace

SapiMarkupState::SapiMarkupState(const SpeechState &initial, const VoiceResolver &resolver)
    : m_resolver(resolver)
{
    m_volume.value = std::clamp(initial.volume, 0, 100);
    m_rate.value = initial.rate;
    m_pitch.value = initial.pitch;
    m_emphasis.value = initial.emphasis;
    m_spell.value = initial.spell;
    m_partOfSpeech.value = initial.partOfSpeech;
    m_context.value = initial.context;
    m_voiceRoot.voiceId = initial.voiceId;
    m_langRoot.voiceId = initial.voiceId;
}

template <typename T> void SapiMarkupState::open(Scoped<T> &scoped, const T &value)
{
    scoped.saved.append(scoped.value);
    scoped.value = value;
    ++m_depth;
}

template <typename T> bool SapiMarkupState::closeScope(Scoped<T> &scoped)
{
    if (scoped.saved.isEmpty())
        return false;
    scoped.value = scoped.saved.takeLast();
    --m_depth;
    return true;
}

void SapiMarkupState::applyVolume(std::optional<int> level, bool container)
{
    const int value = level ? std::clamp(*level, 0, 100) : m_volume.value;
    if (container)
        open(m_volume, value);
    else
        m_volume.value = value;
}

void SapiMarkupState::applyRate(std::optional<int> absolute, std::optional<int> relative, bool container)
{
    applyProsody(m_rate, absolute, relative, container);
}

void SapiMarkupState::applyPitch(std::optional<int> absolute, std::optional<int> relative, bool container)
{
    applyProsody(m_pitch, absolute, relative, container);
}

void SapiMarkupState::applyProsody(Scoped<int> &scoped, std::optional<int> absolute, std::optional<int> relative,
                                   bool container)
{
    // SAPI wants exactly one of the two; given both, the absolute one wins.
    int value = scoped.value;
    if (absolute)
        value = std::clamp(*absolute, -ProsodyLimit, ProsodyLimit);
    else if (relative)
        value = std::clamp(value + *relative, -ProsodyLimit, ProsodyLimit);
    if (container)
        open(scoped, value);
    else
        scoped.value = value;
}

void SapiMarkupState::openEmphasis()
{
    open(m_emphasis, true);
}

void SapiMarkupState::openSpell()
{
    open(m_spell, true);
}

void SapiMarkupState::openPartOfSpeech(std::optional<QString> part)
{
    open(m_partOfSpeech, part.value_or(m_partOfSpeech.value));
}

void SapiMarkupState::openContext(std::optional<QString> id)
{
    open(m_context, id.value_or(m_context.value));
}

void SapiMarkupState::applyVoice(const QString &required, const QString &optional, bool container)
{
    VoiceScope scope = m_voices.isEmpty() ? m_voiceRoot : m_voices.last();
    // A container narrows what its enclosing elements asked for; an empty tag
    // adds to what its enclosing container asked for, replacing an earlier one.
    const QString &outerRequired = container ? scope.required : scope.scopeRequired;
    const QString &outerOptional = container ? scope.optional : scope.scopeOptional;
    const QString wantRequired = joinAttributes(outerRequired, required);
    const QString wantOptional = joinAttributes(outerOptional, optional);
    const bool asks = !required.isEmpty() || !optional.isEmpty();
    const bool usable = asks && wantRequired.size() + wantOptional.size() <= MaxRequirementLength;
    if (container) {
        scope.scopeRequired = usable ? wantRequired : scope.required;
        scope.scopeOptional = usable ? wantOptional : scope.optional;
    }
    if (usable) {
        scope.required = wantRequired;
        scope.optional = wantOptional;
    } else {
        scope.required = scope.scopeRequired;
        scope.optional = scope.scopeOptional;
    }

    // Without a match the voice in force goes on speaking, as SAPI's "if one
    // exists" promises.
    scope.voiceId = currentVoice();
    if (usable) {
        const QString found = resolve(scope.required, scope.optional);
        if (!found.isEmpty())
            scope.voiceId = found;
    }
    scope.applied = ++m_applied;

    if (container) {
        m_voices.append(scope);
        ++m_depth;
    } else if (m_voices.isEmpty()) {
        m_voiceRoot = scope;
    } else {
        m_voices.last() = scope;
    }
}

void SapiMarkupState::applyLang(const QString &langId, bool container)
{
    const QString id = langId.trimmed();
    VoiceScope scope;
    const QString keep = currentVoice();
    QString found;
    if (!id.isEmpty() && id.size() <= MaxRequirementLength)
        found = resolve(QStringLiteral("Language=") + id, QString());
    scope.voiceId = found.isEmpty() ? keep : found;
    scope.applied = ++m_applied;

    if (container) {
        m_langs.append(scope);
        ++m_depth;
    } else if (m_langs.isEmpty()) {
        m_langRoot = scope;
    } else {
        m_langs.last() = scope;
    }
}

bool SapiMarkupState::close(Kind kind)
{
    switch (kind) {
    case Kind::Volume: return closeScope(m_volume);
    case Kind::Rate: return closeScope(m_rate);
    case Kind::Pitch: return closeScope(m_pitch);
    case Kind::Emph: return closeScope(m_emphasis);
    case Kind::Spell: return closeScope(m_spell);
    case Kind::PartOfSpeech: return closeScope(m_partOfSpeech);
    case Kind::Context: return closeScope(m_context);
    case Kind::Voice:
    case Kind::Lang: {
        QList<VoiceScope> &stack = kind == Kind::Voice ? m_voices : m_langs;
        if (stack.isEmpty())
            return false;
        stack.removeLast();
        --m_depth;
        return true;
    }
    }
    return false;
}

SpeechState SapiMarkupState::current() const
{
    SpeechState state;
    state.rate = std::clamp(m_rate.value, -10, 10);
    state.pitch = std::clamp(m_pitch.value, -10, 10);
    state.volume = m_volume.value;
    state.emphasis = m_emphasis.value;
    state.spell = m_spell.value;
    state.voiceId = currentVoice();
    state.partOfSpeech = m_partOfSpeech.value;
    state.context = m_context.value;
    return state;
}

QString SapiMarkupState::resolve(const QString &required, const QString &optional)
{
    if (!m_resolver)
        return {};
    const QPair<QString, QString> key(required, optional);
    const auto it = m_resolved.constFind(key);
    if (it != m_resolved.constEnd())
        return it.value();
    const QString voiceId = m_resolver(required, optional);
    m_resolved.insert(key, voiceId);
    return voiceId;
}

QString SapiMarkupState::currentVoice() const
{
    const VoiceScope &voice = m_voices.isEmpty() ? m_voiceRoot : m_voices.last();
    const VoiceScope &lang = m_langs.isEmpty() ? m_langRoot : m_langs.last();
    return voice.applied >= lang.applied ? voice.voiceId : lang.voiceId;
}
