#include "EspeakSynthesizer.h"
#include "FliteSynthesizer.h"
#include "SapiMarkupParser.h"
#include "WrittenWordCases.h"
#include "WrittenWords.h"

#include <QTest>

Q_DECLARE_METATYPE(QList<TextSpan>)

class tst_WrittenWords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void withEspeak_data() { writtenWordRows(); }
    void withEspeak();
    void withFlite_data() { writtenWordRows(); }
    void withFlite();
    void engineWords_data();
    void engineWords();
    void throughMarkup();
};

void tst_WrittenWords::withEspeak()
{
    QFETCH(QString, language);
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    const std::optional<QStringList> lit = wordsLit(std::make_unique<EspeakSynthesizer>(), language, text);
    if (!lit)
        QSKIP("espeak-ng has no voice for this language here");
    QCOMPARE(lit->join(u'|'), words.join(u'|'));
}

void tst_WrittenWords::withFlite()
{
    QFETCH(QString, language);
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    const std::optional<QStringList> lit = wordsLit(std::make_unique<FliteSynthesizer>(), language, text);
    if (!lit)
        QSKIP("flite has no voice for this language");
    QCOMPARE(lit->join(u'|'), words.join(u'|'));
}

// Engine words as an engine might report them, against the spans lit.
void tst_WrittenWords::engineWords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<TextSpan>>("engine");
    QTest::addColumn<QStringList>("lit");
    const auto s = [](const char *utf8) { return QString::fromUtf8(utf8); };
    QTest::newRow("in space and punctuation go to a neighbour")
        << s("one. two -- three") << QList<TextSpan>{{3, 1}, {4, 1}, {5, 3}, {9, 2}, {12, 5}}
        << QStringList{s("one"), s("two"), s("three")};
    QTest::newRow("going back is never reported again")
        << s("ab cd ef") << QList<TextSpan>{{3, 2}, {0, 2}, {4, 1}, {6, 2}} << QStringList{s("cd"), s("ef")};
    QTest::newRow("engine units of a run without spaces")
        << s("日本語です。") << QList<TextSpan>{{0, 2}, {1, 2}, {1, 2}, {3, 3}}
        << QStringList{s("日本"), s("語"), s("です")};
    QTest::newRow("halves of a surrogate pair")
        << s("x 😀😀 y") << QList<TextSpan>{{3, 1}, {4, 1}, {7, 1}} << QStringList{s("😀"), s("😀"), s("y")};
    QTest::newRow("outside the text") << s("end") << QList<TextSpan>{{-5, 2}, {2, 100}, {50, 3}}
                                      << QStringList{s("end")};
    QTest::newRow("only punctuation") << s("... !") << QList<TextSpan>{{0, 3}, {4, 1}} << QStringList{};
    QTest::newRow("one engine word over two written words")
        << s("Mr. Smith said") << QList<TextSpan>{{0, 9}, {4, 5}, {10, 4}} << QStringList{s("Mr. Smith"), s("said")};
}

void tst_WrittenWords::engineWords()
{
    QFETCH(QString, text);
    QFETCH(QList<TextSpan>, engine);
    QFETCH(QStringList, lit);
    QStringList got;
    for (const TextSpan &span : WrittenWords::map(text, engine))
        got.append(text.mid(span.position, span.length));
    QCOMPARE(got, lit);
}

// A word that ends just before a tag ends there, not after the tag; one
// written as an entity ends after its semicolon.
void tst_WrittenWords::throughMarkup()
{
    const QString source = QStringLiteral("<emph>big</emph> cat&amp;<silence msec=\"1\"/>dog");
    const SapiMarkupParser parser([](const QString &, const QString &) { return QString(); });
    const SapiMarkupParser::Result parsed = parser.parse(source);
    QVERIFY(parsed.ok());
    QStringList got;
    int through = 0;
    for (const SpeechFragment &fragment : parsed.fragments) {
        if (fragment.kind != SpeechFragment::Kind::Text)
            continue;
        WrittenWords words(fragment.text, fragment.sourceOffsets, source, through);
        for (int i = 0; i < fragment.text.size(); ++i) {
            if (const std::optional<TextSpan> span = words.next({i, 1}))
                got.append(source.mid(span->position, span->length));
        }
        through = words.reportedThrough();
    }
    QCOMPARE(got, (QStringList{QStringLiteral("big"), QStringLiteral("cat&amp;"), QStringLiteral("dog")}));
}

QTEST_GUILESS_MAIN(tst_WrittenWords)
#include "tst_WrittenWords.moc"
