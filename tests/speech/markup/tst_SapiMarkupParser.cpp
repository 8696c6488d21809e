#include "SapiMarkupParser.h"
#include "SapiMarkupReader.h"

#include <QTest>

// Fragments are compared as one line each:
//   text "Hello" @0..5 volume=50      (offsets: runs a..b of consecutive values)
//   silence 500 @7 / bookmark "m" @7 / pron "h eh l ow" "hello" @..
// followed by whatever of the state differs from the default.
namespace {

QString offsetsOf(const QList<qsizetype> &offsets)
{
    QStringList parts;
    for (qsizetype i = 0; i < offsets.size();) {
        qsizetype j = i;
        while (j + 1 < offsets.size() && offsets[j + 1] == offsets[j] + 1)
            ++j;
        parts << (j > i ? QStringLiteral("%1..%2").arg(offsets[i]).arg(offsets[j]) : QString::number(offsets[i]));
        i = j + 1;
    }
    return parts.join(u',');
}

QString stateOf(const SpeechState &s)
{
    QStringList parts;
    if (s.rate != 0)
        parts << QStringLiteral("rate=%1").arg(s.rate);
    if (s.pitch != 0)
        parts << QStringLiteral("pitch=%1").arg(s.pitch);
    if (s.volume != 100)
        parts << QStringLiteral("volume=%1").arg(s.volume);
    if (s.emphasis)
        parts << QStringLiteral("emph");
    if (s.spell)
        parts << QStringLiteral("spell");
    if (!s.voiceId.isEmpty())
        parts << QStringLiteral("voice=") + s.voiceId;
    if (!s.partOfSpeech.isEmpty())
        parts << QStringLiteral("part=") + s.partOfSpeech;
    if (!s.context.isEmpty())
        parts << QStringLiteral("context=") + s.context;
    return parts.isEmpty() ? QString() : u' ' + parts.join(u' ');
}

QStringList describe(const QList<SpeechFragment> &fragments)
{
    QStringList lines;
    for (const SpeechFragment &f : fragments) {
        QString line;
        switch (f.kind) {
        case SpeechFragment::Kind::Text: line = QStringLiteral("text \"%1\"").arg(f.text); break;
        case SpeechFragment::Kind::Silence: line = QStringLiteral("silence %1").arg(f.msec); break;
        case SpeechFragment::Kind::Bookmark: line = QStringLiteral("bookmark \"%1\"").arg(f.argument); break;
        case SpeechFragment::Kind::Pronounce:
            line = QStringLiteral("pron \"%1\" \"%2\"").arg(f.argument, f.text);
            break;
        }
        lines << line + QStringLiteral(" @") + offsetsOf(f.sourceOffsets) + stateOf(f.state);
    }
    return lines;
}

// Voices as the engine might offer them, matched the SAPI way: every required
// attribute must hold; among those, the most optional ones win, the first on a tie.
QString resolveVoice(const QString &required, const QString &optional)
{
    static const QList<QPair<QString, QStringList>> voices = {
        {QStringLiteral("ja-f"), {"Gender=Female", "Language=411", "Age=Teen"}},
        {QStringLiteral("en-m"), {"Gender=Male", "Language=409", "Age=Adult"}},
        {QStringLiteral("en-f"), {"Gender=Female", "Language=409", "Age=Adult"}},
    };
    const auto holds = [](const QStringList &attributes, const QString &condition) {
        const bool negated = condition.contains(u"!=");
        QString wanted = condition;
        wanted.replace(QStringLiteral("!="), QStringLiteral("="));
        const bool has = attributes.contains(wanted.trimmed(), Qt::CaseInsensitive);
        return negated ? !has : has;
    };
    QString best;
    int bestScore = -1;
    for (const auto &[id, attributes] : voices) {
        const QStringList needed = required.split(u';', Qt::SkipEmptyParts);
        if (!std::all_of(needed.cbegin(), needed.cend(), [&](const QString &c) { return holds(attributes, c); }))
            continue;
        const QStringList wished = optional.split(u';', Qt::SkipEmptyParts);
        const int score =
            int(std::count_if(wished.cbegin(), wished.cend(), [&](const QString &c) { return holds(attributes, c); }));
        if (score > bestScore) {
            best = id;
            bestScore = score;
        }
    }
    return best;
}

QStringList parsed(const QString &input)
{
    const SapiMarkupParser::Result result = SapiMarkupParser(resolveVoice).parse(input);
    if (!result.ok())
        return {QStringLiteral("error: ") + result.error.description()};
    return describe(result.fragments);
}

// The fragments of input read a slice at a time and cut after cutAfter
// units, joined back where a cut left the same state on both sides (read
// whole, Text fragments side by side never are), with every offset table
// spelled out; an excerpt must be the source itself.
QList<SpeechFragment> piecewise(const QString &input, qsizetype sliceLength, qsizetype cutAfter,
                                SontiError *error = nullptr)
{
    SapiMarkupReader reader([&input](qsizetype from, qsizetype count) { return input.mid(from, count); }, true,
                            SpeechState(), resolveVoice, cutAfter, sliceLength);
    QList<SpeechFragment> joined;
    while (std::optional<SpeechFragment> f = reader.next()) {
        if (!f->source.isEmpty())
            QTest::qVerify(input.mid(f->sourceBase, f->source.size()) == f->source, "excerpt", "", __FILE__, __LINE__);
        if (f->kind == SpeechFragment::Kind::Text && f->sourceOffsets.isEmpty()) {
            for (qsizetype i = 0; i <= f->text.size(); ++i)
                f->sourceOffsets.append(f->sourceBase + i);
        }
        if (f->kind == SpeechFragment::Kind::Text && !joined.isEmpty()
            && joined.last().kind == SpeechFragment::Kind::Text && joined.last().state == f->state) {
            joined.last().text += f->text;
            joined.last().sourceOffsets.removeLast();
            joined.last().sourceOffsets += f->sourceOffsets;
        } else {
            joined.append(*f);
        }
    }
    if (error)
        *error = reader.error();
    return joined;
}

QStringList parsedPiecewise(const QString &input, qsizetype sliceLength, qsizetype cutAfter)
{
    SontiError error;
    const QList<SpeechFragment> fragments = piecewise(input, sliceLength, cutAfter, &error);
    if (error.isError())
        return {QStringLiteral("error: ") + error.description()};
    return describe(fragments);
}

} // namespace

