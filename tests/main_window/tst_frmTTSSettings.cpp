#include "MenuIconDrawer.h"
#include "WindowFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>

#include <sched.h>
#include <sys/mount.h>

namespace {

// A settings file that sets every key to something other than its default.
QByteArray storedFile(const QString &replacedKey = {}, const QString &value = {})
{
    QByteArray text = "[General]\nLeft=1500\nTop=1200\n"
                      "[Voice]\nSpeaker=1\nFormat=1\nXML=0\n"
                      "[Menu]\nStyle=1\n"
                      "[Files]\nCount=2\n1=/p/one.txt\n2=/p/two.txt\n";
    if (!replacedKey.isEmpty()) {
        const qsizetype at = text.indexOf('\n' + replacedKey.toUtf8() + '=') + 1;
        const qsizetype end = text.indexOf('\n', at);
        text.replace(at, end - at, (replacedKey + u'=' + value).toUtf8());
    }
    return text;
}

} // namespace

// TTS.ini as the window reads it at load and writes it at exit.
class tst_frmTTSSettings : public QObject
{
    Q_OBJECT

    WindowFixture m_fx;

    QString iniPath() const { return m_fx.iniPath(); }
    std::unique_ptr<frmTTS> start() { return m_fx.start(); }

    void writeIni(const QByteArray &text)
    {
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QByteArray iniBytes() const
    {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QStringList iniLines() const
    {
        QStringList lines = QString::fromUtf8(iniBytes()).split(u'\n');
        lines.removeAll(QString());
        return lines;
    }

    QString openFile(frmTTS &window, const QString &name)
    {
        const QString path = m_fx.settings->filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(name.toUtf8()) != name.size())
            qFatal("cannot write %s", qPrintable(path));
        file.close();
        m_fx.open(window, path);
        return path;
    }

private Q_SLOTS:
    void init() { m_fx.reset(); }
    // Nothing here should ever bring up a message box.
    void cleanup() { QCOMPARE(m_fx.messages.size(), 0); }

    void firstStartUsesTheDefaultsAndExitWritesEveryKey()
    {
        auto window = start();
        const frmTTSUi &ui = window->ui();
        QCOMPARE(ui.VC->currentIndex(), 0);
        QCOMPARE(ui.FC->currentIndex(), 2);
        QCOMPARE(ui.ProcXML->checkState(), Qt::Checked);
        // Where a first window opens is the platform's choice.
        QVERIFY(!window->testAttribute(Qt::WA_Moved));

        const QPoint where = window->pos();
        window->close();
        QCOMPARE(iniLines(),
                 (QStringList{QStringLiteral("[General]"), QStringLiteral("Left=%1").arg(where.x() * 15),
                              QStringLiteral("Top=%1").arg(where.y() * 15), QStringLiteral("[Voice]"),
                              QStringLiteral("Speaker=0"), QStringLiteral("Format=2"), QStringLiteral("XML=1"),
                              QStringLiteral("[Menu]"), QStringLiteral("Style=0"), QStringLiteral("[Files]"),
                              QStringLiteral("Count=0")}));
    }

    void theNextStartRestoresWhatTheLastOneLeft_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<Qt::CheckState>("xml");
        QTest::addColumn<int>("flags");
        QTest::newRow("XML unchecked") << QByteArray() << Qt::Unchecked << 19;
        QTest::newRow("XML grayed") << QByteArray("[Voice]\nXML=2\n") << Qt::PartiallyChecked << 11;
    }

