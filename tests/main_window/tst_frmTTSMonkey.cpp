#include "WindowFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace {

const QStringList States{idle, speaking, paused, afterStop};

// Warnings and criticals from any code the window runs are faults nobody
// was told of.
QStringList s_logged;
void recordMessage(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        s_logged << text;
}

// Text to type or paste: prose, markup of every tag, broken markup.
const QStringList Snippets{
    QStringLiteral("Hello there. "),
    QStringLiteral("one two three four five six seven eight nine ten "),
    QStringLiteral("<emph>loud</emph> and <rate speed=\"5\">fast</rate> "),
    QStringLiteral("<pitch middle=\"-5\">low</pitch> <volume level=\"20\">soft</volume> "),
    QStringLiteral("<silence msec=\"300\"/> <bookmark mark=\"b1\"/> mark "),
    QStringLiteral("<spell>abc</spell> <pron sym=\"h eh 1 l ow\">hello</pron> "),
    QStringLiteral("<voice required=\"Gender=Female\">she</voice> <lang langid=\"409\">en</lang> "),
    QStringLiteral("<partofsp part=\"noun\">record</partofsp> <context id=\"date_mdy\">12/03/99</context> "),
    QStringLiteral("<emph>never closed "),
    QStringLiteral("</rate> stray end "),
    QStringLiteral("&amp; &lt; &#x263A; \u00e9\u00fc \u4e2d\u6587 \U0001F600 "),
    QStringLiteral("\n\n"),
    QStringLiteral("   "),
};
// Types text as a keyboard would, one key press a character (QTest's
// keyClicks takes Latin-1 only).
void typeInto(QWidget *widget, const QString &text)
{
    for (const char32_t c : text.toUcs4()) {
        const QString character = QString::fromUcs4(&c, 1);
        const int key = c == U'\n' ? Qt::Key_Return : Qt::Key_unknown;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, character);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, character);
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}
} // namespace

// A seeded random user of the real window, speaking through espeak-ng into
// the test daemon's null sink: clicks on what is enabled, list choices,
// typing and pasting text with markup, opening files, Pause, Resume and Stop
// in any order. After every action the controls are in a state of the
// window's table, nothing was logged or shown that should not be, and the
// window answered at once. SONTI_MONKEY_SEED and SONTI_MONKEY_COUNT choose
// the run (scripts/monkey); a failure names the seed and the action.
class tst_frmTTSMonkey : public QObject
{
    Q_OBJECT

    TestPictures m_pictures;
    QTemporaryDir m_settings;
    QTemporaryDir m_files;
    std::shared_ptr<ScriptedDialog> m_dialog = std::make_shared<ScriptedDialog>();
    QList<Message> m_messages;
    QStringList m_documents;

    void writeFile(const QString &name, const QByteArray &contents)
    {
        QFile file(m_files.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        m_documents << file.fileName();
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            QSKIP("PULSE_SERVER is not set: run through scripts/test, which starts a PulseAudio daemon");
        writeFile(QStringLiteral("story.txt"), QByteArrayLiteral("Once upon a time there was a small voice.\n"));
        writeFile(QStringLiteral("markup.xml"), QByteArrayLiteral("<rate speed=\"3\">quick</rate> <emph>then</emph>"));
        writeFile(QStringLiteral("page.html"), QByteArrayLiteral("<html><body><p>A web page.</p></body></html>"));
        writeFile(QStringLiteral("empty.txt"), QByteArray());
        writeFile(QStringLiteral("binary.bin"), QByteArray("\0\1\2\xff\xfe", 5).repeated(100));
        QDir(m_files.path()).mkdir(QStringLiteral("folder.txt"));
        m_documents << m_files.filePath(QStringLiteral("folder.txt")) << m_files.filePath(QStringLiteral("gone.txt"))
                    << QString();
    }

    void randomUser()
    {
        const quint32 seed = quint32(qEnvironmentVariableIntValue("SONTI_MONKEY_SEED"));
        const int count =
            qEnvironmentVariableIsSet("SONTI_MONKEY_COUNT") ? qEnvironmentVariableIntValue("SONTI_MONKEY_COUNT") : 2000;
        QRandomGenerator random(seed);

        frmTTS::Dependencies d;
        d.mouthPicturePrefix = m_pictures.prefix();
        d.settingsFolder = m_settings.path();
        d.openDialog = m_dialog;
        d.messageBox = [this](const QString &title, const QString &text, QMessageBox::Icon icon) {
            m_messages.append({title, text, icon});
        };
        auto window = std::make_unique<frmTTS>(d);
        window->Form_Load();
        const frmTTSUi &ui = window->ui();
        QVERIFY(window->Voice);
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));