class tst_SapiMarkupParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fragments_data();
    void fragments();
    void readPiecewise_data() { fragments_data(); }
    void readPiecewise();
    void piecewiseCutsAfterSentences();
    void plainTextIsOneIdentityFragment();
    void unknownPhonemeFailsWholeText();
    void voiceRequirementsReachTheResolver();
    void nestingIsBounded();
    void largeInputs_data();
    void largeInputs();
    void largeInputsPiecewise_data() { largeInputs_data(); }
    void largeInputsPiecewise();
};

void tst_SapiMarkupParser::fragments_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("expected");

    // Offsets: every decoded unit points at its source, markup counted.
    QTest::newRow("word after a tag") << "<emph>Hi</emph> you"
                                      << QStringList{"text \"Hi\" @6..8 emph", "text \" you\" @15..19"};
    QTest::newRow("entity in a word") << "a&amp;b" << QStringList{"text \"a&b\" @0..1,6..7"};
    QTest::newRow("all five entities") << "&lt;&gt;&quot;&apos;&amp;" << QStringList{"text \"<>\"'&\" @0,4,8,14,20,25"};
    QTest::newRow("decimal and hex references") << "&#65;&#x42;&#X63;" << QStringList{"text \"ABc\" @0,5,11,17"};
    QTest::newRow("reference beyond the BMP")
        << "x&#x1F600;y" << QStringList{QStringLiteral("text \"x\U0001F600y\" @0..1,1,10..11")};
    QTest::newRow("surrogate pair as typed")
        << QStringLiteral("<emph>\U0001F600</emph>!")
        << QStringList{QStringLiteral("text \"\U0001F600\" @6..8 emph"), "text \"!\" @15..16"};
    QTest::newRow("CR LF kept") << "a\r\n<emph>b</emph>"
                                << QStringList{"text \"a\r\n\" @0..3", "text \"b\" @9..10 emph"};
    QTest::newRow("CDATA read as text") << "<![CDATA[a<b&c]]>d" << QStringList{"text \"a<b&cd\" @9..13,17..18"};
    QTest::newRow("comment skipped, text merged") << "Hel<!-- x -->lo" << QStringList{"text \"Hello\" @0..2,13..15"};
    QTest::newRow("processing instruction skipped")
        << "<?xml version=\"1.0\"?><SAPI>hi</SAPI>" << QStringList{"text \"hi\" @27..29"};
    QTest::newRow("DOCTYPE not expanded")
        << "<!DOCTYPE s [<!ENTITY e \"boom>\">]>&e;x" << QStringList{"text \"&e;x\" @34..38"};
    QTest::newRow("whitespace between tags kept")
        << "<rate speed=\"1\">\n  a\n</rate>" << QStringList{"text \"\n  a\n\" @16..21 rate=1"};

    // Leniency: what is not markup is text.
    QTest::newRow("stray <") << "if a < b" << QStringList{"text \"if a < b\" @"};
    QTest::newRow("< before a digit") << "x<3 and y>2" << QStringList{"text \"x<3 and y>2\" @"};
    QTest::newRow("prose that looks like a tag") << "a<b and c>d" << QStringList{"text \"a<b and c>d\" @"};
    QTest::newRow("& without ;") << "Tom & Jerry &amp" << QStringList{"text \"Tom & Jerry &amp\" @"};
    QTest::newRow("unknown entity") << "&nbsp;&AMP;" << QStringList{"text \"&nbsp;&AMP;\" @"};
    QTest::newRow("invalid references") << "&#0;&#xD800;&#1114112;&#;&#99999999999999999999;"
                                        << QStringList{"text \"&#0;&#xD800;&#1114112;&#;&#99999999999999999999;\" @"};
    QTest::newRow("unterminated comment") << "a <!-- b" << QStringList{"text \"a <!-- b\" @"};
    QTest::newRow("unterminated attribute") << "<volume level=\"5>x" << QStringList{"text \"<volume level=\"5>x\" @"};
    QTest::newRow("unknown element skipped, content spoken")
        << "<foo bar='1'>a</foo><br/>b" << QStringList{"text \"ab\" @13,25..26"};
    QTest::newRow("stray end tag ignored") << "a</volume></emph>b" << QStringList{"text \"ab\" @0,17..18"};
    QTest::newRow("names case-insensitive, single quotes")
        << "<VOLUME Level='40'>a</Volume>" << QStringList{"text \"a\" @19..20 volume=40"};

    // Scoping.
    QTest::newRow("volume container restores")
        << "<volume level=\"50\">a</volume>b" << QStringList{"text \"a\" @19..20 volume=50", "text \"b\" @29..30"};
    QTest::newRow("nested volume is absolute") << "<volume level=\"50\"><volume level=\"100\">a</volume>b</volume>"
                                               << QStringList{"text \"a\" @39..40", "text \"b\" @49..50 volume=50"};
    QTest::newRow("volume clamped") << "<volume level=\"150\">a</volume><volume level=\"-5\">b</volume>"
                                    << QStringList{"text \"a\" @20..21", "text \"b\" @49..50 volume=0"};
    QTest::newRow("empty volume lasts to the end of its enclosing volume")
        << "<volume level=\"50\">a<volume level=\"80\"/>b</volume>c<volume level=\"20\"/>d"
        << QStringList{"text \"a\" @19..20 volume=50", "text \"b\" @40..41 volume=80", "text \"c\" @50..51",
                       "text \"d\" @71..72 volume=20"};
    QTest::newRow("empty volume outlives another kind's scope")
        << "<emph><volume level=\"30\"/>a</emph>b"
        << QStringList{"text \"a\" @26..27 volume=30 emph", "text \"b\" @34..35 volume=30"};
    QTest::newRow("relative rate adds up") << "<rate speed=\"5\">a<rate speed=\"-5\">b</rate></rate>"
                                           << QStringList{"text \"a\" @16..17 rate=5", "text \"b\" @34..35"};
    QTest::newRow("absolute rate") << "<rate absspeed=\"-3\">a<rate absspeed=\"7\"/>b</rate>c"
                                   << QStringList{"text \"a\" @20..21 rate=-3", "text \"b\" @41..42 rate=7",
                                                  "text \"c\" @49..50"};
    QTest::newRow("rate clamped on reading, not on adding")
        << "<rate absspeed=\"20\">a<rate speed=\"-15\">b</rate></rate>"
        << QStringList{"text \"a\" @20..21 rate=10", "text \"b\" @39..40 rate=5"};
    QTest::newRow("absspeed wins over speed")
        << "<rate speed=\"2\" absspeed=\"-4\">a</rate>" << QStringList{"text \"a\" @30..31 rate=-4"};
    QTest::newRow("rate without value still scopes")
        << "<rate speed=\"3\"/><rate>a</rate>b<rate speed=\"x\"/>c" << QStringList{"text \"abc\" @23,31,49..50 rate=3"};
    QTest::newRow("pitch relative and absolute")
        << "<pitch middle=\"4\">a<pitch absmiddle=\"-9\">b</pitch></pitch>"
        << QStringList{"text \"a\" @18..19 pitch=4", "text \"b\" @41..42 pitch=-9"};
    QTest::newRow("emph and spell") << "<emph>a<spell>b</spell></emph><spell/>c"
                                    << QStringList{"text \"a\" @6..7 emph", "text \"b\" @14..15 emph spell",
                                                   "text \"c\" @38..39"};
    QTest::newRow("part of speech") << "<partofsp part=\"noun\">a<partofsp part=\"Unknown\">b</partofsp>"
                                       "<partofsp part=\"adverb\">c</partofsp></partofsp>"
                                    << QStringList{"text \"a\" @22..23 part=Noun", "text \"b\" @48..49",
                                                   "text \"c\" @84..85 part=Noun"};
    QTest::newRow("context") << "<context id=\"date_mdy\">03/04/01</context> x"
                             << QStringList{"text \"03/04/01\" @23..31 context=date_mdy", "text \" x\" @41..43"};
    QTest::newRow("mis-nested elements close independently")
        << "<emph><volume level=\"50\">Hello</emph>world</volume>!"
        << QStringList{"text \"Hello\" @25..30 volume=50 emph", "text \"world\" @37..42 volume=50",
                       "text \"!\" @51..52"};
    QTest::newRow("unclosed elements end with the text")
        << "<rate speed=\"2\"><emph>a" << QStringList{"text \"a\" @22..23 rate=2 emph"};

    // Points in the stream.
    QTest::newRow("silence") << "a<silence msec=\"500\"/>b"
                             << QStringList{"text \"a\" @0..1", "silence 500 @1", "text \"b\" @22..23"};
    QTest::newRow("silence clamped, zero and missing ignored")
        << "<silence msec=\"99999999\"/><silence msec=\"0\"/><silence/>" << QStringList{"silence 65535 @0"};
    QTest::newRow("silence as container speaks its content")
        << "<silence msec=\"10\">a</silence>" << QStringList{"silence 10 @0", "text \"a\" @19..20"};
    QTest::newRow("bookmark with state") << "<volume level=\"10\">a<bookmark mark=\"m&amp;1\"/>b</volume>"
                                         << QStringList{"text \"a\" @19..20 volume=10",
                                                        "bookmark \"m&1\" @20 volume=10",
                                                        "text \"b\" @46..47 volume=10"};
    QTest::newRow("pron empty form") << "<pron sym=\"h eh 1 l ow\"/> x"
                                     << QStringList{"pron \"h eh 1 l ow\" \"\" @0", "text \" x\" @25..27"};
    QTest::newRow("pron replaces its content")
        << "<pron sym=\"  H EH l ow \">hel&amp;lo <emph>x</emph></pron>y"
        << QStringList{"pron \"h eh l ow\" \"hel&lo x\" @25..28,33..35,42..43", "text \"y\" @57..58"};
    QTest::newRow("inner pron yields to the outer")
        << "<pron sym=\"b\">a<pron sym=\"d\">c</pron>e</pron>f"
        << QStringList{"pron \"b\" \"ace\" @14,29,37..38", "text \"f\" @45..46"};
    QTest::newRow("pron without symbols reads its content")
        << "<pron sym=\" \">a</pron><pron/>b" << QStringList{"text \"ab\" @14,29..30"};

    // Voices (see resolveVoice): nested <voice> narrows, <lang> is by language only.
    QTest::newRow("voice container") << "<voice required=\"Gender=Male\">a</voice>b"
                                     << QStringList{"text \"a\" @30..31 voice=en-m", "text \"b\" @39..40"};
    QTest::newRow("nested voice narrows")
        << "<voice required=\"Language=409\"><voice required=\"Gender=Female\">a</voice></voice>"
        << QStringList{"text \"a\" @63..64 voice=en-f"};
    QTest::newRow("optional attributes prefer")
        << "<voice optional=\"Language=409;Gender=Female\">a" << QStringList{"text \"a\" @45..46 voice=en-f"};
    QTest::newRow("no match keeps the voice")
        << "<voice required=\"Gender=Male\"/>a<voice required=\"Age=Child\">b</voice>"
        << QStringList{"text \"ab\" @31,60..61 voice=en-m"};
    QTest::newRow("empty voice replaces the earlier one")
        << "<voice required=\"Gender=Male\"/>a<voice required=\"Language=411\"/>b"
        << QStringList{"text \"a\" @31..32 voice=en-m", "text \"b\" @64..65 voice=ja-f"};
    QTest::newRow("lang selects by language only")
        << "<voice required=\"Gender=Male\"><lang langid=\"411\">a</lang>b</voice>"
        << QStringList{"text \"a\" @49..50 voice=ja-f", "text \"b\" @57..58 voice=en-m"};
    QTest::newRow("lang mis-nested with voice")
        << "<lang langid=\"411\"><voice required=\"Gender=Male\">a</lang>b</voice>c"
        << QStringList{"text \"ab\" @49,57..58 voice=en-m", "text \"c\" @66..67"};
}

