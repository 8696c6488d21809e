#include "WindowFixture.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

namespace {

struct Raised
{
    QPointer<QObject> source;
    QAccessible::Event type;
};

// Turns Qt's accessibility on, as a screen reader does, and records every
// event the widgets raise, in place of the platform's bridge.
class AccessibilityRecorder
{
public:
    AccessibilityRecorder()
    {
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
        s_raised.clear();
        m_previous = QAccessible::installUpdateHandler(&record);
    }
    ~AccessibilityRecorder() { QAccessible::installUpdateHandler(m_previous); }

    void clear() { s_raised.clear(); }
    // Events of the given types raised by source or its children.
    int count(const QObject *source, const QList<QAccessible::Event> &types) const
    {
        int n = 0;
        for (const Raised &r : std::as_const(s_raised)) {
            bool within = false;
            for (const QObject *o = r.source; o && !within; o = o->parent())
                within = o == source;
            n += within && types.contains(r.type);
        }
        return n;
    }

private:
    static void record(QAccessibleEvent *event) { s_raised.append({event->object(), event->type()}); }

    static inline QList<Raised> s_raised;
    QAccessible::UpdateHandler m_previous = nullptr;
};

const QList<QAccessible::Event> selectionAndCaret{QAccessible::TextSelectionChanged, QAccessible::TextCaretMoved};

QAccessibleInterface *accessible(QObject *object)
{
    return QAccessible::queryAccessibleInterface(object);
}

QString litText(const frmTTS &window)
{
    const int start = window.highlight().litStart();
    if (start < 0)
        return QString();
    return window.ui().Text1->toPlainText().mid(start, window.highlight().litEnd() - start);
}

} // namespace

// The window for screen-reader and keyboard users, and files dropped on it.
class tst_frmTTSAccess : public QObject
{
    Q_OBJECT

    WindowFixture m_fx;

    std::unique_ptr<frmTTS> startActive()
    {
        auto window = m_fx.start();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qFatal("the window did not become active");
        return window;
    }

private Q_SLOTS:
    void init() { m_fx.reset(); }

