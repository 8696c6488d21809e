#include "EspeakSynthesizer.h"
#include "VoiceChooser.h"

#include <QTest>

class tst_VoiceChooser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        EspeakSynthesizer synthesizer;
        QList<SpObjectToken> tokens;
        for (const VoiceDescription &voice : synthesizer.voices())
            tokens.append(SpObjectToken(voice));
        m_voices = SpObjectTokens(tokens);
    }

    void choosesAsPeopleNameVoices_data()
    {
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<QString>("voice"); // the synthesiser's id, or part of the error
        QTest::newRow("language") << "de"
                                  << "gmw/de";
        QTest::newRow("language, any case") << "PT-br"
                                            << "roa/pt-BR";
        QTest::newRow("language before its varieties") << "pt"
                                                       << "roa/pt";
        QTest::newRow("the engine's choice for a language") << "fr"
                                                            << "roa/fr";
        QTest::newRow("a language spoken as a variety") << "en"
                                                        << "gmw/en";
        QTest::newRow("variety") << "en-us"
                                 << "gmw/en-US";
        QTest::newRow("variety without a voice") << "de-AT"
                                                 << "gmw/de";
        QTest::newRow("script and region without a voice") << "sr-Latn-RS"
                                                           << "zls/sr";
        QTest::newRow("words, not a region") << "no-such-voice"
                                             << "no voice speaks language \"no-such-voice\"";
        QTest::newRow("language name") << "French"
                                       << "roa/fr";
        QTest::newRow("id") << "gmw/en-GB-scotland"
                            << "gmw/en-GB-scotland";
        QTest::newRow("token id") << "eSpeak-NG/gmw/de"
                                  << "gmw/de";
        QTest::newRow("name") << "english (caribbean)"
                              << "gmw/en-029";
        QTest::newRow("description") << "German - eSpeak NG"
                                     << "gmw/de";
        QTest::newRow("unambiguous prefix") << "Portuguese (Br"
                                            << "roa/pt-BR";
        QTest::newRow("ambiguous prefix") << "English ("
                                          << "ambiguous";
        QTest::newRow("language without a voice") << "xx"
                                                  << "no voice speaks language \"xx\"";
        QTest::newRow("unknown") << "nobody at all"
                                 << "unknown voice";
    }
    void choosesAsPeopleNameVoices()
    {
        QFETCH(QString, wanted);
        QFETCH(QString, voice);
        const VoiceChooser::Choice choice = VoiceChooser(m_voices).choose(wanted);
        if (choice.position < 0)
            QVERIFY2(choice.error.contains(voice), qPrintable(choice.error));
        else
            QCOMPARE(m_voices.Item(choice.position).voice().id, voice);
    }

    void listsTheVoicesOfALanguageBestFirst()
    {
        const VoiceChooser chooser(m_voices);
        QStringList french;
        for (const VoiceChooser::Listed &listed : chooser.ofLanguage("fr"))
            french.append(listed.token.voice().id);
        QCOMPARE(french, (QStringList{"roa/fr", "roa/fr-BE", "roa/fr-CH"}));
        const auto german = chooser.ofLanguage("DE");
        QCOMPARE(german.size(), 1);
        QCOMPARE(m_voices.Item(german.first().position).voice().id, QStringLiteral("gmw/de"));
        QVERIFY(chooser.ofLanguage("xx").isEmpty());
        QCOMPARE(chooser.ofLanguage({}).size(), m_voices.Count());
    }

private:
    SpObjectTokens m_voices;
};

QTEST_GUILESS_MAIN(tst_VoiceChooser)
#include "tst_VoiceChooser.moc"
