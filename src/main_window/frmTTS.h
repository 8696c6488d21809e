#pragma once

#include "HandlerGuard.h"
#include "ImageList.h"
#include "MouthImages.h"
#include "RecentFiles.h"
#include "SontiError.h"
#include "TextHighlight.h"
#include "frmTTSUi.h"

#include <QMainWindow>
#include <QMessageBox>

#include <functional>
#include <memory>

class AMeter;
class DocumentLoad;
class SpVoice;
class MenuIconDrawer;
class MeterSurface;
class OpenDialogRunner;

// The program's one working window and the place where the subsystems meet:
// it owns the voice, the meter, the face pictures, the menu images and the
// recent files, runs the load and unload sequences and holds every handler.
class frmTTS : public QMainWindow
{
    Q_OBJECT

public:
    // What the window is built with; tests replace parts of it.
    struct Dependencies
    {
        // Called with the name of each load and unload step as it starts.
        std::function<void(const QString &step)> stepObserver;
        // Shows a modal message box with one OK button; tests record instead.
        std::function<void(const QString &title, const QString &text, QMessageBox::Icon icon)> messageBox;
        // Where the face pictures are loaded from.
        QString mouthPicturePrefix;
        // The face pictures read ahead (the start-up reads them on another
        // thread); unset: read from mouthPicturePrefix when the load comes
        // to them.
        std::function<MouthImages::Pictures()> mouthPictures;
        // The window icon's pictures read ahead, as frmTTSUi::iconPictures()
        // reads them; unset: read as the window is built.
        std::function<QList<QImage>()> iconPictures;
        // Creates the voice at load; the default speaks with eSpeak NG
        // through PulseAudio. May throw: the window then has no voice.
        std::function<std::unique_ptr<SpVoice>()> createVoice;
        // The Open dialog; the default is a QFileDialog over the window.
        std::shared_ptr<OpenDialogRunner> openDialog;
        // The folder of TTS.ini; empty: the program's folder when writable,
        // else the user's configuration folder.
        QString settingsFolder;
    };

    explicit frmTTS(Dependencies dependencies = {}, QWidget *parent = nullptr);
    ~frmTTS() override;

    // The load sequence; it ends by showing the window.
    void Form_Load();

    // The flags handed to every Speak: 11 (XML) or 19 (plain text).
    qint32 SpeakFlags = 0;
    // Empty when no voice could be created.
    std::unique_ptr<SpVoice> Voice;

    // Loads the file into the text box, names it in the caption and puts it
    // first among the recent files; a file that cannot be read is reported and
    // changes nothing. File > Open, the recent files, a file named on the
    // command line and a file dropped on the text box all open this way.
    // Returns at once: the file is read elsewhere while the window answers,
    // and a long load shows its progress and can be cancelled, which also
    // changes nothing. Opening another file meanwhile cancels this one.
    void OpenDocument(const QString &path);
    // A document is being read or put into the text box.
    bool isOpening() const;

    const frmTTSUi &ui() const { return m_ui; }
    // The word lit while speaking.
    const TextHighlight &highlight() const { return m_highlight; }
    MeterSurface *meterSurface() const { return m_meterSurface; }

    // The two menu images, and the face pictures by viseme number.
    ImageList ImageList1;
    ImageList MouthImgList;
    std::unique_ptr<AMeter> LevelMeter;
    std::unique_ptr<MenuIconDrawer> MenuIcons;
    // The recent files, newest first.
    RecentFiles colMRU;

public Q_SLOTS:
    void mnuExit_Click();
    void cmdTalk_Click();
    void cmdPause_Click();
    void cmdStop_Click();
    void ProcXML_Click();
    void VC_Click();
    void FC_Click();
    void mnuOpen_Click();
    void mnuMRU_Click(qint16 Index);

    // The voice's events. Stream numbers and positions are not used.
    void Voice_Word(qint32 StreamNum, qint64 StreamPos, qint32 Pos, qint32 length);
    void Voice_EndStream(qint32 StreamNumber, qint64 StreamPosition);
    // A stream that could not be spoken whole (the sound server went away):
    // its EndStream follows, after which the failure is shown.
    void Voice_StreamFailed(qint32 StreamNumber, const SontiError &error);
    void Voice_AudioLevel(qint32 StreamNumber, qint64 StreamPosition, qint32 AudioLevel);
    void Voice_Viseme(qint32 StreamNumber, qint64 StreamPosition, qint32 Duration, qint32 NextVisemeId, qint32 Feature,
                      qint32 VisemeId);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Unload(qint16 &cancel);
    void LoadMouthImages();
    void showRestingFace();
    // The buttons and lists as they are while nothing is spoken.
    void showIdle();
    void AddFormat(const QString &caption, qint32 formatType);
    void applyVoiceChoice();
    void applyFormatChoice();
    void LoadSettings();
    void SaveSettings();
    // Writes every setting in one replacement of TTS.ini; the reason, worded
    // for the user, when that failed.
    QString writeSettings();
    void moveOntoAScreen();
    void AddToMRU(const QString &path);
    // A load ended, however: the box takes input again as the speaking state says.
    void documentSettled();
    void showRecentFiles();
    void fillVoiceList();
    void connectVoice();
    AMeter &levelMeter();
    // The voice, or error 91 when there is none.
    SpVoice &voice() const;
    void SelectText(qint32 start, qint32 length);
    void showLevel(qint32 level);

    void showMessage(const QString &text, QMessageBox::Icon icon, const QString &title = QStringLiteral("Sonti"));

    // Runs one step of the load sequence from its fifth step on: a failing
    // step is abandoned and the sequence goes on with the next one.
    void runIgnoringErrors(const QString &step, const std::function<void()> &action);
    void enterStep(const QString &step);

    frmTTSUi m_ui;
    TextHighlight m_highlight;
    MeterSurface *m_meterSurface = nullptr;
    Dependencies m_dependencies;
    bool m_unloaded = false;
    bool m_streamPending = false; // a Speak queued a stream whose EndStream has not come
    bool m_streamFailed = false;  // the stream ending next could not be spoken whole
    // The stored menu style, kept when there is no menu drawer to hold it.
    qint32 m_menuStyle = 0;
    std::unique_ptr<DocumentLoad> m_load;
    HandlerGuard m_guard;
};
