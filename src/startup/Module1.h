#pragma once

#include <QString>

#include <memory>

class frmTTS;
class SingleInstance;

// The program's start-up: refuses a second copy, shows the splash picture
// while the main window loads and removes it once the window is up.
class Module1
{
public:
    explicit Module1(const QString &lockPath = QString());
    ~Module1();

    // Runs the start-up. Returns 0 when the main window is shown and the
    // event loop should run; otherwise the program's exit code (0 when
    // another copy runs, non-zero when the main window could not load).
    // document: a file to open once the window is shown, as File > Open
    // would; empty for none. A second copy opens nothing.
    int Main(const QString &document = QString());

    frmTTS *window() const { return m_window.get(); }

private:
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<frmTTS> m_window;
};
