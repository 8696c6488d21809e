#pragma once

#include <QAccessibleWidget>

class QComboBox;

// How assistive technology sees a drop-down list that has an accessible name
// (the voice and format lists): named for what it chooses ("Voice") with the
// chosen item as its value and as its text, and its popup list as its child.
//
// Qt on Linux names such a list by its current item and leaves its purpose to
// a label next to it, which the window has no room for; and Orca reads a
// list's current item only through a selection or a text, which Qt's own list
// does not offer. So the item is offered as read-only text, and a change of
// item is told as a change of that text, which Orca reads out.
class ListAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit ListAccessible(QComboBox *list);

    // Makes every non-editable QComboBox that has an accessible name appear
    // this way; other lists keep Qt's own. Call once, before a screen reader
    // may ask for the window's objects.
    static void install();

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

    // The current item as text that cannot be edited or selected.
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    void selection(int, int *startOffset, int *endOffset) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    QComboBox *list() const;
};
