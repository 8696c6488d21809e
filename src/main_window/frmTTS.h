#pragma once

#include "frmTTSUi.h"

#include <QMainWindow>

#include <functional>

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
    };

    explicit frmTTS(Dependencies dependencies = {}, QWidget *parent = nullptr);
    ~frmTTS() override;

    // The load sequence; it ends by showing the window.
    void Form_Load();

    // The flags handed to every Speak: 11 (XML) or 19 (plain text).
    qint32 SpeakFlags = 0;

    const frmTTSUi &ui() const { return m_ui; }

public Q_SLOTS:
    void mnuExit_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Unload(qint16 &cancel);

    // Runs one step of the load sequence from its fifth step on: a failing
    // step is abandoned and the sequence goes on with the next one.
    void runIgnoringErrors(const QString &step, const std::function<void()> &action);
    void enterStep(const QString &step);

    frmTTSUi m_ui;
    Dependencies m_dependencies;
    bool m_unloaded = false;
};
