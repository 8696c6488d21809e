#pragma once

#include <QObject>

class QMimeData;
class QPlainTextEdit;

// Lets files be dropped on the text box to open them. A drag that carries a
// local file is taken over: the box shows no insertion point and the drop
// hands the file on through fileDropped. Any other drag, such as text moved
// within the box or dragged in from another program, is left to the box, so
// it is inserted as usual. The box may be read-only (while Sonti speaks):
// files may be opened then too, as with File > Open.
class DocumentDrop : public QObject
{
    Q_OBJECT

public:
    explicit DocumentDrop(QPlainTextEdit *textBox);

    // The first local file the data carries, or an empty string.
    static QString droppedFile(const QMimeData *data);

Q_SIGNALS:
    // path: the absolute path of the dropped file; emitted from the event
    // loop after the drop.
    void fileDropped(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
