#include "FakeSynthesizer.h"
#include "NullAudioSink.h"
#include "SontiError.h"
#include "SpVoice.h"
#include "TestPictures.h"
#include "frmTTS.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Message
{
    QString text;
    QMessageBox::Icon icon;
};

// Which of the controls that speaking switches are enabled, as one string:
// Speak, Pause, Stop, voices, formats, XML box, text editable.
QString controlState(const frmTTSUi &ui)
{
    QString state;
    for (bool on : {ui.cmdTalk->isEnabled(), ui.cmdPause->isEnabled(), ui.cmdStop->isEnabled(),
                    ui.VC->isEnabled(), ui.FC->isEnabled(), ui.ProcXML->isEnabled(), !ui.Text1->isReadOnly()})
        state += on ? QLatin1Char('1') : QLatin1Char('0');
    return state;
}

const QString idle = QStringLiteral("1001111");
const QString speaking = QStringLiteral("0110000");
const QString paused = QStringLiteral("0100000");
const QString afterStop = QStringLiteral("1001101");

} // namespace

// The speaking controls against a voice with a scripted synthesiser and a
// silent sink that keeps real time.
class tst_frmTTSSpeaking : public QObject
{
    Q_OBJECT

    TestPictures m_pictures;
    QTemporaryDir m_settings;
    QList<Message> m_messages;
    FakeSynthesizer *m_synth = nullptr;
    bool m_noVoice = false;

    std::unique_ptr<frmTTS> makeWindow()
    {
        frmTTS::Dependencies d;
        d.mouthPicturePrefix = m_pictures.prefix();
        d.settingsFolder = m_settings.path();
        d.messageBox = [this](const QString &, const QString &text, QMessageBox::Icon icon) {
            m_messages.append({text, icon});
        };
        d.createVoice = [this]() -> std::unique_ptr<SpVoice> {
            if (m_noVoice)
                throw SontiError(SontiError::AudioFailure, QStringLiteral("test"), QStringLiteral("no engine"));
            auto synth = std::make_unique<FakeSynthesizer>(16000, 60, 20);
            m_synth = synth.get();
            return std::make_unique<SpVoice>(std::move(synth), std::make_unique<NullAudioSink>());
        };
        auto window = std::make_unique<frmTTS>(d);
        window->Form_Load();
        return window;
    }

private Q_SLOTS:
    void init()
    {
        m_messages.clear();
        m_noVoice = false;
        m_synth = nullptr;
    }

