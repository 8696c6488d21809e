#include "PrivatePulse.h"
#include "WindowFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

namespace {

QString longText()
{
    QString text;
    for (int i = 1; i <= 200; ++i)
        text += QStringLiteral("Sentence number %1 is spoken here. ").arg(i);
    return text;
}
} // namespace

// The real window and engine against a sound server of the test's own that
// is absent, killed while speaking, or stopped (SIGSTOP) while speaking and
// while a stream is being opened: the window never hangs (each click is
// answered within a few seconds, where libpulse alone would wait half a
// minute), says when speaking failed, comes back to idle, and speaks again
// once the server is back. A stopped Speak leaves no stream in the server.
class tst_frmTTSAudioFaults : public QObject
{
    Q_OBJECT

    TestPictures m_pictures;
    std::unique_ptr<QTemporaryDir> m_settings;
    QStringList m_messages;
    PrivatePulse *m_daemon = nullptr;
    QByteArray m_savedServer;

    std::unique_ptr<frmTTS> startWindow()
    {
        m_settings = std::make_unique<QTemporaryDir>();
        m_messages.clear();
        frmTTS::Dependencies d;
        d.mouthPicturePrefix = m_pictures.prefix();
        d.settingsFolder = m_settings->path();
        d.openDialog = std::make_shared<ScriptedDialog>();
        d.messageBox = [this](const QString &, const QString &text, QMessageBox::Icon) { m_messages << text; };
        auto window = std::make_unique<frmTTS>(d);
        window->Form_Load();
        window->ui().ProcXML->setChecked(false);
        return window;
    }

    // Clicks and checks that the window answered: a hang would take the
    // half minute libpulse waits.
    static void click(QPushButton *button)
    {
        QVERIFY2(button->isEnabled(), qPrintable(button->text()));
        QElapsedTimer answered;
        answered.start();
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY2(answered.elapsed() < 5000, qPrintable(QStringLiteral("%1 ms").arg(answered.elapsed())));
    }

    // Speaks a short text to the end, as the user would once the server is
    // back, and checks nothing was said about it.
    void speaksAgain(frmTTS &window)
    {
        const frmTTSUi &ui = window.ui();
        if (ui.cmdStop->isEnabled())
            click(ui.cmdStop);
        m_messages.clear();
        ui.Text1->setPlainText(QStringLiteral("Back again."));
        QSignalSpy words(window.Voice.get(), &SpVoice::Word);
        click(ui.cmdTalk);
        QTRY_COMPARE_WITH_TIMEOUT(controlState(ui), idle, 20000);
        QCOMPARE(words.size(), 2);
        QCOMPARE(m_messages, QStringList());
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            QSKIP("PULSE_SERVER is not set: run through scripts/test, which starts a PulseAudio daemon");
        m_savedServer = qgetenv("PULSE_SERVER");
    }

    void init()
    {
        m_daemon = new PrivatePulse;
        qputenv("PULSE_SERVER", m_daemon->server());
    }

    void cleanup()
    {
        delete std::exchange(m_daemon, nullptr);
        qputenv("PULSE_SERVER", m_savedServer);
    }

    void absentServer()
    {
        auto window = startWindow();
        const frmTTSUi &ui = window->ui();
        QVERIFY(window->Voice);
        ui.Text1->setPlainText(QStringLiteral("Nobody is there."));
        click(ui.cmdTalk);
        QCOMPARE(m_messages, QStringList{QStringLiteral("Speech Error!")});
        QCOMPARE(controlState(ui), speaking);

        QVERIFY(m_daemon->start());
        QTest::qWait(300);
        speaksAgain(*window);
    }

    void killedServer()
    {
        QVERIFY(m_daemon->start());
        QTest::qWait(300);
        auto window = startWindow();
        const frmTTSUi &ui = window->ui();
        ui.Text1->setPlainText(longText());
        QSignalSpy words(window->Voice.get(), &SpVoice::Word);
        click(ui.cmdTalk);
        QTRY_VERIFY_WITH_TIMEOUT(words.size() >= 2, 10000);
        m_daemon->kill();
        QTRY_COMPARE_WITH_TIMEOUT(controlState(ui), idle, 10000);

        // Speaking while it is gone says so.
        m_messages.clear();
        click(ui.cmdTalk);
        QCOMPARE(m_messages, QStringList{QStringLiteral("Speech Error!")});

        QVERIFY(m_daemon->start());
        QTest::qWait(300);
        speaksAgain(*window);
    }

    void stoppedServer()
    {
        QVERIFY(m_daemon->start());
        QTest::qWait(300);
        auto window = startWindow();
        const frmTTSUi &ui = window->ui();
        ui.Text1->setPlainText(longText());
        QSignalSpy words(window->Voice.get(), &SpVoice::Word);
        QSignalSpy failed(window->Voice.get(), &SpVoice::StreamFailed);

        // Stopped while speaking: the stream fails and the window is idle.
        click(ui.cmdTalk);
        QTRY_VERIFY_WITH_TIMEOUT(words.size() >= 2, 10000);
        m_daemon->stop();
        QTRY_COMPARE_WITH_TIMEOUT(controlState(ui), idle, 10000);
        QCOMPARE(failed.size(), 1);

        // Stop while the stream is being opened, then Speak once more: the
        // stream cannot be opened and the window is idle again.
        click(ui.cmdTalk);
        QTest::qWait(300);
        click(ui.cmdStop);
        QTRY_COMPARE_WITH_TIMEOUT(controlState(ui), idle, 10000);
        click(ui.cmdTalk);
        QTRY_COMPARE_WITH_TIMEOUT(controlState(ui), idle, 10000);
        QCOMPARE(failed.size(), 2);

        // Once the server answers again, nothing of ours is left in it.
        m_daemon->resume();
        QTRY_COMPARE_WITH_TIMEOUT(m_daemon->sinkInputs(), QString(), 10000);
        speaksAgain(*window);
    }
};

QTEST_MAIN(tst_frmTTSAudioFaults)
#include "tst_frmTTSAudioFaults.moc"
