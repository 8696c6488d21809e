#include "SoxrFunctions.h"
#include "SpeechModule.h"

#include <QTest>

// The modules are found where the build put them; what cannot be loaded is
// reported, never a crash.
class tst_SpeechModule : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aModuleIsOpenedOnceAndHandsOutItsEntry()
    {
        QString error;
        void *first = SpeechModule::symbol(QStringLiteral("libsonti_soxr.so"), SONTI_SOXR_FUNCTIONS_ENTRY, error);
        QVERIFY2(first, qPrintable(error));
        QCOMPARE(SpeechModule::symbol(QStringLiteral("libsonti_soxr.so"), SONTI_SOXR_FUNCTIONS_ENTRY, error), first);
        const SoxrFunctions *soxr = reinterpret_cast<SoxrFunctionsEntry>(first)();
        QVERIFY(soxr && soxr->create && soxr->process && soxr->destroy);
    }

    void whatCannotBeLoadedIsReported_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("symbol");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no such module") << "libsonti_nosuch.so" << QByteArray("entry")
                                        << "libsonti_nosuch.so is in none of";
        QTest::newRow("no such entry") << "libsonti_soxr.so" << QByteArray("sonti_nosuch") << "sonti_nosuch";
    }
    void whatCannotBeLoadedIsReported()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, symbol);
        QFETCH(QString, reason);
        QString error;
        QVERIFY(!SpeechModule::symbol(file, symbol.constData(), error));
        QVERIFY2(error.contains(reason), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(tst_SpeechModule)
#include "tst_SpeechModule.moc"
