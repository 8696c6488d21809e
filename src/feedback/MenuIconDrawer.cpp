#include "MenuIconDrawer.h"

#include "ImageList.h"
#include "SontiError.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>

#include <algorithm>

namespace {

QAction *findIn(const QList<QAction *> &actions, const QString &caption)
{
    for (QAction *action : actions) {
        if (action->text() == caption)
            return action;
        if (const QMenu *menu = QMenu::menuInAction(action)) {
            if (QAction *found = findIn(menu->actions(), caption))
                return found;
        }
    }
    return nullptr;
}

QMenuBar *menuBarOf(QWidget *window)
{
    if (auto *bar = qobject_cast<QMenuBar *>(window))
        return bar;
    if (auto *main = qobject_cast<QMainWindow *>(window))
        return main->menuBar();
    return window ? window->findChild<QMenuBar *>() : nullptr;
}

} // namespace

MenuIconDrawer::~MenuIconDrawer()
{
    takeBackIcons();
}

void MenuIconDrawer::Attach(QWidget *window)
{
    QMenuBar *bar = menuBarOf(window);
    if (!bar) {
        throw SontiError(SontiError::InvalidProcedureCall, QStringLiteral("MenuIconDrawer"),
                         QStringLiteral("Invalid procedure call or argument"));
    }
    takeBackIcons();
    m_menuBar = bar;
    apply();
}

void MenuIconDrawer::SetImageList(const ImageList *list)
{
    m_imageList = list;
    apply();
}

void MenuIconDrawer::SetItemImage(const QString &caption, qint32 imageIndex)
{
    auto same = [&caption](const ItemImage &item) { return item.caption == caption; };
    const auto existing = std::find_if(m_items.begin(), m_items.end(), same);
    if (existing != m_items.end())
        existing->imageIndex = imageIndex;
    else
        m_items.append(ItemImage{caption, imageIndex});
    apply();
}

void MenuIconDrawer::setStyle(qint32 vData)
{
    m_Style = vData;
    apply();
}

void MenuIconDrawer::Detach()
{
    takeBackIcons();
    m_menuBar = nullptr;
}

void MenuIconDrawer::apply()
{
    takeBackIcons();
    if (!m_menuBar || !m_imageList || !showsImages())
        return;
    for (const ItemImage &item : std::as_const(m_items)) {
        const int number = item.imageIndex + 1;
        if (item.imageIndex < 0 || number > m_imageList->count())
            continue;
        QAction *action = findAction(item.caption);
        if (!action)
            continue;
        m_given.append(GivenIcon{action, action->icon()});
        action->setIcon(QIcon(QPixmap::fromImage(m_imageList->maskedImage(number))));
    }
}

void MenuIconDrawer::takeBackIcons()
{
    // Newest first, so an entry given two icons ends with its original one.
    while (!m_given.isEmpty()) {
        const GivenIcon given = m_given.takeLast();
        if (given.action)
            given.action->setIcon(given.previous);
    }
}

QAction *MenuIconDrawer::findAction(const QString &caption) const
{
    return m_menuBar ? findIn(m_menuBar->actions(), caption) : nullptr;
}
