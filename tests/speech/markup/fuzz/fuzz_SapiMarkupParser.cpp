// libFuzzer target for the SAPI markup parser: any input must parse without a
// crash, a hang or undefined behaviour, and every result must keep the
// promises the synthesiser relies on.
#include "SapiMarkupParser.h"
#include "SapiMarkupReader.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        abort();
}

// A voice for every third requirement, so that both the match and the
// "keep the voice" paths run.
QString resolve(const QString &required, const QString &optional)
{
    const size_t h = qHash(required) ^ qHash(optional);
    return h % 3 == 0 ? QString() : QStringLiteral("voice-%1").arg(h % 7);
}

// Offset tables spelled out, and Text fragments side by side in the same
// state joined (read whole, they never are: only cuts leave them so): what
// a piecewise read must equal.
QList<SpeechFragment> joined(const QList<SpeechFragment> &fragments)
{
    QList<SpeechFragment> out;
    for (SpeechFragment f : fragments) {
        if (f.sourceOffsets.isEmpty() && f.kind == SpeechFragment::Kind::Text) {
            for (qsizetype i = 0; i <= f.text.size(); ++i)
                f.sourceOffsets.append(f.sourceBase + i);
        }
        f.source.clear();
        f.sourceBase = 0;
        if (!out.isEmpty() && f.kind == SpeechFragment::Kind::Text && out.last().kind == f.kind
            && out.last().state == f.state) {
            out.last().text += f.text;
            out.last().sourceOffsets.removeLast();
            out.last().sourceOffsets += f.sourceOffsets;
        } else {
            out.append(f);
        }
    }
    return out;
}

void checkPiecewise(const QString &text, const SapiMarkupParser::Result &whole)
{
    SapiMarkupReader reader([&text](qsizetype from, qsizetype count) { return text.mid(from, count); }, true,
                            SpeechState(), resolve, 8, 3);
    QList<SpeechFragment> pieces;
    while (std::optional<SpeechFragment> f = reader.next()) {
        // An excerpt is the source itself.
        require(f->source.isEmpty() || text.mid(f->sourceBase, f->source.size()) == f->source);
        pieces.append(*f);
    }
    require(reader.error().isError() != whole.ok());
    if (!whole.ok())
        return;
    const QList<SpeechFragment> a = joined(whole.fragments), b = joined(pieces);
    require(a.size() == b.size());
    for (qsizetype i = 0; i < a.size(); ++i) {
        require(a[i].kind == b[i].kind && a[i].text == b[i].text && a[i].sourceOffsets == b[i].sourceOffsets);
        require(a[i].state == b[i].state && a[i].msec == b[i].msec && a[i].argument == b[i].argument);
    }
}

void check(const QString &text)
{
    const SapiMarkupParser::Result result = SapiMarkupParser(resolve).parse(text);
    checkPiecewise(text, result);
    if (!result.ok()) {
        require(result.fragments.isEmpty());
        require(!result.error.description().isEmpty());
        return;
    }
    const qsizetype n = text.size();
    qsizetype previous = 0;
    for (const SpeechFragment &f : result.fragments) {
        const SpeechState &s = f.state;
        require(s.rate >= -10 && s.rate <= 10 && s.pitch >= -10 && s.pitch <= 10);
        require(s.volume >= 0 && s.volume <= 100);
        if (f.sourceOffsets.isEmpty()) {
            // The identity: only for text without any markup.
            require(result.fragments.size() == 1 && f.text == text);
            continue;
        }
        require(f.sourceOffsets.size() == f.text.size() + 1);
        for (const qsizetype offset : f.sourceOffsets) {
            require(offset >= 0 && offset <= n);
        }
        // Offsets never go back, except that a pronunciation's replaced text
        // may be followed by marks met inside it.
        if (f.kind != SpeechFragment::Kind::Pronounce) {
            for (qsizetype i = 1; i < f.sourceOffsets.size(); ++i)
                require(f.sourceOffsets[i] >= f.sourceOffsets[i - 1]);
        }
        if (f.kind == SpeechFragment::Kind::Text) {
            require(!f.text.isEmpty());
            require(f.sourceOffsets.first() >= previous);
            previous = f.sourceOffsets.last();
        }
        if (f.kind == SpeechFragment::Kind::Silence)
            require(f.msec > 0 && f.msec <= SapiMarkupParser::MaxSilenceMsec);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Pasted text arrives as UTF-8; raw UTF-16 also reaches lone surrogates.
    check(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    check(QString(reinterpret_cast<const QChar *>(data), qsizetype(size / 2)));
    return 0;
}
