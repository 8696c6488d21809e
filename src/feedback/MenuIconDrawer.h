#pragma once

#include <QIcon>
#include <QList>
#include <QPointer>
#include <QString>

class ImageList;
class QAction;
class QMenuBar;
class QWidget;

// Shows pictures of an image list beside chosen entries of a window's menus,
// named by their caption exactly as shown, ampersand included. The program's
// own stand-in for the outside menu-image component: it acts on the Qt menus
// of the attached window by giving their actions icons, and takes back
// exactly the icons it gave when detached.
//
// Style: 0 shows the images beside the entries, 1 shows none. Any other
// value is kept as given (so it is saved back unchanged) and shows images
// like 0.
class MenuIconDrawer
{
public:
    enum : qint32 { ImagesBeside = 0, NoImages = 1 };

    MenuIconDrawer() = default;
    ~MenuIconDrawer();
    MenuIconDrawer(const MenuIconDrawer &) = delete;
    MenuIconDrawer &operator=(const MenuIconDrawer &) = delete;

    // Takes over the menus of `window`: its menu bar if it is a main window
    // or a menu bar itself, else the first menu bar among its children.
    // Fails with 5 "Invalid procedure call or argument" when there is none.
    // Attaching to another window detaches from the previous one.
    void Attach(QWidget *window);
    // Images are taken from this list by 0-based number. The list must
    // outlive its use here, or be replaced or detached first.
    void SetImageList(const ImageList *list);
    // The entry whose caption is `caption` shows image `imageIndex` (from 0).
    // Remembered even when no entry or image matches yet; the icon appears
    // once both exist at the next change of list, style or attachment.
    void SetItemImage(const QString &caption, qint32 imageIndex);

    qint32 Style() const { return m_Style; }
    void setStyle(qint32 vData);

    // Removes every icon this drawer gave and lets go of the menus.
    void Detach();

private:
    struct ItemImage
    {
        QString caption;
        qint32 imageIndex = 0;
    };
    struct GivenIcon
    {
        QPointer<QAction> action;
        QIcon previous;
    };

    bool showsImages() const { return m_Style != NoImages; }
    void apply();
    void takeBackIcons();
    QAction *findAction(const QString &caption) const;

    QPointer<QMenuBar> m_menuBar;
    const ImageList *m_imageList = nullptr;
    QList<ItemImage> m_items;
    QList<GivenIcon> m_given;
    qint32 m_Style = ImagesBeside;
};
