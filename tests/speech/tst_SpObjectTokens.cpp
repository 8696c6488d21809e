#include "LanguageIds.h"
#include "SontiError.h"
#include "SpObjectTokens.h"

#include <QTest>

namespace {
SpObjectTokens sample()
{
    return SpObjectTokens({
        SpObjectToken({"v/us", "English (America)", "en-US", "Male", "Adult", "eSpeak NG"}, true),
        SpObjectToken({"v/gb", "English (Great Britain)", "en-GB", "Female", "Adult", "eSpeak NG"}),
        SpObjectToken({"v/de", "German", "de", "Female", "Child", "eSpeak NG"}),
        SpObjectToken({"v/eo", "Esperanto", "eo", "Male", "Adult", "Other"}),
    });
}

QStringList idsOf(const SpObjectTokens &tokens)
{
    QStringList ids;
    for (const SpObjectToken &token : tokens)
        ids.append(token.voice().id);
    return ids;
}
}

class tst_SpObjectTokens : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matchingFollowsSapiAttributes_data()
    {
        QTest::addColumn<QString>("required");
        QTest::addColumn<QString>("optional");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("everything, in order") << ""
                                              << "" << QStringList{"v/us", "v/gb", "v/de", "v/eo"};
        QTest::newRow("gender, any case") << "gender=female"
                                          << "" << QStringList{"v/gb", "v/de"};
        QTest::newRow("two conditions") << "Gender=Female;Age!=Child"
                                        << "" << QStringList{"v/gb"};
        QTest::newRow("language as hex LANGID") << "Language=809"
                                                << "" << QStringList{"v/gb"};
        QTest::newRow("LANGID with leading zero") << "Language=0407"
                                                  << "" << QStringList{"v/de"};
        QTest::newRow("no LANGID is no match") << "Language=409;Vendor=Other"
                                               << "" << QStringList{};
        QTest::newRow("not equal keeps tokens without it") << "Language!=409"
                                                           << "" << QStringList{"v/gb", "v/de", "v/eo"};
        QTest::newRow("attribute present") << "VendorPreferred"
                                           << "" << QStringList{"v/us"};
        QTest::newRow("optional ranks, earlier weighs more")
            << ""
            << "Vendor=Other;Gender=Female" << QStringList{"v/eo", "v/gb", "v/de", "v/us"};
        QTest::newRow("required then optional") << "Gender=Female"
                                                << "Language=407" << QStringList{"v/de", "v/gb"};
        QTest::newRow("unknown attribute never holds") << "Colour=Blue"
                                                       << "" << QStringList{};
    }
    void matchingFollowsSapiAttributes()
    {
        QFETCH(QString, required);
        QFETCH(QString, optional);
        QFETCH(QStringList, ids);
        QCOMPARE(idsOf(sample().matching(required, optional)), ids);
        const QString best = sample().bestMatchId(required, optional);
        QCOMPARE(best, ids.isEmpty() ? QString() : QStringLiteral("eSpeak-NG/") + ids.first());
    }

    void itemsAreCheckedAndDescribed()
    {
        const SpObjectTokens tokens = sample();
        QCOMPARE(tokens.Count(), 4);
        QCOMPARE(tokens.Item(1).GetDescription(0), QStringLiteral("English (Great Britain) - eSpeak NG"));
        QCOMPARE(tokens.Item(1).GetAttribute("Language"), QStringLiteral("809"));
        QCOMPARE(tokens.byId(tokens.Item(2).Id()).voice().name, QStringLiteral("German"));
        QVERIFY(tokens.byId("nothing").isNull());
        QVERIFY_THROWS_EXCEPTION(SontiError, tokens.Item(4));
        QVERIFY_THROWS_EXCEPTION(SontiError, tokens.Item(-1));
    }

    void languageIds_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("langId");
        QTest::newRow("en-US") << "en-US"
                               << "409";
        QTest::newRow("en") << "en"
                            << "409";
        QTest::newRow("en-GB") << "en-GB"
                               << "809";
        QTest::newRow("pt-BR") << "pt-BR"
                               << "416";
        QTest::newRow("pt-PT") << "pt-pt"
                               << "816";
        QTest::newRow("ja") << "ja"
                            << "411";
        QTest::newRow("es-419") << "es-419"
                                << "580a";
        QTest::newRow("unknown") << "jbo"
                                 << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void languageIds()
    {
        QFETCH(QString, tag);
        QFETCH(QString, langId);
        QCOMPARE(LanguageIds::langIdFor(tag), langId);
    }
};

QTEST_GUILESS_MAIN(tst_SpObjectTokens)
#include "tst_SpObjectTokens.moc"