void tst_SapiMarkupParser::fragments()
{
    QFETCH(QString, input);
    QFETCH(QStringList, expected);
    QCOMPARE(parsed(input), expected);
}

void tst_SapiMarkupParser::readPiecewise()
{
    // Whatever the slices and the cuts, the same text in the same states at
    // the same places; tags cut by a slice's end are still tags.
    QFETCH(QString, input);
    QFETCH(QStringList, expected);
    QStringList whole = parsed(input);
    // Read whole, plain text keeps no table.
    if (whole.size() == 1 && whole[0] == QStringLiteral("text \"%1\" @").arg(input))
        whole[0] += QStringLiteral("0..%1").arg(input.size());
    for (const qsizetype slice : {1, 2, 5, 64}) {
        for (const qsizetype cutAfter : {0, 1, 3}) {
            QStringList piecewise = parsedPiecewise(input, slice, cutAfter);
            QVERIFY2(piecewise == whole,
                     qPrintable(
                         QStringLiteral("slice %1, cut %2: %3").arg(slice).arg(cutAfter).arg(piecewise.join(u" | "))));
        }
    }
}

void tst_SapiMarkupParser::piecewiseCutsAfterSentences()
{
    const QString input = QStringLiteral("One. Two three. <emph>Four</emph> five six seven eight nine.");
    QStringList texts;
    SapiMarkupReader reader([&input](qsizetype from, qsizetype count) { return input.mid(from, count); }, true,
                            SpeechState(), {}, 6, 7);
    while (std::optional<SpeechFragment> f = reader.next())
        texts << f->text;
    // Past 6 units, after the next sentence; a run without one is cut at a
    // space once four times too long.
    QCOMPARE(texts, (QStringList{"One. Two three.", " ", "Four", " five six seven eight", " nine."}));
}

