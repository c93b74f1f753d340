// The window on a small screen: 1280×900 at a scale of 2, so 640×450 for the
// program, smaller than the window's design size (704×517 and the menu bar).
#include "datagrid.h"
#include "fakes.h"
#include "frmdorvi.h"
#include "testcatalogue.h"

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

TEST(SmallScreen, WindowFitsAndItsFullWindowGridFitsInIt)
{
    ASSERT_EQ(QApplication::primaryScreen()->availableGeometry().size(), QSize(640, 450))
        << "run with the screen of tests/screen and QT_SCALE_FACTOR=2";
    TestCatalogue catalogue;
    FakeWindowServices services{catalogue.folder()};
    Frmdorvi window{services};
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QRect screen = window.screen()->availableGeometry();
    EXPECT_LE(window.frameGeometry().width(), screen.width());
    EXPECT_LE(window.frameGeometry().height(), screen.height());

    auto* option = window.findChild<QAction*>(QStringLiteral("mnugriglia"));
    ASSERT_NE(option, nullptr);
    option->trigger();
    window.findChild<QAction*>(QStringLiteral("mnuall"))->trigger();
    QCoreApplication::processEvents();
    QWidget* area = window.centralWidget();
    auto* grid = window.findChild<DataGrid*>(QStringLiteral("DataGrid1"));
    EXPECT_TRUE(area->rect().contains(grid->geometry()));
    QScrollBar* scroll = grid->verticalScrollBar();
    const QRect bar(scroll->mapTo(area, QPoint(0, 0)), scroll->size());
    EXPECT_TRUE(area->rect().contains(bar)) << "the scroll bar can be reached";
    for (QWidget* band : area->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (band != grid) {
            EXPECT_TRUE(area->rect().contains(band->geometry())) << band->objectName().toStdString();
        }
    }
    option->trigger();
}
