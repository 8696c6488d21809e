#include "SapiMarkupReader.h"

#include "SapiMarkupParser.h"

#include <QStringList>

#include <algorithm>

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

// Where a sentence ends: after ".", "!", "?", ";" or ":" and before white
// space, or at a blank line.
bool endsSentence(QChar before, QChar after)
{
    if (!after.isSpace())
        return false;
    return before == u'.' || before == u'!' || before == u'?' || before == u';' || before == u':' || before == u'\n';
}

} // namespace

SapiMarkupReader::SapiMarkupReader(const QString &text, const SpeechState &initial, const VoiceResolver &resolver)
    : m_window(text)
    , m_scanner(m_window)
    , m_state(initial, resolver)
{}

SapiMarkupReader::SapiMarkupReader(Read read, bool markup, const SpeechState &initial, const VoiceResolver &resolver,
                                   qsizetype cutAfter, qsizetype sliceLength)
    : m_read(std::move(read))
    , m_markup(markup)
    , m_cutAfter(cutAfter)
    , m_sliceLength(std::max<qsizetype>(sliceLength, 1))
    , m_final(false)
    , m_scanner(m_window, 0, false)
    , m_state(initial, resolver)
{}

std::optional<SpeechFragment> SapiMarkupReader::next()
{
    for (;;) {
        if (frontComplete())
            return takeFront();
        if (m_ended)
            return std::nullopt;
        const MarkupToken token = nextToken();
        if (token.type == Type::NeedMore) {
            readMore();
            continue;
        }
        // A text that cannot be spoken ends where it fails; read whole, it
        // is not spoken at all.
        const bool failed = token.type != Type::End && !handle(token);
        if (token.type == Type::End || failed) {
            m_ended = true;
            m_prons.clear();
            m_pronFragment = -1;
            if (failed && !m_read)
                m_fragments.clear();
        }
    }
}

MarkupToken SapiMarkupReader::nextToken()
{
    if (m_markup)
        return m_scanner.next();
    MarkupToken token;
    const qsizetype limit = m_base + m_window.size();
    token.begin = token.end = m_plainPos;
    if (m_plainPos >= limit) {
        token.type = m_final ? Type::End : Type::NeedMore;
        return token;
    }
    token.type = Type::Text;
    token.textBegin = m_plainPos;
    token.end = token.textEnd = m_plainPos = limit;
    return token;
}

bool SapiMarkupReader::readMore()
{
    if (m_final)
        return false;
    // Keep what the fragments not yet taken came from, and what the scanner
    // has still to read; drop the rest once there is a slice's worth of it.
    qsizetype keep = m_markup ? m_scanner.position() : m_plainPos;
    for (const SpeechFragment &f : m_fragments) {
        if (!f.sourceOffsets.isEmpty())
            keep = std::min(keep, f.sourceOffsets.first());
    }
    if (keep - m_base >= m_sliceLength) {
        m_window.remove(0, keep - m_base);
        m_base = keep;
    }
    const qsizetype from = m_base + m_window.size();
    const qsizetype length = from == 0 ? std::min(m_sliceLength, FirstSliceLength) : m_sliceLength;
    const QString slice = m_read(from, length);
    m_final = slice.size() < length;
    m_window.append(slice);
    m_scanner.setWindow(m_window, m_base, m_final);
    return true;
}

bool SapiMarkupReader::handle(const MarkupToken &token)
{
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
            return false;
        break;
    case Type::EndTag:
        m_plainTextOnly = false;
        m_stateChanged = true;
        endTag(token);
        break;
    case Type::Skipped: m_plainTextOnly = false; break;
    case Type::End:
    case Type::NeedMore: break;
    }
    return true;
}

bool SapiMarkupReader::frontComplete() const
{
    if (m_fragments.empty())
        return false;
    if (m_ended)
        return true;
    // Text may still join the last fragment, or the open pronunciation.
    if (m_pronFragment == 0)
        return false;
    return m_fragments.size() > 1 || m_fragments.front().kind == SpeechFragment::Kind::Silence
        || m_fragments.front().kind == SpeechFragment::Kind::Bookmark;
}

SpeechFragment SapiMarkupReader::takeFront()
{
    SpeechFragment fragment = std::move(m_fragments.front());
    m_fragments.pop_front();
    if (m_pronFragment > 0)
        --m_pronFragment;
    if (!m_read || fragment.sourceOffsets.isEmpty())
        return fragment;
    // Read piecewise: text that stands in the source as it is needs no
    // table; other text carries the excerpt its offsets point into.
    const qsizetype first = fragment.sourceOffsets.first();
    const qsizetype last = fragment.sourceOffsets.last();
    if (fragment.kind == SpeechFragment::Kind::Text && last - first == fragment.text.size()) {
        fragment.sourceOffsets = {};
        fragment.sourceBase = first;
    } else if (first >= m_base && last >= first) {
        fragment.source = source(first, std::min(last, m_base + m_window.size())).toString();
        fragment.sourceBase = first;
    }
    return fragment;
}

QStringView SapiMarkupReader::source(qsizetype begin, qsizetype end) const
{
    return QStringView(m_window).sliced(begin - m_base, end - begin);
}

void SapiMarkupReader::pushFragment(SpeechFragment fragment)
{
    m_fragments.push_back(std::move(fragment));
}

