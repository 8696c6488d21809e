#include "SapiPhonemes.h"
#include "VisemeTable.h"

#include <QTest>

class tst_VisemeTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ipaMapsToTheNearestViseme_data()
    {
        QTest::addColumn<QString>("ipa");
        QTest::addColumn<int>("viseme");
        QTest::newRow("pause") << "" << 0;
        QTest::newRow("schwa") << u"ə"_qs << 1;
        QTest::newRow("long ɑ") << u"ɑː"_qs << 2;
        QTest::newRow("ɔ") << u"ɔː"_qs << 3;
        QTest::newRow("eɪ diphthong") << u"eɪ"_qs << 4;
        QTest::newRow("ɜ") << u"ɜː"_qs << 5;
        QTest::newRow("i") << u"iː"_qs << 6;
        QTest::newRow("w") << "w" << 7;
        QTest::newRow("British oʊ") << u"əʊ"_qs << 8;
        QTest::newRow("aʊ") << u"aʊ"_qs << 9;
        QTest::newRow("ɔɪ") << u"ɔɪ"_qs << 10;
        QTest::newRow("aɪ") << u"aɪ"_qs << 11;
        QTest::newRow("h") << "h" << 12;
        QTest::newRow("ɹ") << u"ɹ"_qs << 13;
        QTest::newRow("dark l") << u"ɫ"_qs << 14;
        QTest::newRow("z") << "z" << 15;
        QTest::newRow("tʃ with tie bar") << u"t͡ʃ"_qs << 16;
        QTest::newRow("ð") << u"ð"_qs << 17;
        QTest::newRow("v") << "v" << 18;
        QTest::newRow("aspirated t") << u"tʰ"_qs << 19;
        QTest::newRow("ŋ") << u"ŋ"_qs << 20;
        QTest::newRow("m") << "m" << 21;
        QTest::newRow("stress mark ignored") << u"ˈa"_qs << 1;
        QTest::newRow("unknown vowel") << u"ɶ"_qs << 1;
        QTest::newRow("unknown consonant") << u"ǃ"_qs << 19;
    }
    void ipaMapsToTheNearestViseme()
    {
        QFETCH(QString, ipa);
        QFETCH(int, viseme);
        QCOMPARE(VisemeTable::visemeForIpa(ipa), viseme);
    }

    void sapiPhonesBecomeEspeakMnemonics_data()
    {
        QTest::addColumn<QString>("sapi");
        QTest::addColumn<QString>("espeak");
        QTest::newRow("hello world") << "h eh 1 l ow & w er 1 l d"
                                     << "h'EloU w'3:ld";
        QTest::newRow("secondary stress, syllables") << "ae 2 - t ax"
                                                     << ",at@";
        QTest::newRow("case and spacing") << "  SH  iy 1 "
                                          << "S'i:";
        QTest::newRow("unknown symbols skipped") << "p xx aa 1 _"
                                                 << "p'A:";
        QTest::newRow("every consonant") << "b ch d dh f g h jh k l m n ng p r s sh t th v w y z zh"
                                         << "btSdDfghdZklmnNprsStTvwjzZ";
    }
    void sapiPhonesBecomeEspeakMnemonics()
    {
        QFETCH(QString, sapi);
        QFETCH(QString, espeak);
        QCOMPARE(SapiPhonemes::toEspeak(sapi), espeak);
    }
};

QTEST_GUILESS_MAIN(tst_VisemeTable)
#include "tst_VisemeTable.moc"
