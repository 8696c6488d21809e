#include "ListAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeySequence>

#include <algorithm>

namespace {

QAccessibleInterface *listFactory(const QString &className, QObject *object)
{
    if (className != QLatin1String("QComboBox"))
        return nullptr;
    auto *list = qobject_cast<QComboBox *>(object);
    if (!list || list->isEditable() || list->accessibleName().isEmpty())
        return nullptr;
    return new ListAccessible(list);
}

} // namespace

ListAccessible::ListAccessible(QComboBox *list)
    : QAccessibleWidget(list, QAccessible::ComboBox)
{
    // The item before the change is needed to tell what the text replaced.
    QObject::connect(list, &QComboBox::currentTextChanged, list,
                     [list, shown = list->currentText()](const QString &now) mutable {
                         QAccessibleTextUpdateEvent event(list, 0, shown, now);
                         shown = now;
                         QAccessible::updateAccessibility(&event);
                     });
}

void ListAccessible::install()
{
    QAccessible::installFactory(&listFactory);
}

QComboBox *ListAccessible::list() const
{
    return static_cast<QComboBox *>(widget());
}

int ListAccessible::childCount() const
{
    return list()->view() ? 1 : 0;
}

QAccessibleInterface *ListAccessible::child(int index) const
{
    return index == 0 && list()->view() ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
}

int ListAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    return child && list()->view() && child->object() == list()->view() ? 0 : -1;
}

QString ListAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return list()->currentText();
    if (t == QAccessible::Accelerator)
        return QKeySequence(Qt::Key_Down).toString(QKeySequence::NativeText);
    return QAccessibleWidget::text(t);
}

QAccessible::State ListAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    const bool open = list()->view() && list()->view()->isVisible();
    s.expandable = true;
    s.expanded = open;
    s.collapsed = !open;
    s.hasPopup = true;
    return s;
}

void *ListAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QStringList ListAccessible::actionNames() const
{
    return {showMenuAction(), pressAction()};
}

void ListAccessible::doAction(const QString &actionName)
{
    if (actionName != showMenuAction() && actionName != pressAction())
        return;
    if (list()->view() && list()->view()->isVisible())
        list()->hidePopup();
    else
        list()->showPopup();
}

QStringList ListAccessible::keyBindingsForAction(const QString &actionName) const
{
    if (actionName == showMenuAction() || actionName == pressAction())
        return {QKeySequence(Qt::ALT | Qt::Key_Down).toString(QKeySequence::NativeText)};
    return {};
}

QString ListAccessible::text(int startOffset, int endOffset) const
{
    const QString item = list()->currentText();
    const int from = std::clamp(startOffset, 0, int(item.size()));
    const int to = endOffset < 0 ? int(item.size()) : std::clamp(endOffset, from, int(item.size()));
    return item.mid(from, to - from);
}

int ListAccessible::characterCount() const
{
    return int(list()->currentText().size());
}

void ListAccessible::selection(int, int *startOffset, int *endOffset) const
{
    *startOffset = 0;
    *endOffset = 0;
}

QString ListAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    *startOffset = offset;
    *endOffset = offset;
    return QString();
}