void tst_SapiMarkupParser::plainTextIsOneIdentityFragment()
{
    const QString text = QStringLiteral("Plain text,\r\nno markup at all: 3 > 2.");
    const SapiMarkupParser::Result result = SapiMarkupParser().parse(text);
    QVERIFY(result.ok());
    QCOMPARE(result.fragments.size(), 1);
    QCOMPARE(result.fragments[0].kind, SpeechFragment::Kind::Text);
    QCOMPARE(result.fragments[0].text, text);
    QVERIFY(result.fragments[0].sourceOffsets.isEmpty());
    QCOMPARE(result.fragments[0].state, SpeechState{});

    QVERIFY(SapiMarkupParser().parse(QString()).fragments.isEmpty());
}

void tst_SapiMarkupParser::unknownPhonemeFailsWholeText()
{
    const SapiMarkupParser::Result result =
        SapiMarkupParser().parse(QStringLiteral("Hello <pron sym=\"h eh l OW1\">world</pron> again"));
    QVERIFY(!result.ok());
    QVERIFY(result.fragments.isEmpty());
    QCOMPARE(result.error.number(), int(SontiError::SpeechFailure));
    QVERIFY2(result.error.description().contains(u"ow1"), qPrintable(result.error.description()));
    QVERIFY2(result.error.description().contains(u"6"), qPrintable(result.error.description()));

    // Beyond the nesting bound a <pron> is only text, so it cannot fail.
    const QString deep = QString(QStringLiteral("<emph>")).repeated(SapiMarkupParser::MaxDepth);
    QVERIFY(SapiMarkupParser().parse(deep + QStringLiteral("<pron sym=\"xx\">a</pron>")).ok());
}