// Where the Text fragment that source[begin, end) is to join should end,
// when it is read piecewise: after the first sentence end past the cut
// length, or, once it would grow four times past that, at the last space
// before (which may lie in the fragment itself: its tail then goes on in a
// fragment of its own, and the answer is begin). end when it may grow on.
qsizetype SapiMarkupReader::cutIn(SpeechFragment &fragment, qsizetype begin, qsizetype end)
{
    const QStringView text = source(begin, end);
    const qsizetype length = fragment.text.size();
    const auto unit = [&](qsizetype i) { return i < length ? fragment.text[i] : text[i - length]; };
    for (qsizetype i = std::max({m_cutAfter, length, qsizetype(1)}); i < length + text.size(); ++i) {
        if (endsSentence(unit(i - 1), unit(i)))
            return begin + (i - length);
    }
    const qsizetype hard = 4 * m_cutAfter;
    if (length + text.size() <= hard)
        return end;
    for (qsizetype i = std::max(hard, length); i > std::max<qsizetype>(hard - m_cutAfter, 0); --i) {
        if (!unit(i).isSpace())
            continue;
        if (i >= length)
            return begin + (i - length);
        SpeechFragment rest;
        rest.state = fragment.state;
        rest.text = fragment.text.sliced(i);
        rest.sourceOffsets = fragment.sourceOffsets.sliced(i);
        fragment.text.truncate(i);
        fragment.sourceOffsets.resize(i + 1);
        pushFragment(std::move(rest));
        return begin;
    }
    // Never between the halves of a surrogate pair.
    qsizetype at = std::max(hard, length + 1);
    if (at >= length + text.size())
        return end;
    if (unit(at).isLowSurrogate() && unit(at - 1).isHighSurrogate())
        at = at - 1 > length ? at - 1 : at + 1;
    return std::min(begin + (at - length), end);
}

void SapiMarkupReader::startTag(const MarkupToken &token)
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

void SapiMarkupReader::endTag(const MarkupToken &token)
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
void SapiMarkupReader::pronunciation(const MarkupToken &token)
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
            m_pronFragment = qsizetype(m_fragments.size()) - 1;
    }
}

// The fragment that text read now belongs to: the pronunciation it is
// replaced by, the last fragment if it speaks with the same state, or a new
// one that starts at source offset `at`.
SpeechFragment &SapiMarkupReader::textTarget(qsizetype at)
{
    if (m_pronFragment >= 0)
        return m_fragments[size_t(m_pronFragment)];
    // The state changes only at tags, so most text joins the last fragment
    // without comparing states.
    if (m_stateChanged) {
        m_stateChanged = false;
        SpeechState state = m_state.current();
        if (state == m_current && !m_fragments.empty() && m_fragments.back().kind == SpeechFragment::Kind::Text)
            return m_fragments.back();
        m_current = std::move(state);
    } else if (!m_fragments.empty() && m_fragments.back().kind == SpeechFragment::Kind::Text) {
        return m_fragments.back();
    }
    SpeechFragment fragment;
    fragment.state = m_current;
    fragment.sourceOffsets = {at};
    pushFragment(std::move(fragment));
    return m_fragments.back();
}

void SapiMarkupReader::appendSource(qsizetype begin, qsizetype end)
{
    while (begin < end) {
        SpeechFragment &fragment = textTarget(begin);
        const qsizetype stop = m_cutAfter > 0 && m_pronFragment < 0 ? cutIn(fragment, begin, end) : end;
        if (stop > begin) {
            fragment.text.append(source(begin, stop));
            // The entry after the last unit so far becomes this run's first unit.
            QList<qsizetype> &offsets = fragment.sourceOffsets;
            const qsizetype size = offsets.size();
            offsets.resize(size + (stop - begin));
            qsizetype *offset = offsets.data() + size - 1;
            for (qsizetype i = begin; i <= stop; ++i)
                *offset++ = i;
        }
        if (stop < end && &m_fragments.back() == &fragment) {
            // The rest goes on in a fragment of its own, in the same state.
            SpeechFragment rest;
            rest.state = fragment.state;
            rest.sourceOffsets = {stop};
            pushFragment(std::move(rest));
        }
        begin = stop;
    }
}

void SapiMarkupReader::appendCharacter(char32_t codePoint, qsizetype begin, qsizetype end)
{
    SpeechFragment *fragment = &textTarget(begin);
    if (m_cutAfter > 0 && m_pronFragment < 0 && fragment->text.size() >= 4 * m_cutAfter) {
        SpeechFragment rest;
        rest.state = fragment->state;
        rest.sourceOffsets = {begin};
        pushFragment(std::move(rest));
        fragment = &m_fragments.back();
    }
    const QString units = QString::fromUcs4(&codePoint, 1);
    fragment->text.append(units);
    fragment->sourceOffsets.last() = begin;
    for (qsizetype i = 1; i < units.size(); ++i)
        fragment->sourceOffsets.append(begin);
    fragment->sourceOffsets.append(end);
}

void SapiMarkupReader::appendMark(SpeechFragment::Kind kind, qsizetype at, int msec, const QString &argument)
{
    SpeechFragment fragment;
    fragment.kind = kind;
    fragment.sourceOffsets = {at};
    fragment.msec = msec;
    fragment.argument = argument;
    fragment.state = m_state.current();
    pushFragment(std::move(fragment));
}
