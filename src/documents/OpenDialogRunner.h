#pragma once

#include "OpenDialogRequest.h"

#include <QString>

// The one seam between FileDlg and a real dialog. The main window supplies a
// QFileDialog behind it (owned by the window, so modal to it); tests supply a
// scripted answer.
class OpenDialogRunner
{
public:
    virtual ~OpenDialogRunner() = default;

    // Shows the dialog modally; returns the chosen file's full path, or the
    // empty string when the user cancelled or the dialog failed.
    virtual QString run(const OpenDialogRequest &request) = 0;
};
