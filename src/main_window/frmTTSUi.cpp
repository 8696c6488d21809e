#include "frmTTSUi.h"

#include "OleColor.h"
#include "Twips.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

void place(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(Twips::rect(left, top, width, height));
}

// A control named as designed, placed in its container by twips.
template <typename Control, typename... Args>
Control *create(const char *name, int left, int top, int width, int height, Args &&...args)
{
    auto *control = new Control(std::forward<Args>(args)...);
    control->setObjectName(QLatin1String(name));
    place(control, left, top, width, height);
    return control;
}

} // namespace

QFont frmTTSUi::designFont(bool bold)
{
    // Liberation Sans has the metrics of the Arial family it resembles;
    // DejaVu Sans is the last resort.
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    font.setPointSizeF(8.25);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}

QList<QImage> frmTTSUi::iconPictures()
{
    QList<QImage> pictures;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        // Read as PNG by name: a reader left to guess the format would have
        // every image plugin loaded to ask it.
        QImageReader reader(QStringLiteral(":/icons/sonti-%1.png").arg(size), "PNG");
        reader.setAutoDetectImageFormat(false);
        const QImage picture = reader.read();
        if (!picture.isNull())
            pictures.append(picture.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
    return pictures;
}

void frmTTSUi::setupUi(QMainWindow *window, QWidget *meterSurface, const std::function<QList<QImage>()> &iconPictures)
{
    window->setObjectName(QStringLiteral("frmTTS"));
    window->setWindowTitle(QStringLiteral("TTS"));
    window->setFont(designFont(false));
    // Fixed single border with minimize and close only.
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    auto *client = new QWidget(window);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(clientWidth, clientHeight);
    window->setCentralWidget(client);

    const QFont boldFont = designFont(true);

    Text1 = create<QPlainTextEdit>("Text1", 50, 2880, 5655, 3975, client);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Text1->setTabChangesFocus(true);
    Text1->setPlainText(QStringLiteral("This is just a test"));
    // The spoken word is selected while a button has the focus: show the
    // selection in the same colours whether or not the text box is focused.
    QPalette textPalette = Text1->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        textPalette.setColor(QPalette::Inactive, role, textPalette.color(QPalette::Active, role));
    Text1->setPalette(textPalette);

    Frame1 = create<QGroupBox>("Frame1", 50, 120, 5655, 2655, QStringLiteral(" Control Panel "), client);

    VisemePicture = create<QLabel>("VisemePicture", 120, 240, 2535, 2055, Frame1);
    VisemePicture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    VisemePicture->setAutoFillBackground(true);
    QPalette picturePalette = VisemePicture->palette();
    picturePalette.setColor(QPalette::Window, OleColor::toQColor(OleColor::fromRgb(64, 64, 64)));
    VisemePicture->setPalette(picturePalette);

    Picture1 = meterSurface;
    Picture1->setParent(VisemePicture);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    place(Picture1, 1440, 1200, 975, 700);

    Label1 = create<QLabel>("Label1", 480, 240, 75, 195, Picture1);
    Label1->setFont(boldFont);
    // Sizes itself to its caption, growing to the right as the label does.
    Label1->setAttribute(Qt::WA_TranslucentBackground);

    VC = create<QComboBox>("VC", 2760, 240, 2775, 315, Frame1);
    VC->setPlaceholderText(QStringLiteral("Select Speaker"));

    cmdStop = create<QPushButton>("cmdStop", 4080, 2040, 1335, 375, QStringLiteral("S&top"), Frame1);
    cmdStop->setFont(boldFont);
    cmdStop->setEnabled(false);

    cmdTalk = create<QPushButton>("cmdTalk", 2760, 1560, 2655, 375, QStringLiteral("&Speak"), Frame1);
    cmdTalk->setFont(boldFont);

    cmdPause = create<QPushButton>("cmdPause", 2760, 2040, 1215, 375, QStringLiteral("&Pause"), Frame1);
    cmdPause->setFont(boldFont);
    cmdPause->setEnabled(false);

    FC = create<QComboBox>("FC", 2760, 720, 2775, 315, Frame1);
    FC->setPlaceholderText(QStringLiteral("Select Format"));

    ProcXML = create<QCheckBox>("ProcXML", 2760, 1200, 1335, 255, QStringLiteral("Process XM&L"), Frame1);
    ProcXML->setChecked(true);
    ProcXML->setToolTip(QStringLiteral("Process XML Files"));

    for (QPushButton *button : {cmdTalk, cmdPause, cmdStop}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    for (QWidget *passive : {static_cast<QWidget *>(Frame1), static_cast<QWidget *>(VisemePicture), Picture1,
                             static_cast<QWidget *>(Label1)})
        passive->setFocusPolicy(Qt::NoFocus);

    describeForAssistiveTechnology();

    QWidget::setTabOrder(Text1, cmdTalk);
    QWidget::setTabOrder(cmdTalk, cmdPause);
    QWidget::setTabOrder(cmdPause, cmdStop);
    QWidget::setTabOrder(cmdStop, VC);
    QWidget::setTabOrder(VC, FC);
    QWidget::setTabOrder(FC, ProcXML);

    mnuFile = window->menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuOpen = mnuFile->addAction(QStringLiteral("&Open"));
    mnuOpen->setObjectName(QStringLiteral("mnuOpen"));
    mnuOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    SAP1 = mnuFile->addSeparator();
    SAP1->setObjectName(QStringLiteral("SAP1"));
    SAP1->setVisible(false);
    for (int index = 1; index <= 4; ++index) {
        QAction *item = mnuFile->addAction(QString());
        item->setObjectName(QStringLiteral("mnuMRU%1").arg(index));
        item->setVisible(false);
        mnuMRU[index] = item;
    }
    SAP2 = mnuFile->addSeparator();
    SAP2->setObjectName(QStringLiteral("SAP2"));
    mnuExit = mnuFile->addAction(QStringLiteral("E&xit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    window->setFixedSize(window->sizeHint());

    // Last, so pictures read on another thread have the longest to come.
    QIcon icon;
    for (const QImage &picture : iconPictures ? iconPictures() : frmTTSUi::iconPictures())
        icon.addPixmap(QPixmap::fromImage(picture));
    window->setWindowIcon(icon);
}

void frmTTSUi::describeForAssistiveTechnology()
{
    Text1->setAccessibleName(QStringLiteral("Text to read"));
    // Read out each time the box gets the focus: kept short.
    Text1->setAccessibleDescription(QStringLiteral("Sonti reads this text aloud"));
    // The caption's blanks only pad the frame's border.
    Frame1->setAccessibleName(Frame1->title().trimmed());
    VisemePicture->setAccessibleName(QStringLiteral("Face"));
    VisemePicture->setAccessibleDescription(QStringLiteral("A picture whose mouth moves as Sonti speaks"));
    Picture1->setAccessibleName(QStringLiteral("Audio level"));
    // A fixed name also keeps the label from announcing every new level.
    Label1->setAccessibleName(QStringLiteral("Audio level"));
    // The current item is the lists' value (see ListAccessible).
    VC->setAccessibleName(QStringLiteral("Voice"));
    FC->setAccessibleName(QStringLiteral("Output format"));
    ProcXML->setAccessibleDescription(QStringLiteral("Reads tags in the text as speech markup instead of saying them"));
    cmdTalk->setAccessibleDescription(QStringLiteral("Reads the text aloud"));
    cmdPause->setAccessibleDescription(QStringLiteral("Pauses the speech, or resumes it"));
    cmdStop->setAccessibleDescription(QStringLiteral("Stops the speech; Escape does the same"));
}
