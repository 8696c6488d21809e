#include "SapiMarkupParser.h"

#include "SapiMarkupScanner.h"
#include "SapiMarkupState.h"

#include <QStringList>

#include <algorithm>
#include <optional>

namespace {

using Kind = SapiMarkupState::Kind;
using Type = MarkupToken::Type;

enum class Element { Other, Volume, Rate, Pitch, Emph, Spell, Silence, Pron, Bookmark, PartOfSp, Context, Voice, Lang };

Element elementOf(const QString &name)
{
    static const QHash<QString, Element> elements = {
        {QStringLiteral("volume"), Element::Volume},     {QStringLiteral("rate"), Element::Rate},
        {QStringLiteral("pitch"), Element::Pitch},       {QStringLiteral("emph"), Element::Emph},
        {QStringLiteral("spell"), Element::Spell},       {QStringLiteral("silence"), Element::Silence},
        {QStringLiteral("pron"), Element::Pron},         {QStringLiteral("bookmark"), Element::Bookmark},
        {QStringLiteral("partofsp"), Element::PartOfSp}, {QStringLiteral("context"), Element::Context},
        {QStringLiteral("voice"), Element::Voice},       {QStringLiteral("lang"), Element::Lang},
    };
    // <SAPI>, the root, changes nothing, like any element SAPI does not know.
    return elements.value(name, Element::Other);
}

std::optional<Kind> kindOf(Element element)
{
    switch (element) {
    case Element::Volume: return Kind::Volume;
    case Element::Rate: return Kind::Rate;
    case Element::Pitch: return Kind::Pitch;
    case Element::Emph: return Kind::Emph;
    case Element::Spell: return Kind::Spell;
    case Element::PartOfSp: return Kind::PartOfSpeech;
    case Element::Context: return Kind::Context;
    case Element::Voice: return Kind::Voice;
    case Element::Lang: return Kind::Lang;
    default: return std::nullopt;
    }
}

// The leading integer of an attribute value ("50", " -3", "20%"), saturated
// far beyond any range SAPI uses; none when it does not start with one.
std::optional<int> integerOf(const QString *value)
{
    if (!value)
        return std::nullopt;
    const QString v = value->trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == u'-' || v[i] == u'+'))
        negative = v[i++] == u'-';
    const qsizetype digitsBegin = i;
    qint64 magnitude = 0;
    for (; i < v.size() && v[i] >= u'0' && v[i] <= u'9'; ++i)
        magnitude = std::min<qint64>(magnitude * 10 + (v[i].unicode() - u'0'), 1'000'000);
    if (i == digitsBegin)
        return std::nullopt;
    return int(negative ? -magnitude : magnitude);
}

// SAPI's parts of speech in their canonical spelling; "Unknown" is no hint.
std::optional<QString> partOfSpeechOf(const QString *value)
{
    if (!value)
        return std::nullopt;
    static const QStringList parts = {QStringLiteral("Noun"), QStringLiteral("Verb"), QStringLiteral("Modifier"),
                                      QStringLiteral("Function"), QStringLiteral("Interjection")};
    const QString v = value->trimmed();
    if (v.compare(u"Unknown", Qt::CaseInsensitive) == 0)
        return QString();
    for (const QString &part : parts) {
        if (v.compare(part, Qt::CaseInsensitive) == 0)
            return part;
    }
    return std::nullopt;
}

QString orEmpty(const QString *value)
{
    return value ? *value : QString();
}

// "Gender=Female ;\n Age!=Child;" → "Gender=Female;Age!=Child": markup spread
// over lines must reach the voice matcher as plain attribute lists.
QString attributeListOf(const QString *value)
{
    if (!value)
        return {};
    QStringList items;
    for (const QString &item : value->split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = item.simplified();
        if (!trimmed.isEmpty())
            items << trimmed;
    }
    return items.join(u';');
}

// One parse: the scanner's tokens applied to the state and collected into
// fragments.
class Run
{
public:
    Run(const QString &text, const SpeechState &initial, const SapiMarkupParser::VoiceResolver &resolver)
        : m_source(text)
        , m_scanner(text)
        , m_state(initial, resolver)
    {}

    SapiMarkupParser::Result run();

private:
    void startTag(const MarkupToken &token);
    void endTag(const MarkupToken &token);
    void pronunciation(const MarkupToken &token);
    SpeechFragment &textTarget(qsizetype at);
    void appendSource(qsizetype begin, qsizetype end);
    void appendCharacter(char32_t codePoint, qsizetype begin, qsizetype end);
    void appendMark(SpeechFragment::Kind kind, qsizetype at, int msec, const QString &argument);
    int depth() const { return m_state.depth() + int(m_prons.size()); }

    const QString &m_source;
    SapiMarkupScanner m_scanner;
    SapiMarkupState m_state;
    QList<SpeechFragment> m_fragments;
    SontiError m_error;
    // One entry per open <pron>: whether it is the one whose pronunciation
    // replaces the text read inside it (only the outermost valid one does).
    QList<bool> m_prons;
    qsizetype m_pronFragment = -1;
    bool m_plainTextOnly = true;
    // The state of the last Text fragment; m_stateChanged says a tag may have
    // changed m_state since.
    SpeechState m_current;
    bool m_stateChanged = true;
};

