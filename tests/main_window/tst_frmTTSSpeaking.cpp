#include "WindowFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

// The speaking controls against a voice with a scripted synthesiser (60 ms
// a word, 20 ms a blank) and a silent sink on the fixture's clock.
class tst_frmTTSSpeaking : public QObject
{
    Q_OBJECT

    WindowFixture m_fx;

private Q_SLOTS:
    void init() { m_fx.reset(); }

    void loadPreparesTheVoiceAndTheLists()
    {
        auto window = m_fx.start();
        const frmTTSUi &ui = window->ui();
        QVERIFY(window->Voice);
        QVERIFY(window->Voice->EventInterests() & SVEAudioLevel);
        QCOMPARE(window->Voice->AlertBoundary(), int(SVEPhoneme));
        // Every voice is offered, the last one too.
        QCOMPARE(ui.VC->count(), window->Voice->GetVoices().Count());
        QCOMPARE(ui.VC->count(), 3);
        QStringList formats;
        for (int i = 0; i < ui.FC->count(); ++i)
            formats << ui.FC->itemText(i) + u'=' + ui.FC->itemData(i).toString();
        QCOMPARE(formats,
                 (QStringList{u"16kHz16BitMono=18"_qs, u"16kHz16BitStereo=19"_qs, u"22kHz16BitMono=22"_qs,
                              u"22kHz16BitStereo=23"_qs}));
        QCOMPARE(controlState(ui), idle);
    }

    void nothingToSpeakChangesNothing()
    {
        auto window = m_fx.start();
        window->ui().Text1->clear();
        QTest::mouseClick(window->ui().cmdTalk, Qt::LeftButton);
        QCOMPARE(m_fx.messages.size(), 1);
        QCOMPARE(m_fx.messages[0].text, QStringLiteral("Nothing to Speak!"));
        QCOMPARE(m_fx.messages[0].icon, QMessageBox::Warning);
        QCOMPARE(controlState(window->ui()), idle);
        QTest::qWait(50);
        QVERIFY(m_fx.synth->spoken().isEmpty());
    }

    void speakPauseResumeStopAndTheEndOfTheStream()
    {
        auto window = m_fx.start();
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
        // A level of the sound before the pause, arriving late, is not shown.
        window->Voice_AudioLevel(1, 0, 40);
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
        QVERIFY(m_fx.messages.isEmpty());
    }

    void spokenWordsAreLitAsTheyAreHeard()
    {
        auto window = m_fx.start();
        const frmTTSUi &ui = window->ui();
        ui.Text1->setPlainText(QStringLiteral("alpha beta gamma"));
        QSignalSpy words(window->Voice.get(), &SpVoice::Word);
        QSignalSpy ends(window->Voice.get(), &SpVoice::EndStream);
        QTest::mouseClick(ui.cmdTalk, Qt::LeftButton);
        // Half-way through the second word.
        m_fx.clock->advance(std::chrono::milliseconds(110));
        QTRY_COMPARE(words.size(), 2);
        QCOMPARE(window->highlight().litStart(), 6);
        QCOMPARE(window->highlight().litEnd(), 10);
        m_fx.clock->advance(std::chrono::seconds(60));
        QTRY_COMPARE(ends.size(), 1);
        QCOMPARE(ui.Text1->textCursor().selectedText(), QStringLiteral("alpha beta gamma"));
        QCOMPARE(controlState(ui), idle);
    }

    void theXmlBoxChoosesTheFlags()
    {
        auto window = m_fx.start();
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
        auto window = m_fx.start();
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
        QVERIFY(m_fx.messages.isEmpty());
    }

    void withoutAVoiceTheWindowStillOpensAndSpeakFails()
    {
        m_fx.noVoice = true;
        auto window = m_fx.start();
        const frmTTSUi &ui = window->ui();
        QVERIFY(window->isVisible());
        QVERIFY(!window->Voice);
        QCOMPARE(ui.VC->count(), 0);
        QCOMPARE(ui.FC->count(), 4);
        QTest::mouseClick(ui.cmdTalk, Qt::LeftButton);
        QCOMPARE(m_fx.messages.size(), 1);
        QCOMPARE(m_fx.messages[0].text, QStringLiteral("Speech Error!"));
        QCOMPARE(m_fx.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(controlState(ui), speaking);
        // Stop has nothing to purge and no stream will end: it returns the
        // window to idle, Process XML included, without a further message.
        QTest::mouseClick(ui.cmdStop, Qt::LeftButton);
        QCOMPARE(m_fx.messages.size(), 1);
        QCOMPARE(controlState(ui), idle);
        window->close();
    }
};

QTEST_MAIN(tst_frmTTSSpeaking)
#include "tst_frmTTSSpeaking.moc"