    void theNextStartRestoresWhatTheLastOneLeft()
    {
        QFETCH(QByteArray, before);
        QFETCH(Qt::CheckState, xml);
        QFETCH(int, flags);
        if (!before.isEmpty())
            writeIni(before);
        QStringList files;
        {
            auto window = start();
            const frmTTSUi &ui = window->ui();
            ui.VC->setCurrentIndex(2);
            window->VC_Click();
            ui.FC->setCurrentIndex(3);
            window->FC_Click();
            if (xml == Qt::Unchecked)
                ui.ProcXML->click();
            QCOMPARE(ui.ProcXML->checkState(), xml);
            window->MenuIcons->setStyle(MenuIconDrawer::NoImages);
            files << openFile(*window, QStringLiteral("first.txt"));
            files.prepend(openFile(*window, QStringLiteral("second.txt")));
            window->move(90, 60);
            window->close();
        }
        auto window = start();
        const frmTTSUi &ui = window->ui();
        QCOMPARE(window->pos(), QPoint(90, 60));
        QCOMPARE(ui.VC->currentIndex(), 2);
        QCOMPARE(window->Voice->Voice().Id(), window->Voice->GetVoices().Item(2).Id());
        QCOMPARE(ui.FC->currentIndex(), 3);
        QCOMPARE(window->Voice->AudioOutputStream()->Format().Type(), 23);
        QCOMPARE(ui.ProcXML->checkState(), xml);
        QCOMPARE(window->SpeakFlags, flags);
        QCOMPARE(window->MenuIcons->Style(), int(MenuIconDrawer::NoImages));
        QVERIFY(ui.SAP1->isVisible());
        QCOMPARE(recentItems(*window),
                 (QStringList{QStringLiteral("&1 ") + files[0], QStringLiteral("&2 ") + files[1]}));
    }

