#include "PulseAudioSink.h"
#include "WindowFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <csignal>

namespace {

// A PulseAudio daemon of the test's own, with a null sink, that the test
// starts, kills and starts again; clients find it through PULSE_SERVER.
class PrivatePulse
{
public:
    PrivatePulse()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("runtime"));
        QDir(m_dir.path()).mkpath(QStringLiteral("home"));
        QFile::setPermissions(runtime(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("PULSE_SERVER", QStringLiteral("unix:%1/pulse/native").arg(runtime()).toLocal8Bit());
    }
    ~PrivatePulse() { kill(); }

    static bool available() { return !QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty(); }

    bool start()
    {
        QProcess daemon;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime());
        env.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
        daemon.setProcessEnvironment(env);
        daemon.start(QStringLiteral("pulseaudio"),
                     {QStringLiteral("-D"), QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--disallow-exit"),
                      QStringLiteral("-n"), QStringLiteral("--load=module-null-sink sink_name=recovery rate=48000"),
                      QStringLiteral("--load=module-native-protocol-unix"), QStringLiteral("--log-target=stderr")});
        if (!daemon.waitForFinished(10000) || daemon.exitCode() != 0)
            return false;
        // The daemon is up once it answers a client.
        for (int i = 0; i < 300; ++i) {
            PulseAudioSink probe;
            if (!probe.connect().isError())
                return true;
            QThread::msleep(20);
        }
        return false;
    }

    // Ends the daemon as a crash would.
    void kill()
    {
        QFile pidFile(runtime() + QStringLiteral("/pulse/pid"));
        if (!pidFile.open(QIODevice::ReadOnly))
            return;
        const pid_t pid = pid_t(pidFile.readAll().trimmed().toInt());
        if (pid <= 0 || ::kill(pid, SIGKILL) != 0)
            return;
        for (int i = 0; i < 250 && ::kill(pid, 0) == 0; ++i)
            QThread::msleep(20);
        pidFile.remove();
    }

private:
    QString runtime() const { return m_dir.filePath(QStringLiteral("runtime")); }

    QTemporaryDir m_dir{QStringLiteral("/tmp/sonti-recovery.XXXXXX")};
};

} // namespace

// The window against a voice that plays through a real PulseAudio daemon,
// which goes away and comes back: the window returns to idle and speaks
// again without a restart.
class tst_frmTTSRecovery : public QObject
{
    Q_OBJECT

    WindowFixture m_fx;
    std::unique_ptr<PrivatePulse> m_pulse;

    std::unique_ptr<frmTTS> startWindow()
    {
        frmTTS::Dependencies d = m_fx.dependencies();
        d.createVoice = [this]() {
            auto fake = std::make_unique<FakeSynthesizer>(16000, 60, 20);
            m_fx.synth = fake.get();
            return std::make_unique<SpVoice>(std::move(fake), std::make_unique<PulseAudioSink>());
        };
        auto window = std::make_unique<frmTTS>(d);
        window->Form_Load();
        window->ui().ProcXML->setCheckState(Qt::Unchecked);
        return window;
    }

private Q_SLOTS:
    void init()
    {
        if (!PrivatePulse::available())
            QSKIP("no pulseaudio here (scripts/test installs it)");
        m_fx.reset();
        m_pulse = std::make_unique<PrivatePulse>();
    }
    void cleanup() { m_pulse.reset(); }

    void aFailedSpeakAndStopLeaveTheWindowIdle()
    {
        // No server yet: Speak fails.
        auto window = startWindow();
        const frmTTSUi &ui = window->ui();
        ui.Text1->setPlainText(QStringLiteral("one two three"));
        QTest::mouseClick(ui.cmdTalk, Qt::LeftButton);
        QCOMPARE(m_fx.messages.size(), 1);
        QCOMPARE(m_fx.messages[0].text, QStringLiteral("Speech Error!"));
        QCOMPARE(controlState(ui), speaking);
        QTest::mouseClick(ui.cmdStop, Qt::LeftButton);
        QCOMPARE(controlState(ui), idle);

        // The server comes: the next Speak plays to its end.
        QVERIFY(m_pulse->start());
        QSignalSpy ends(window->Voice.get(), &SpVoice::EndStream);
        QSignalSpy words(window->Voice.get(), &SpVoice::Word);
        QTest::mouseClick(ui.cmdTalk, Qt::LeftButton);
        QCOMPARE(controlState(ui), speaking);
        QVERIFY(ends.wait(10000));
        QCOMPARE(words.size(), 3);
        QCOMPARE(controlState(ui), idle);
        QCOMPARE(m_fx.messages.size(), 1);
    }

    void theServerDyingMidSpeechEndsTheStream()
    {
        QVERIFY(m_pulse->start());
        auto window = startWindow();
        const frmTTSUi &ui = window->ui();
        ui.Text1->setPlainText(QStringLiteral("one two three four five six seven eight nine ten").repeated(5));
        QSignalSpy ends(window->Voice.get(), &SpVoice::EndStream);
        QSignalSpy failed(window->Voice.get(), &SpVoice::StreamFailed);
        QSignalSpy words(window->Voice.get(), &SpVoice::Word);
        QTest::mouseClick(ui.cmdTalk, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(words.size() >= 2, 10000);

        m_pulse->kill();
        // The window returns to idle by itself, and says why.
        QVERIFY(ends.wait(10000));
        QCOMPARE(failed.size(), 1);
        QCOMPARE(controlState(ui), idle);
        QCOMPARE(m_fx.messages.size(), 1);
        QCOMPARE(m_fx.messages[0].text, QStringLiteral("Speech Error!"));

        // The server is back: Speak works again without a restart.
        QVERIFY(m_pulse->start());
        ui.Text1->setPlainText(QStringLiteral("again"));
        QTest::mouseClick(ui.cmdTalk, Qt::LeftButton);
        QVERIFY(ends.wait(10000));
        QCOMPARE(ends.size(), 2);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(controlState(ui), idle);
        QCOMPARE(m_fx.messages.size(), 1);
    }
};

QTEST_MAIN(tst_frmTTSRecovery)
#include "tst_frmTTSRecovery.moc"