        QSignalSpy words(window->Voice.get(), &SpVoice::Word);
        const QtMessageHandler previous = qInstallMessageHandler(recordMessage);
        const auto restore = qScopeGuard([previous] { qInstallMessageHandler(previous); });

        const auto snippet = [&] { return Snippets.at(random.bounded(int(Snippets.size()))); };
        const auto chooseIn = [&](QComboBox *list) {
            static const Qt::Key keys[] = {Qt::Key_Down, Qt::Key_Up, Qt::Key_Home, Qt::Key_End};
            list->setFocus();
            QTest::keyClick(list, keys[random.bounded(4)]);
        };
        const QList<std::pair<const char *, std::function<void()>>> actions{
            {"click Speak", [&] { QTest::mouseClick(ui.cmdTalk, Qt::LeftButton); }},
            {"click Speak", [&] { QTest::mouseClick(ui.cmdTalk, Qt::LeftButton); }},
            {"click Pause/Resume", [&] { QTest::mouseClick(ui.cmdPause, Qt::LeftButton); }},
            {"click Stop", [&] { QTest::mouseClick(ui.cmdStop, Qt::LeftButton); }},
            {"press Escape", [&] { QTest::keyClick(window.get(), Qt::Key_Escape); }},
            {"choose a voice", [&] { chooseIn(ui.VC); }},
            {"choose a format", [&] { chooseIn(ui.FC); }},
            {"click Process XML", [&] { QTest::mouseClick(ui.ProcXML, Qt::LeftButton); }},
            {"type", [&] { typeInto(ui.Text1, snippet()); }},
            {"paste",
             [&] {
                 QApplication::clipboard()->setText(snippet().repeated(1 + random.bounded(20)));
                 QTest::keyClick(ui.Text1, Qt::Key_V, Qt::ControlModifier);
             }},
            {"clear the text",
             [&] {
                 QTest::keyClick(ui.Text1, Qt::Key_A, Qt::ControlModifier);
                 QTest::keyClick(ui.Text1, Qt::Key_Delete);
             }},
            {"open a file",
             [&] {
                 m_dialog->answers = {m_documents.at(random.bounded(int(m_documents.size())))};
                 ui.mnuOpen->trigger();
             }},
            {"open a recent file",
             [&] {
                 QAction *item = ui.mnuMRU[1 + random.bounded(4)];
                 if (item->isVisible())
                     item->trigger();
             }},
            {"wait", [&] { QTest::qWait(random.bounded(400)); }},
        };

        QMap<QString, int> visited;
        for (int step = 0; step < count; ++step) {
            const auto &[name, action] = actions.at(random.bounded(int(actions.size())));
            const QString where = QStringLiteral("seed %1, action %2 (%3)").arg(seed).arg(step).arg(name);
            QElapsedTimer answered;
            answered.start();
            action();
            QCoreApplication::processEvents();
            QVERIFY2(answered.elapsed() < 1000 || QLatin1String(name) == "wait",
                     qPrintable(where + QStringLiteral(": the window took %1 ms").arg(answered.elapsed())));

            const QString state = controlState(ui);
            QVERIFY2(States.contains(state), qPrintable(where + QStringLiteral(": controls in state ") + state));
            ++visited[state];
            QVERIFY2((state == States[2]) == (ui.cmdPause->text() == QLatin1String("&Resume")),
                     qPrintable(where + QStringLiteral(": Pause reads ") + ui.cmdPause->text()));
            QVERIFY2(s_logged.isEmpty(), qPrintable(where + QStringLiteral(": logged ") + s_logged.join(u'\n')));
            for (const Message &m : std::as_const(m_messages)) {
                const bool expected = m.text == u"Nothing to Speak!" || m.text == u"Speech Error!"
                    || m.text.startsWith(u"Sorry! Unable to open the file : ");
                QVERIFY2(expected, qPrintable(where + QStringLiteral(": the window said ") + m.text));
            }
            m_messages.clear();
        }

        qInstallMessageHandler(previous);
        qInfo() << "states after each action:" << visited << "words heard:" << words.size();

        // However it was left, Stop and the end of the stream bring the
        // window back to idle, and it still speaks.
        if (ui.cmdPause->text() == QLatin1String("&Resume"))
            QTest::mouseClick(ui.cmdPause, Qt::LeftButton);
        if (ui.cmdStop->isEnabled())
            QTest::mouseClick(ui.cmdStop, Qt::LeftButton);
        ui.Text1->setPlainText(QStringLiteral("The end."));
        ui.ProcXML->setChecked(false);
        QTest::mouseClick(ui.cmdTalk, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(controlState(ui), States[0], 20000);
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.value(0).text));
    }
};

QTEST_MAIN(tst_frmTTSMonkey)
#include "tst_frmTTSMonkey.moc"
