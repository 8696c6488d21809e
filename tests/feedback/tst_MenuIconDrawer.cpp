#include "ImageList.h"
#include "MenuIconDrawer.h"
#include "SontiError.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <memory>

namespace {

QImage square(QRgb colour)
{
    QImage image(16, 16, QImage::Format_RGB888);
    image.fill(colour);
    // A magenta corner, which must come out transparent in the menu.
    image.setPixel(0, 0, qRgb(255, 0, 255));
    return image;
}

QRgb centre(const QAction *action)
{
    return action->icon().pixmap(16, 16).toImage().pixel(8, 8) | 0xFF000000;
}

} // namespace

class tst_MenuIconDrawer : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QMainWindow> m_window;
    QAction *m_open = nullptr;
    QAction *m_exit = nullptr;
    QAction *m_recent = nullptr;
    ImageList m_images;

private Q_SLOTS:
    void initTestCase()
    {
        m_images.setMaskColor(0xFF00FF);
        m_images.Add(square(qRgb(230, 190, 40)));
        m_images.Add(square(qRgb(200, 0, 0)));
    }

    void init()
    {
        m_window = std::make_unique<QMainWindow>();
        QMenu *file = m_window->menuBar()->addMenu(QStringLiteral("&File"));
        m_open = file->addAction(QStringLiteral("&Open"));
        file->addSeparator();
        m_recent = file->addAction(QStringLiteral("&1 notes.txt"));
        m_recent->setVisible(false);
        file->addSeparator();
        m_exit = file->addAction(QStringLiteral("E&xit"));
    }

    void cleanup() { m_window.reset(); }

    void showsImagesBesideTheNamedEntries()
    {
        MenuIconDrawer drawer;
        drawer.Attach(m_window.get());
        drawer.SetImageList(&m_images);
        drawer.SetItemImage(QStringLiteral("&Open"), 0);
        drawer.SetItemImage(QStringLiteral("E&xit"), 1);

        QCOMPARE(centre(m_open), qRgb(230, 190, 40));
        QCOMPARE(centre(m_exit), qRgb(200, 0, 0));
        QCOMPARE(qAlpha(m_exit->icon().pixmap(16, 16).toImage().pixel(0, 0)), 0);
        QVERIFY(m_recent->icon().isNull());
    }

    void captionsMustMatchExactly()
    {
        MenuIconDrawer drawer;
        drawer.Attach(m_window->menuBar());
        drawer.SetImageList(&m_images);
        drawer.SetItemImage(QStringLiteral("Open"), 0);
        drawer.SetItemImage(QStringLiteral("E&xit"), 2); // no such image
        QVERIFY(m_open->icon().isNull());
        QVERIFY(m_exit->icon().isNull());

        // Remembered: it shows once the list has the image.
        ImageList three;
        for (QRgb c : {qRgb(1, 1, 1), qRgb(2, 2, 2), qRgb(0, 0, 250)})
            three.Add(square(c));
        drawer.SetImageList(&three);
        QCOMPARE(centre(m_exit), qRgb(0, 0, 250));
    }

    void styleOneHidesTheImages_data()
    {
        QTest::addColumn<qint32>("style");
        QTest::addColumn<bool>("shown");

        QTest::newRow("0 beside") << qint32(0) << true;
        QTest::newRow("1 none") << qint32(1) << false;
        QTest::newRow("unknown 7 as 0") << qint32(7) << true;
    }

    void styleOneHidesTheImages()
    {
        QFETCH(qint32, style);
        QFETCH(bool, shown);

        MenuIconDrawer drawer;
        drawer.setStyle(style);
        drawer.Attach(m_window.get());
        drawer.SetImageList(&m_images);
        drawer.SetItemImage(QStringLiteral("&Open"), 0);
        QCOMPARE(drawer.Style(), style);
        QCOMPARE(!m_open->icon().isNull(), shown);

        drawer.setStyle(shown ? 1 : 0);
        QCOMPARE(!m_open->icon().isNull(), !shown);
        drawer.setStyle(style);
        QCOMPARE(!m_open->icon().isNull(), shown);
    }

    void detachTakesBackOnlyItsOwnIcons()
    {
        const QIcon own(QPixmap::fromImage(square(qRgb(0, 120, 0))));
        m_exit->setIcon(own);
        {
            MenuIconDrawer drawer;
            drawer.Attach(m_window.get());
            drawer.SetImageList(&m_images);
            drawer.SetItemImage(QStringLiteral("E&xit"), 1);
            drawer.SetItemImage(QStringLiteral("&Open"), 0);
            QCOMPARE(centre(m_exit), qRgb(200, 0, 0));
            drawer.Detach();
            QVERIFY(m_open->icon().isNull());
            QCOMPARE(centre(m_exit), qRgb(0, 120, 0));

            // Detached, it no longer touches the menus.
            drawer.setStyle(0);
            drawer.SetItemImage(QStringLiteral("&Open"), 0);
            QVERIFY(m_open->icon().isNull());
        }
        QCOMPARE(centre(m_exit), qRgb(0, 120, 0));
    }

    void outlivesTheWindow()
    {
        MenuIconDrawer drawer;
        drawer.Attach(m_window.get());
        drawer.SetImageList(&m_images);
        drawer.SetItemImage(QStringLiteral("&Open"), 0);
        m_window.reset();
        drawer.setStyle(1);
        drawer.Detach();
    }

    void attachNeedsAMenuBar()
    {
        MenuIconDrawer drawer;
        QWidget plain;
        QVERIFY_THROWS_EXCEPTION(SontiError, drawer.Attach(&plain));
        QVERIFY_THROWS_EXCEPTION(SontiError, drawer.Attach(nullptr));
    }
};

QTEST_MAIN(tst_MenuIconDrawer)
#include "tst_MenuIconDrawer.moc"
