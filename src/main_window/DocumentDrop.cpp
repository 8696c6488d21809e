#include "DocumentDrop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>

DocumentDrop::DocumentDrop(QPlainTextEdit *textBox)
    : QObject(textBox)
{
    // Drops reach the viewport, which lies over the whole box but its frame
    // and scroll bar; the box itself gets those on its edges.
    textBox->setAcceptDrops(true);
    textBox->viewport()->setAcceptDrops(true);
    textBox->installEventFilter(this);
    textBox->viewport()->installEventFilter(this);
}

QString DocumentDrop::droppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return QString();
    // Several files: the first is opened, like the first of a selection.
    for (const QUrl &url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            return url.toLocalFile();
    return QString();
}

bool DocumentDrop::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDropEvent *>(event);
        if (droppedFile(drag->mimeData()).isEmpty())
            return false;
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QString path = droppedFile(drop->mimeData());
        if (path.isEmpty())
            return false;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        // Once the drop has been answered: a message box opened within it
        // would keep the program the file came from waiting.
        QMetaObject::invokeMethod(
            this, [this, path] { Q_EMIT fileDropped(path); }, Qt::QueuedConnection);
        return true;
    }
    default: return false;
    }
}
