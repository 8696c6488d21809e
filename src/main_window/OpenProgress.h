#pragma once

#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

class QProgressBar;
class QProgressDialog;
class QWidget;

// What the user sees of a document being loaded: the busy cursor, and for a
// load that takes more than a moment a progress dialog, modal to the window,
// whose Cancel calls back. The window keeps painting meanwhile: the load
// runs elsewhere (DocumentLoad) and only reports its progress here.
class OpenProgress
{
public:
    OpenProgress(QWidget *owner, const QString &title, std::function<void()> cancel);
    ~OpenProgress();
    OpenProgress(const OpenProgress &) = delete;
    OpenProgress &operator=(const OpenProgress &) = delete;

    // percent: 0-100 of the whole load.
    void setValue(int percent);

    // Milliseconds before the dialog appears.
    static constexpr int ShowAfter = 500;

private:
    void show();

    QWidget *m_owner;
    QString m_title;
    std::function<void()> m_cancel;
    QTimer m_showTimer;
    QPointer<QProgressDialog> m_dialog;
    QProgressBar *m_bar = nullptr; // the dialog's
    int m_percent = 0;
};
