#pragma once

#include "datagrid.h"
#include "fakes.h"
#include "frmdorvi.h"
#include "testcatalogue.h"

#include <QAction>
#include <QTest>
#include <gtest/gtest.h>

// The window with its own grid, shown, on the sample catalogue: what the tests of
// the grid as the user meets it inside the window start from.
class ShownWindowTest : public ::testing::Test {
protected:
    TestCatalogue catalogue;
    FakeWindowServices services{catalogue.folder()};
    Frmdorvi window{services};
    DataGrid* grid = window.findChild<DataGrid*>(QStringLiteral("DataGrid1"));

    void SetUp() override
    {
        ASSERT_NE(grid, nullptr);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    // Picks a menu item as the user would, through the window's own dispatch.
    void trigger(const char* item) { window.findChild<QAction*>(QString::fromLatin1(item))->trigger(); }
};