void tst_SapiMarkupParser::voiceRequirementsReachTheResolver()
{
    QStringList calls;
    const SapiMarkupParser parser([&calls](const QString &required, const QString &optional) {
        calls << required + u'|' + optional;
        return QStringLiteral("v%1").arg(calls.size());
    });
    const auto result = parser.parse(
        QStringLiteral("<voice required=\"Gender=Female\" optional=\"Age=Adult\">"
                       "<voice required=\" Age!=Child ;\n\"/><voice optional=\"Vendor=x\">a</voice></voice>"
                       "<lang langid=\" 411 \"/><voice required=\"Gender=Female\" optional=\"Age=Adult\">b"));
    QVERIFY(result.ok());
    // The repeated requirement is answered from the first call.
    QCOMPARE(calls,
             (QStringList{"Gender=Female|Age=Adult", "Gender=Female;Age!=Child|Age=Adult",
                          "Gender=Female;Age!=Child|Age=Adult;Vendor=x", "Language=411|"}));
    QCOMPARE(describe(result.fragments),
             (QStringList{"text \"a\" @114..115 voice=v3", "text \"b\" @206..207 voice=v1"}));
}

void tst_SapiMarkupParser::nestingIsBounded()
{
    const int extra = 3;
    const QString open = QStringLiteral("<volume level=\"50\">");
    const QString input = open.repeated(SapiMarkupParser::MaxDepth + extra) + QStringLiteral("x")
        + QStringLiteral("</volume>").repeated(SapiMarkupParser::MaxDepth + extra) + QStringLiteral("y");
    const auto result = SapiMarkupParser().parse(input);
    QVERIFY(result.ok());
    QCOMPARE(result.fragments.size(), 2);
    // The tags beyond the bound are read as text; all end tags close what is open.
    const qsizetype textStart = open.size() * SapiMarkupParser::MaxDepth;
    QCOMPARE(result.fragments[0].text, open.repeated(extra) + QStringLiteral("x"));
    QCOMPARE(result.fragments[0].sourceOffsets.first(), textStart);
    QCOMPARE(result.fragments[0].state.volume, 50);
    QCOMPARE(result.fragments[1].text, QStringLiteral("y"));
    QCOMPARE(result.fragments[1].state.volume, 100);
}