    void loadPreparesTheVoiceAndTheLists()
    {
        auto window = makeWindow();
        const frmTTSUi &ui = window->ui();
        QVERIFY(window->Voice);
        QVERIFY(window->Voice->EventInterests() & SVEAudioLevel);
        QCOMPARE(window->Voice->AlertBoundary(), int(SVEPhoneme));
        QCOMPARE(window->SpeakFlags, 11);
        // Every voice is offered, the last one too.
        QCOMPARE(ui.VC->count(), window->Voice->GetVoices().Count());
        QCOMPARE(ui.VC->count(), 3);
        const QStringList formats{QStringLiteral("16kHz16BitMono"), QStringLiteral("16kHz16BitStereo"),
                                  QStringLiteral("22kHz16BitMono"), QStringLiteral("22kHz16BitStereo")};
        const QList<int> types{18, 19, 22, 23};
        QCOMPARE(ui.FC->count(), 4);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(ui.FC->itemText(i), formats[i]);
            QCOMPARE(ui.FC->itemData(i).toInt(), types[i]);
        }
        QCOMPARE(controlState(ui), idle);
    }

    void nothingToSpeakChangesNothing()
    {
        auto window = makeWindow();
        window->ui().Text1->clear();
        QTest::mouseClick(window->ui().cmdTalk, Qt::LeftButton);
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0].text, QStringLiteral("Nothing to Speak!"));
        QCOMPARE(m_messages[0].icon, QMessageBox::Warning);
        QCOMPARE(controlState(window->ui()), idle);
        QTest::qWait(50);
        QVERIFY(m_synth->spoken().isEmpty());
    }

    void speakPauseResumeStopAndTheEndOfTheStream()
    {
        auto window = makeWindow();
        const frmTTSUi &ui = window->ui();
        ui.Text1->setPlainText(QStringLiteral("one two three four five six seven eight nine ten"));
        QSignalSpy ends(window->Voice.get(), &SpVoice::EndStream);
        QSignalSpy levels(window->Voice.get(), &SpVoice::AudioLevel);

        QTest::mouseClick(ui.cmdTalk, Qt::LeftButton);
        QCOMPARE(controlState(ui), speaking);
        QTRY_VERIFY(levels.size() > 0);

        QTest::mouseClick(ui.cmdPause, Qt::LeftButton);
        QCOMPARE(controlState(ui), paused);
        QCOMPARE(ui.cmdPause->text(), QStringLiteral("&Resume"));
        QCOMPARE(ui.Label1->text(), QStringLiteral("0%"));

        QTest::mouseClick(ui.cmdPause, Qt::LeftButton);
        QCOMPARE(controlState(ui), speaking);
        QCOMPARE(ui.cmdPause->text(), QStringLiteral("&Pause"));

        QTest::mouseClick(ui.cmdStop, Qt::LeftButton);
        QCOMPARE(controlState(ui), afterStop);
        QCOMPARE(ui.Label1->text(), QStringLiteral("0%"));

        // The purged stream still ends, and only then is the box usable again.
        QTRY_COMPARE(ends.size(), 1);
        QCOMPARE(controlState(ui), idle);
        QCOMPARE(ui.Text1->textCursor().selectedText(), ui.Text1->toPlainText());
        QVERIFY(m_messages.isEmpty());
    }

    void spokenWordsAreSelectedAsTheyAreHeard()
    {
        auto window = makeWindow();
        const frmTTSUi &ui = window->ui();
        ui.Text1->setPlainText(QStringLiteral("alpha beta gamma"));
        QSignalSpy words(window->Voice.get(), &SpVoice::Word);
        QSignalSpy ends(window->Voice.get(), &SpVoice::EndStream);
        QTest::mouseClick(ui.cmdTalk, Qt::LeftButton);
        QTRY_VERIFY(words.size() >= 2);
        QCOMPARE(ui.Text1->textCursor().selectedText(), QStringLiteral("beta"));
        QTRY_COMPARE(ends.size(), 1);
        QCOMPARE(ui.Text1->textCursor().selectedText(), QStringLiteral("alpha beta gamma"));
        QCOMPARE(controlState(ui), idle);
    }

    void theXmlBoxChoosesTheFlags()
    {
        auto window = makeWindow();
        window->ui().ProcXML->setChecked(false);
        QCOMPARE(window->SpeakFlags, 19);
        window->ui().ProcXML->setCheckState(Qt::PartiallyChecked);
        QCOMPARE(window->SpeakFlags, 11);
        window->ui().ProcXML->setChecked(false);
        window->ui().ProcXML->setChecked(true);
        QCOMPARE(window->SpeakFlags, 11);
    }

    void chosenVoiceAndFormatReachTheEngine()
    {
        auto window = makeWindow();
        const frmTTSUi &ui = window->ui();
        ui.VC->setCurrentIndex(2);
        window->VC_Click();
        QCOMPARE(window->Voice->Voice().Id(), window->Voice->GetVoices().Item(2).Id());
        ui.FC->setCurrentIndex(3);
        window->FC_Click();
        QCOMPARE(window->Voice->AudioOutputStream()->Format().Type(), 23);
        // A cleared selection changes nothing.
        ui.VC->setCurrentIndex(-1);
        window->VC_Click();
        ui.FC->setCurrentIndex(-1);
        window->FC_Click();
        QCOMPARE(window->Voice->Voice().Id(), window->Voice->GetVoices().Item(2).Id());
        QCOMPARE(window->Voice->AudioOutputStream()->Format().Type(), 23);
        QVERIFY(m_messages.isEmpty());
    }

    void withoutAVoiceTheWindowStillOpensAndSpeakFails()
    {
        m_noVoice = true;
        auto window = makeWindow();
        const frmTTSUi &ui = window->ui();
        QVERIFY(window->isVisible());
        QVERIFY(!window->Voice);
        QCOMPARE(ui.VC->count(), 0);
        QCOMPARE(ui.FC->count(), 4);
        QTest::mouseClick(ui.cmdTalk, Qt::LeftButton);
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0].text, QStringLiteral("Speech Error!"));
        QCOMPARE(m_messages[0].icon, QMessageBox::Critical);
        QCOMPARE(controlState(ui), speaking);
        // Stop has nothing to purge; its failure is reported and the program goes on.
        QTest::mouseClick(ui.cmdStop, Qt::LeftButton);
        QCOMPARE(m_messages.size(), 2);
        QCOMPARE(m_messages[1].icon, QMessageBox::Critical);
        window->close();
    }
};

QTEST_MAIN(tst_frmTTSSpeaking)
#include "tst_frmTTSSpeaking.moc"