SapiMarkupParser::Result Run::run()
{
    for (MarkupToken token = m_scanner.next(); token.type != Type::End; token = m_scanner.next()) {
        switch (token.type) {
        case Type::Text:
            if (token.textBegin != token.begin)
                m_plainTextOnly = false;
            appendSource(token.textBegin, token.textEnd);
            break;
        case Type::Character:
            m_plainTextOnly = false;
            appendCharacter(token.codePoint, token.begin, token.end);
            break;
        case Type::StartTag:
            m_plainTextOnly = false;
            m_stateChanged = true;
            startTag(token);
            if (m_error.isError())
                return {{}, m_error};
            break;
        case Type::EndTag:
            m_plainTextOnly = false;
            m_stateChanged = true;
            endTag(token);
            break;
        case Type::Skipped: m_plainTextOnly = false; break;
        case Type::End: break;
        }
    }
    if (m_plainTextOnly && m_fragments.size() == 1)
        m_fragments.first().sourceOffsets.clear();
    return {m_fragments, {}};
}

void Run::startTag(const MarkupToken &token)
{
    const Element element = elementOf(token.name);
    const bool container = !token.selfClosing;
    const bool opensScope = container && (kindOf(element).has_value() || element == Element::Pron);
    if (opensScope && depth() >= SapiMarkupParser::MaxDepth) {
        appendSource(token.begin, token.end);
        return;
    }

    switch (element) {
    case Element::Other: break;
    case Element::Volume: m_state.applyVolume(integerOf(token.attribute(QLatin1StringView("level"))), container); break;
    case Element::Rate:
        m_state.applyRate(integerOf(token.attribute(QLatin1StringView("absspeed"))),
                          integerOf(token.attribute(QLatin1StringView("speed"))), container);
        break;
    case Element::Pitch:
        m_state.applyPitch(integerOf(token.attribute(QLatin1StringView("absmiddle"))),
                           integerOf(token.attribute(QLatin1StringView("middle"))), container);
        break;
    // Emphasis, spelling, part of speech and context exist only as containers;
    // their empty form has nothing to apply to.
    case Element::Emph:
        if (container)
            m_state.openEmphasis();
        break;
    case Element::Spell:
        if (container)
            m_state.openSpell();
        break;
    case Element::PartOfSp:
        if (container)
            m_state.openPartOfSpeech(partOfSpeechOf(token.attribute(QLatin1StringView("part"))));
        break;
    case Element::Context:
        if (container) {
            const QString *id = token.attribute(QLatin1StringView("id"));
            m_state.openContext(id ? std::optional<QString>(*id) : std::nullopt);
        }
        break;
    case Element::Voice:
        m_state.applyVoice(attributeListOf(token.attribute(QLatin1StringView("required"))),
                           attributeListOf(token.attribute(QLatin1StringView("optional"))), container);
        break;
    case Element::Lang: m_state.applyLang(orEmpty(token.attribute(QLatin1StringView("langid"))), container); break;
    // Silence and bookmarks are points in the stream: a container form is
    // read as the empty one, and its content is spoken.
    case Element::Silence:
        if (const std::optional<int> msec = integerOf(token.attribute(QLatin1StringView("msec")))) {
            const int clamped = std::clamp(*msec, 0, SapiMarkupParser::MaxSilenceMsec);
            if (clamped > 0)
                appendMark(SpeechFragment::Kind::Silence, token.begin, clamped, QString());
        }
        break;
    case Element::Bookmark:
        if (const QString *mark = token.attribute(QLatin1StringView("mark")))
            appendMark(SpeechFragment::Kind::Bookmark, token.begin, 0, *mark);
        break;
    case Element::Pron: pronunciation(token); break;
    }
}

void Run::endTag(const MarkupToken &token)
{
    const Element element = elementOf(token.name);
    if (const std::optional<Kind> kind = kindOf(element)) {
        m_state.close(*kind);
    } else if (element == Element::Pron && !m_prons.isEmpty()) {
        if (m_prons.takeLast())
            m_pronFragment = -1;
    }
}

// Applies <pron sym="…">, or sets m_error when sym names a symbol that cannot
// be pronounced.
void Run::pronunciation(const MarkupToken &token)
{
    const QString *sym = token.attribute(QLatin1StringView("sym"));
    QStringList symbols = sym ? sym->simplified().toLower().split(u' ', Qt::SkipEmptyParts) : QStringList();
    for (const QString &symbol : std::as_const(symbols)) {
        if (!SapiMarkupParser::isPhoneme(symbol)) {
            const QString shown = symbol.size() > 32 ? symbol.left(32) + QStringLiteral("…") : symbol;
            m_error = SontiError(SontiError::SpeechFailure, QStringLiteral("SAPI XML"),
                                 QStringLiteral("<pron> at character %1 names \"%2\", which is not a SAPI phoneme")
                                     .arg(token.begin)
                                     .arg(shown));
            return;
        }
    }

    // Without symbols there is nothing to pronounce and the text inside is
    // read as usual; inside another pronunciation, the outer one stands.
    const bool replaces = !symbols.isEmpty() && m_pronFragment < 0;
    if (replaces)
        appendMark(SpeechFragment::Kind::Pronounce, token.begin, 0, symbols.join(u' '));
    if (!token.selfClosing) {
        m_prons.append(replaces);
        if (replaces)
            m_pronFragment = m_fragments.size() - 1;
    }
}

