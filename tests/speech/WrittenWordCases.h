#pragma once

#include "NullAudioSink.h"
#include "SapiTypes.h"
#include "SpVoice.h"
#include "Synthesizer.h"

#include <QSignalSpy>
#include <QStringList>
#include <QTest>

#include <memory>
#include <optional>

// Sentences whose words an engine expands, joins or skips, with the words
// as written that a listener must see lit, in order, each once and whole.
// Any synthesiser runs the same rows: writtenWordRows() fills a Qt Test
// data table, and wordsLit() speaks one row with the engine given.
struct WrittenWordCase
{
    const char *name;
    QString language; // the voice's language tag, matched by prefix
    QString text;     // given to Speak; markup when it starts with '<'
    QStringList words;
};

inline QList<WrittenWordCase> writtenWordCases()
{
    const auto s = [](const char *utf8) { return QString::fromUtf8(utf8); };
    return {
        {"numbers and decimals",
         s("en"),
         s("In 2007 we paid 3.14 euros."),
         {s("In"), s("2007"), s("we"), s("paid"), s("3.14"), s("euros")}},
        {"grouped digits", s("en"), s("1,000,000 people"), {s("1,000,000"), s("people")}},
        {"currency and times",
         s("en"),
         s("It costs €12 at 12:30."),
         {s("It"), s("costs"), s("€12"), s("at"), s("12:30")}},
        {"contractions", s("en"), s("I don't, won't or isn't."), {s("I"), s("don't"), s("won't"), s("or"), s("isn't")}},
        {"names with apostrophes",
         s("en"),
         s("Zoë's Rock'n'roll and O'Brien's idea"),
         {s("Zoë's"), s("Rock'n'roll"), s("and"), s("O'Brien's"), s("idea")}},
        {"punctuation around words", s("en"), s("(Hello), 'world'!"), {s("Hello"), s("world")}},
        {"hyphens", s("en"), s("a well-known co-op"), {s("a"), s("well-known"), s("co-op")}},
        {"url", s("en"), s("see https://example.com/a-b now"), {s("see"), s("https://example.com/a-b"), s("now")}},
        {"emoji",
         s("en"),
         s("a 😀 b and thumbs 👍🏽 up"),
         {s("a"), s("😀"), s("b"), s("and"), s("thumbs"), s("👍🏽"), s("up")}},
        {"japanese run", s("ja"), s("日本語です"), {s("日本語です")}},
        {"chinese characters", s("cmn"), s("日本"), {s("日"), s("本")}},
        {"entities",
         s("en"),
         s("<volume level=\"90\">AT&amp;T &amp; Tom&apos;s 2007</volume>"),
         {s("AT&amp;T"), s("&amp;"), s("Tom&apos;s"), s("2007")}},
        {"rate and volume changes",
         s("en"),
         s("<rate absspeed=\"5\">fast 3.14</rate> then <volume level=\"50\">quiet</volume>"),
         {s("fast"), s("3.14"), s("then"), s("quiet")}},
        {"voice change",
         s("en"),
         s("<volume level=\"100\">Hi <voice required=\"Language=809\">there, 2007</voice> all</volume>"),
         {s("Hi"), s("there"), s("2007"), s("all")}},
        {"spelled", s("en"), s("<spell>abc</spell> done"), {s("abc"), s("done")}},
    };
}

inline void writtenWordRows()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("words");
    for (const WrittenWordCase &row : writtenWordCases())
        QTest::newRow(row.name) << row.language << row.text << row.words;
}

// Speaks text with the synthesiser's first voice of the language and
// returns the words lit, as pieces of text; nothing when the engine has no
// such voice. Also fails the test if a span is out of order or overlaps.
inline std::optional<QStringList> wordsLit(std::unique_ptr<Synthesizer> synthesizer, const QString &language,
                                           const QString &text)
{
    SpVoice voice(std::move(synthesizer), std::make_unique<NullAudioSink>(20.0));
    bool found = false;
    for (const SpObjectToken &token : voice.GetVoices()) {
        if (token.voice().language.startsWith(language, Qt::CaseInsensitive)) {
            voice.setVoice(token);
            found = true;
            break;
        }
    }
    if (!found)
        return std::nullopt;
    QStringList words;
    int end = 0;
    QObject::connect(&voice, &SpVoice::Word, &voice, [&](int, qint64, int position, int length) {
        QVERIFY2(position >= end && length > 0 && position + length <= text.size(),
                 qPrintable(QStringLiteral("span %1+%2 after %3").arg(position).arg(length).arg(end)));
        end = position + length;
        words.append(text.mid(position, length));
    });
    QSignalSpy ended(&voice, &SpVoice::EndStream);
    voice.Speak(text, SVSFlagsAsync | (text.startsWith(u'<') ? SVSFIsXML : SVSFIsNotXML));
    if (!ended.wait(20000))
        return QStringList{QStringLiteral("(the stream never ended)")};
    return words;
}