void tst_SapiMarkupParser::largeInputs_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("repeat");

    // A text of 5 MB, then about 1 MB of each trap for a scanner that would
    // look at the rest of the text again for every '<': quadratic there
    // would not finish.
    QTest::newRow("5 MB of marked-up prose")
        << QStringLiteral("Word &amp; <emph>word</emph> <rate speed=\"1\"/>") << 120'000;
    QTest::newRow("unclosed tags") << QStringLiteral("<volume level=\"50\">a") << 50'000;
    QTest::newRow("unterminated attributes") << QStringLiteral("<a b=\"") << 160'000;
    QTest::newRow("unterminated comments") << QStringLiteral("<!--a") << 200'000;
    QTest::newRow("unterminated doctypes") << QStringLiteral("<!DOCTYPE [") << 90'000;
    QTest::newRow("unterminated CDATA") << QStringLiteral("<![CDATA[") << 110'000;
    QTest::newRow("unterminated processing instructions") << QStringLiteral("<?pi ") << 200'000;
    QTest::newRow("alternating quotes") << QStringLiteral("<a b=\"'<c d='\"") << 70'000;
}

void tst_SapiMarkupParser::largeInputs()
{
    QFETCH(QString, unit);
    QFETCH(int, repeat);
    const QString input = unit.repeated(repeat) + QStringLiteral("<emph>end</emph>");
    const auto result = SapiMarkupParser().parse(input);
    QVERIFY(result.ok());
    QVERIFY(!result.fragments.isEmpty());
    for (const SpeechFragment &f : result.fragments)
        QCOMPARE(f.sourceOffsets.size(), f.text.size() + 1);
    // The last word still points at the right place, whatever came before.
    const SpeechFragment &last = result.fragments.last();
    QVERIFY(last.text.endsWith(QStringLiteral("end")));
    QCOMPARE(last.sourceOffsets.last(), input.size() - 7);
}

void tst_SapiMarkupParser::largeInputsPiecewise()
{
    // Read in slices, the traps must stay linear too: a search that found
    // nothing in one window goes on where it stopped in the next.
    QFETCH(QString, unit);
    QFETCH(int, repeat);
    const QString input = unit.repeated(repeat) + QStringLiteral("<emph>end</emph>");
    const QList<SpeechFragment> fragments = piecewise(input, 4096, 1000);
    QVERIFY(!fragments.isEmpty());
    QVERIFY(fragments.last().text.endsWith(QStringLiteral("end")));
    QCOMPARE(fragments.last().sourceOffsets.last(), input.size() - 7);
}

QTEST_GUILESS_MAIN(tst_SapiMarkupParser)
#include "tst_SapiMarkupParser.moc"