// The fragment that text read now belongs to: the pronunciation it is
// replaced by, the last fragment if it speaks with the same state, or a new
// one that starts at source offset `at`.
SpeechFragment &Run::textTarget(qsizetype at)
{
    if (m_pronFragment >= 0)
        return m_fragments[m_pronFragment];
    // The state changes only at tags, so most text joins the last fragment
    // without comparing states.
    if (m_stateChanged) {
        m_stateChanged = false;
        SpeechState state = m_state.current();
        if (state == m_current && !m_fragments.isEmpty() && m_fragments.last().kind == SpeechFragment::Kind::Text)
            return m_fragments.last();
        m_current = std::move(state);
    } else if (!m_fragments.isEmpty() && m_fragments.last().kind == SpeechFragment::Kind::Text) {
        return m_fragments.last();
    }
    SpeechFragment fragment;
    fragment.state = m_current;
    fragment.sourceOffsets = {at};
    m_fragments.append(std::move(fragment));
    return m_fragments.last();
}

void Run::appendSource(qsizetype begin, qsizetype end)
{
    if (begin >= end)
        return;
    SpeechFragment &fragment = textTarget(begin);
    fragment.text.append(QStringView(m_source).sliced(begin, end - begin));
    // The entry after the last unit so far becomes this run's first unit.
    QList<qsizetype> &offsets = fragment.sourceOffsets;
    const qsizetype size = offsets.size();
    offsets.resize(size + (end - begin));
    qsizetype *offset = offsets.data() + size - 1;
    for (qsizetype i = begin; i <= end; ++i)
        *offset++ = i;
}

void Run::appendCharacter(char32_t codePoint, qsizetype begin, qsizetype end)
{
    SpeechFragment &fragment = textTarget(begin);
    const QString units = QString::fromUcs4(&codePoint, 1);
    fragment.text.append(units);
    fragment.sourceOffsets.last() = begin;
    for (qsizetype i = 1; i < units.size(); ++i)
        fragment.sourceOffsets.append(begin);
    fragment.sourceOffsets.append(end);
}

void Run::appendMark(SpeechFragment::Kind kind, qsizetype at, int msec, const QString &argument)
{
    SpeechFragment fragment;
    fragment.kind = kind;
    fragment.sourceOffsets = {at};
    fragment.msec = msec;
    fragment.argument = argument;
    fragment.state = m_state.current();
    m_fragments.append(std::move(fragment));
}

} // namespace

SapiMarkupParser::SapiMarkupParser(VoiceResolver resolver)
    : m_resolver(std::move(resolver))
{}

SapiMarkupParser::Result SapiMarkupParser::parse(const QString &text, const SpeechState &initial) const
{
    return Run(text, initial, m_resolver).run();
}

bool SapiMarkupParser::isPhoneme(QStringView symbol)
{
    static const QStringList phones = {
        QStringLiteral("-"),  QStringLiteral("!"),  QStringLiteral("&"),  QStringLiteral(","),  QStringLiteral("."),
        QStringLiteral("?"),  QStringLiteral("_"),  QStringLiteral("1"),  QStringLiteral("2"),  QStringLiteral("aa"),
        QStringLiteral("ae"), QStringLiteral("ah"), QStringLiteral("ao"), QStringLiteral("aw"), QStringLiteral("ax"),
        QStringLiteral("ay"), QStringLiteral("b"),  QStringLiteral("ch"), QStringLiteral("d"),  QStringLiteral("dh"),
        QStringLiteral("eh"), QStringLiteral("er"), QStringLiteral("ey"), QStringLiteral("f"),  QStringLiteral("g"),
        QStringLiteral("h"),  QStringLiteral("ih"), QStringLiteral("iy"), QStringLiteral("jh"), QStringLiteral("k"),
        QStringLiteral("l"),  QStringLiteral("m"),  QStringLiteral("n"),  QStringLiteral("ng"), QStringLiteral("ow"),
        QStringLiteral("oy"), QStringLiteral("p"),  QStringLiteral("r"),  QStringLiteral("s"),  QStringLiteral("sh"),
        QStringLiteral("t"),  QStringLiteral("th"), QStringLiteral("uh"), QStringLiteral("uw"), QStringLiteral("v"),
        QStringLiteral("w"),  QStringLiteral("y"),  QStringLiteral("z"),  QStringLiteral("zh"),
    };
    return std::any_of(phones.cbegin(), phones.cend(),
                       [symbol](const QString &phone) { return symbol.compare(phone, Qt::CaseInsensitive) == 0; });
}