    void aValueThatDoesNotFitLeavesOnlyItsControlAlone_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("voice");
        QTest::addColumn<int>("format");
        QTest::addColumn<Qt::CheckState>("xml");
        // Stored: voice 1, format 1, XML unchecked. Before loading, neither
        // list has a selection and the box is checked.
        QTest::newRow("all fit") << QString() << QString() << 1 << 1 << Qt::Unchecked;
        QTest::newRow("no voice chosen") << u"Speaker"_qs << u"-1"_qs << -1 << 1 << Qt::Unchecked;
        QTest::newRow("voice past the list") << u"Speaker"_qs << u"3"_qs << -1 << 1 << Qt::Unchecked;
        QTest::newRow("format past the list") << u"Format"_qs << u"4"_qs << 1 << -1 << Qt::Unchecked;
        QTest::newRow("format below -1") << u"Format"_qs << u"-2"_qs << 1 << -1 << Qt::Unchecked;
        QTest::newRow("XML 7") << u"XML"_qs << u"7"_qs << 1 << 1 << Qt::Checked;
        QTest::newRow("XML beyond 16 bits") << u"XML"_qs << u"65536"_qs << 1 << 1 << Qt::Checked;
    }

    void aValueThatDoesNotFitLeavesOnlyItsControlAlone()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(int, voice);
        QFETCH(int, format);
        QFETCH(Qt::CheckState, xml);
        writeIni(storedFile(key, value));
        auto window = start();
        const frmTTSUi &ui = window->ui();
        QCOMPARE(ui.VC->currentIndex(), voice);
        if (voice >= 0)
            QCOMPARE(window->Voice->Voice().Id(), window->Voice->GetVoices().Item(voice).Id());
        QCOMPARE(ui.FC->currentIndex(), format);
        if (format >= 0)
            QCOMPARE(window->Voice->AudioOutputStream()->Format().Type(), ui.FC->itemData(format).toInt());
        QCOMPARE(ui.ProcXML->checkState(), xml);
        QCOMPARE(window->SpeakFlags, xml == Qt::Unchecked ? 19 : 11);
        QCOMPARE(window->pos(), QPoint(100, 80));
        QCOMPARE(window->MenuIcons->Style(), 1);
        const QStringList stored{QStringLiteral("&1 /p/one.txt"), QStringLiteral("&2 /p/two.txt")};
        QCOMPARE(recentItems(*window), stored);
        // The next exit keeps them.
        window->close();
        QVERIFY(iniLines().contains(QStringLiteral("2=/p/two.txt")));
        QVERIFY(iniLines().contains(QStringLiteral("Count=2")));
    }

    void storedRecentFilesAreShownAsStored_data()
    {
        QTest::addColumn<QByteArray>("files");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("key 2 missing") << QByteArray("Count=2\n1=/p/one.txt\n")
                                       << QStringList{u"&1 /p/one.txt"_qs, u"&2 "_qs};
        QTest::newRow("Count 9") << QByteArray("Count=9\n1=/1\n2=/2\n3=/3\n4=/4\n5=/5\n6=/6\n7=/7\n8=/8\n9=/9\n")
                                 << QStringList{u"&1 /1"_qs, u"&2 /2"_qs, u"&3 /3"_qs, u"&4 /4"_qs};
        QTest::newRow("an ampersand") << QByteArray("Count=1\n1=/R&D/a.txt\n") << QStringList{u"&1 /R&&D/a.txt"_qs};
    }

    void storedRecentFilesAreShownAsStored()
    {
        QFETCH(QByteArray, files);
        QFETCH(QStringList, items);
        writeIni("[Files]\n" + files);
        auto window = start();
        QCOMPARE(recentItems(*window), items);
        QCOMPARE(window->colMRU.count(), items.size());
        QCOMPARE(window->ui().SAP1->isVisible(), !items.isEmpty());
    }

    void aPositionOffEveryScreenIsBroughtBack_data()
    {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<bool>("kept");
        QTest::newRow("on the screen") << 1500 << 1200 << true;
        QTest::newRow("far left") << -150000 << 1200 << false;
        QTest::newRow("far below") << 1500 << 900000 << false;
        QTest::newRow("at the ends of 32 bits") << 2147483647 << -2147483647 - 1 << false;
    }

    void aPositionOffEveryScreenIsBroughtBack()
    {
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(bool, kept);
        writeIni(QStringLiteral("[General]\nLeft=%1\nTop=%2\n").arg(left).arg(top).toUtf8());
        auto window = start();
        if (kept)
            QCOMPARE(window->pos(), QPoint(left / 15, top / 15));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY2(screen.contains(window->pos() + QPoint(window->width() / 2, 8)),
                 qPrintable(QStringLiteral("title bar at %1,%2").arg(window->x()).arg(window->y())));
    }

    // Opened files are in TTS.ini while the window is still open, so a crash
    // does not cost them.
    void recentFilesAreStoredWhenOpened()
    {
        auto window = start();
        const QString first = openFile(*window, QStringLiteral("first.txt"));
        const QString second = openFile(*window, QStringLiteral("second.txt"));
        const QStringList lines = iniLines();
        QVERIFY(lines.contains(QStringLiteral("Count=2")));
        QVERIFY(lines.contains(QStringLiteral("1=") + second));
        QVERIFY(lines.contains(QStringLiteral("2=") + first));
        QCOMPARE(lines.first(), QStringLiteral("[General]"));
    }

    // A real full disk: a tmpfs in a mount namespace of this process alone.
    void aFullDiskAtExitIsReportedAndKeepsTheOldFile()
    {
        const QString folder = m_fx.settings->filePath(QStringLiteral("full"));
        QVERIFY(QDir().mkpath(folder));
        const QByteArray target = QFile::encodeName(folder);
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || mount("tmpfs", target.constData(), "tmpfs", 0, "size=32k") != 0) {
            QSKIP("cannot mount a tmpfs here (needs CAP_SYS_ADMIN)");
        }
        const auto unmount = qScopeGuard([&] { umount2(target.constData(), MNT_DETACH); });
        const QString ini = QDir(folder).filePath(QStringLiteral("TTS.ini"));
        {
            QFile file(ini);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(storedFile());
        }
        QFile filler(QDir(folder).filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'f')) > 0) {}
        filler.close();

        frmTTS::Dependencies dependencies = m_fx.dependencies();
        dependencies.settingsFolder = folder;
        frmTTS window(dependencies);
        window.Form_Load();
        openFile(window, QStringLiteral("new.txt"));
        window.ui().VC->setCurrentIndex(2);
        QVERIFY(m_fx.messages.isEmpty());
        window.close();

        QCOMPARE(m_fx.messages.size(), 1);
        const Message message = m_fx.messages.takeFirst();
        QCOMPARE(message.title, QStringLiteral("Sonti"));
        QCOMPARE(message.icon, QMessageBox::Warning);
        QVERIFY2(message.text.contains(ini) && message.text.contains(QStringLiteral("No space left on device")),
                 qPrintable(message.text));
        QFile file(ini);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), storedFile());
    }

    void aReadOnlyFileIsReadAndLeftWhole()
    {
        const QByteArray before = "; kept as it is\r\n" + storedFile().replace("\n", "\r\n") + "Extra=1\r\n";
        writeIni(before);
        QVERIFY(QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        auto window = start();
        QCOMPARE(window->ui().FC->currentIndex(), 1);
        openFile(*window, QStringLiteral("new.txt"));
        window->ui().VC->setCurrentIndex(2);
        window->close();
        QCOMPARE(iniBytes(), before);
    }
};

QTEST_MAIN(tst_frmTTSSettings)
#include "tst_frmTTSSettings.moc"
