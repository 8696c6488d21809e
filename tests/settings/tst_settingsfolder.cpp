#include "SettingsFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Which copies of Sonti keep TTS.ini beside themselves.
class tst_SettingsFolder : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    const QString m_entry = QStringLiteral("sonti.desktop");

    QString folder(const QString &relative)
    {
        const QString path = m_root.filePath(relative);
        QDir().mkpath(path);
        return path;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // A prefix with Sonti installed in it, and a bin folder without.
        folder(QStringLiteral("prefix/bin"));
        QFile entry(folder(QStringLiteral("prefix/share/applications")) + u'/' + m_entry);
        QVERIFY(entry.open(QIODevice::WriteOnly));
        folder(QStringLiteral("other/bin"));
        folder(QStringLiteral("build/src/startup"));
    }

    void portableOnlyWhenWritableAndNotInstalled_data()
    {
        QTest::addColumn<QString>("programFolder");
        QTest::addColumn<QString>("installedBin");
        QTest::addColumn<bool>("portable");
        QTest::newRow("build tree") << "build/src/startup"
                                    << "prefix/bin" << true;
        QTest::newRow("a bin folder of the user's") << "other/bin"
                                                    << "prefix/bin" << true;
        QTest::newRow("the install prefix's bin") << "other/bin"
                                                  << "other/bin" << false;
        QTest::newRow("beside the desktop entry") << "prefix/bin"
                                                  << "/usr/bin" << false;
        QTest::newRow("no such folder") << "missing"
                                        << "prefix/bin" << false;
    }

    void portableOnlyWhenWritableAndNotInstalled()
    {
        QFETCH(QString, programFolder);
        QFETCH(QString, installedBin);
        QFETCH(bool, portable);
        const QString bin = QDir::isAbsolutePath(installedBin) ? installedBin : m_root.filePath(installedBin);
        QCOMPARE(SettingsFolder::isPortable(m_root.filePath(programFolder), bin, m_entry), portable);
    }
};

QTEST_MAIN(tst_SettingsFolder)
#include "tst_settingsfolder.moc"
