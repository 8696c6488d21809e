#pragma once

#include "ExtractionControl.h"

#include <QElapsedTimer>
#include <QString>

#include <atomic>
#include <memory>

class QProgressDialog;
class QWidget;

// The wait cursor while a document is read, and for a read that takes more
// than a moment a progress dialog, modal to the window, whose Cancel stops
// the read. The reader runs on the UI thread and calls back between steps;
// the dialog processes events only once it shows, when the window no longer
// takes input.
class OpenProgress
{
public:
    OpenProgress(QWidget *owner, const QString &title);
    ~OpenProgress();
    OpenProgress(const OpenProgress &) = delete;
    OpenProgress &operator=(const OpenProgress &) = delete;

    // Valid while this object lives.
    ExtractionControl control();
    bool cancelled() const { return m_cancel.load(); }

    // Milliseconds before the dialog appears.
    static constexpr int ShowAfter = 500;

private:
    void show(int percent);

    QWidget *m_owner;
    QString m_title;
    QElapsedTimer m_clock;
    std::unique_ptr<QProgressDialog> m_dialog;
    std::atomic_bool m_cancel = false;
};