    void everyControlHasAName_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("role");
        QTest::newRow("text box") << "Text1"
                                  << "Text to read" << int(QAccessible::EditableText);
        QTest::newRow("frame") << "Frame1"
                               << "Control Panel" << int(QAccessible::Grouping);
        QTest::newRow("face") << "VisemePicture"
                              << "Face" << int(QAccessible::Graphic);
        QTest::newRow("meter") << "Picture1"
                               << "Audio level" << int(QAccessible::ProgressBar);
        QTest::newRow("Speak") << "cmdTalk"
                               << "Speak" << int(QAccessible::Button);
        QTest::newRow("Pause") << "cmdPause"
                               << "Pause" << int(QAccessible::Button);
        QTest::newRow("Stop") << "cmdStop"
                              << "Stop" << int(QAccessible::Button);
        QTest::newRow("XML box") << "ProcXML"
                                 << "Process XML" << int(QAccessible::CheckBox);
    }

    void everyControlHasAName()
    {
        QFETCH(QString, control);
        QFETCH(QString, name);
        QFETCH(int, role);
        auto window = m_fx.start();
        QAccessibleInterface *iface = accessible(window->findChild<QWidget *>(control));
        QVERIFY(iface);
        QCOMPARE(iface->text(QAccessible::Name), name);
        QCOMPARE(int(iface->role()), role);
    }

    void listsAreNamedForTheirPurposeWithTheItemAsValue_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::newRow("voices") << "VC"
                                << "Voice";
        QTest::newRow("formats") << "FC"
                                 << "Output format";
    }

    void listsAreNamedForTheirPurposeWithTheItemAsValue()
    {
        QFETCH(QString, control);
        QFETCH(QString, name);
        AccessibilityRecorder recorder;
        auto window = m_fx.start();
        auto *list = window->findChild<QComboBox *>(control);
        QAccessibleInterface *iface = accessible(list);
        QCOMPARE(iface->text(QAccessible::Name), name);
        QCOMPARE(int(iface->role()), int(QAccessible::ComboBox));
        // The item is the value, and the text a screen reader reads.
        list->setCurrentIndex(1);
        QCOMPARE(iface->text(QAccessible::Value), list->itemText(1));
        QAccessibleTextInterface *text = iface->textInterface();
        QVERIFY(text);
        QCOMPARE(text->text(0, text->characterCount()), list->itemText(1));
        // A new item is told as new text; the popup list is the only child.
        recorder.clear();
        list->setCurrentIndex(0);
        QCOMPARE(recorder.count(list, {QAccessible::TextUpdated}), 1);
        QCOMPARE(iface->childCount(), 1);
        QCOMPARE(iface->child(0)->object(), static_cast<QObject *>(list->view()));
    }

    void theMeterIsOneObjectWithTheLevelAsItsValue()
    {
        AccessibilityRecorder recorder;
        auto window = m_fx.start();
        QAccessibleInterface *meter = accessible(window->ui().Picture1);
        QCOMPARE(meter->childCount(), 0);
        QVERIFY(meter->valueInterface());
        QCOMPARE(meter->valueInterface()->currentValue().toInt(), 0);
        recorder.clear();
        for (int level : {12, 37, 80, 37})
            window->Voice_AudioLevel(1, 0, level);
        QCOMPARE(meter->valueInterface()->currentValue().toInt(), 37);
        QCOMPARE(meter->text(QAccessible::Value), QStringLiteral("37%"));
        QCOMPARE(recorder.count(window->ui().Picture1, {QAccessible::NameChanged}), 0);
    }

    void speakingAnnouncesNoSelectionOrCaret()
    {
        AccessibilityRecorder recorder;
        auto window = m_fx.start();
        const frmTTSUi &ui = window->ui();
        ui.Text1->setPlainText(QStringLiteral("one two three four five six seven eight nine ten eleven twelve"));
        ui.Text1->selectAll();
        QSignalSpy ends(window->Voice.get(), &SpVoice::EndStream);
        recorder.clear();

        QTest::mouseClick(ui.cmdTalk, Qt::LeftButton);
        // The sighted user sees a later word lit while it is spoken...
        // Half-way through the third word.
        m_fx.clock->advance(std::chrono::milliseconds(190));
        QTRY_COMPARE(litText(*window), QStringLiteral("three"));
        QVERIFY(!ui.Text1->textCursor().hasSelection());
        m_fx.clock->advance(std::chrono::seconds(60));
        QTRY_COMPARE(ends.size(), 1);
        // ...and the whole text selected at the end.
        QCOMPARE(ui.Text1->textCursor().selectedText(), ui.Text1->toPlainText());
        QCOMPARE(litText(*window), QString());
        QCOMPARE(recorder.count(ui.Text1, selectionAndCaret), 0);

        // The user's own moves are still told.
        ui.Text1->setFocus();
        QTest::keyClick(ui.Text1, Qt::Key_Home);
        QVERIFY(recorder.count(ui.Text1, selectionAndCaret) > 0);
    }

    void aLitWordFarDownIsScrolledIntoView()
    {
        auto window = m_fx.start();
        QPlainTextEdit *text = window->ui().Text1;
        QString lines;
        for (int i = 0; i < 200; ++i)
            lines += QStringLiteral("line %1\n").arg(i, 3, 10, QLatin1Char('0'));
        text->setPlainText(lines);
        for (int line : {150, 20, 199}) {
            const int position = int(lines.indexOf(QStringLiteral("line %1").arg(line, 3, 10, QLatin1Char('0'))));
            window->Voice_Word(1, 0, position, 8);
            QTextCursor word(text->document());
            word.setPosition(position);
            QVERIFY2(text->viewport()->rect().contains(text->cursorRect(word)), qPrintable(QString::number(line)));
        }
        QCOMPARE(text->textCursor().position(), 0);
    }

    // Escape stops only while Stop is enabled; the focus goes from button
    // to button, never into the text.
    void speakingByKeyboard()
    {
        auto window = startActive();
        const frmTTSUi &ui = window->ui();
        ui.Text1->setPlainText(QStringLiteral("one two three four five six seven eight nine ten"));
        ui.cmdTalk->setFocus();
        QSignalSpy moves(qApp, &QApplication::focusChanged);
        QSignalSpy ends(window->Voice.get(), &SpVoice::EndStream);
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QVERIFY(ui.cmdTalk->isEnabled());

        QTest::keyClick(ui.cmdTalk, Qt::Key_Space);
        QCOMPARE(QApplication::focusWidget(), ui.cmdPause);
        QTest::keyClick(ui.cmdPause, Qt::Key_Space);
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QCOMPARE(ui.cmdPause->text(), QStringLiteral("&Resume"));
        QTest::keyClick(ui.cmdPause, Qt::Key_Space);
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QVERIFY(ui.cmdTalk->isEnabled());
        QVERIFY(!ui.Text1->isReadOnly());
        QCOMPARE(QApplication::focusWidget(), ui.cmdTalk);
        QTRY_COMPARE(ends.size(), 1);

        QTest::keyClick(ui.cmdTalk, Qt::Key_Space);
        m_fx.clock->advance(std::chrono::seconds(60));
        QTRY_COMPARE(ends.size(), 2);
        QCOMPARE(QApplication::focusWidget(), ui.cmdTalk);
        for (const QList<QVariant> &move : std::as_const(moves))
            QVERIFY(move.at(1).value<QWidget *>() != ui.Text1);
    }

    void controlOOpensAndControlQExits()
    {
        auto window = startActive();
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(m_fx.dialog->requests.size(), 1);
        QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!window->isVisible());
        QVERIFY(m_fx.steps.contains(QStringLiteral("SaveSettings")));
    }

    void zoomKeysAndWheelResizeTheTextWithinLimits()
    {
        auto window = startActive();
        QPlainTextEdit *text = window->ui().Text1;
        const qreal design = text->font().pointSizeF();
        QTest::keyClick(window.get(), Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(text->font().pointSizeF(), design + 1);
        QTest::keyClick(window.get(), Qt::Key_Minus, Qt::ControlModifier);
        QTest::keyClick(window.get(), Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(text->font().pointSizeF(), design - 1);
        QTest::keyClick(window.get(), Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(text->font().pointSizeF(), design);

        const QPoint at = text->viewport()->rect().center();
        QWheelEvent wheel(at, text->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(text->viewport(), &wheel);
        QCOMPARE(text->font().pointSizeF(), design + 2);
        // The other controls keep the designed font.
        QCOMPARE(window->ui().cmdTalk->font().pointSizeF(), 8.25);

        for (int i = 0; i < 100; ++i)
            QTest::keyClick(window.get(), Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(text->font().pointSizeF(), 72.0);
    }

    void tabLeavesTheTextBox()
    {
        auto window = startActive();
        const frmTTSUi &ui = window->ui();
        ui.Text1->setFocus();
        const QString before = ui.Text1->toPlainText();
        QTest::keyClick(ui.Text1, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), ui.cmdTalk);
        QCOMPARE(ui.Text1->toPlainText(), before);
        // Round the window and back: Speak, the lists, the XML box, the text.
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), ui.Text1);
    }

    void aDroppedFileOpensAsFileOpenWould()
    {
        auto window = m_fx.start();
        QWidget *target = window->ui().Text1->viewport();
        QTemporaryDir files;
        const QString path = files.filePath(QStringLiteral("dropped.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Dropped text");
        file.close();
        const QString missing = files.filePath(QStringLiteral("missing.txt"));

        const auto drop = [target](QMimeData &data) {
            const QPoint at = target->rect().center();
            QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(target, &enter);
            QDropEvent dropped(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(target, &dropped);
            return enter.isAccepted() && dropped.isAccepted();
        };

        QMimeData files1;
        files1.setUrls({QUrl(QStringLiteral("https://example.org/x.txt")), QUrl::fromLocalFile(path)});
        QVERIFY(drop(files1));
        QTRY_COMPARE(window->windowTitle(), QStringLiteral("TTS - dropped.txt"));
        QCOMPARE(window->ui().Text1->toPlainText(), QStringLiteral("Dropped text"));
        QCOMPARE(recentItems(*window), QStringList{QStringLiteral("&1 ") + path});

        QMimeData gone;
        gone.setUrls({QUrl::fromLocalFile(missing)});
        QVERIFY(drop(gone));
        QTRY_COMPARE(m_fx.messages.size(), 1);
        QCOMPARE(m_fx.messages[0].text, QStringLiteral("Sorry! Unable to open the file : ") + missing);
        QCOMPARE(m_fx.messages[0].icon, QMessageBox::Warning);

        // Text is still dropped into the box as text.
        QMimeData words;
        words.setText(QStringLiteral("more words"));
        drop(words);
        QVERIFY(window->ui().Text1->toPlainText().contains(QStringLiteral("more words")));
        QCOMPARE(window->windowTitle(), QStringLiteral("TTS - dropped.txt"));
    }
};

QTEST_MAIN(tst_frmTTSAccess)
#include "tst_frmTTSAccess.moc"
