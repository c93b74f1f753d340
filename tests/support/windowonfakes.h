#pragma once

#include "fakes.h"
#include "frmdorvi.h"
#include "testcatalogue.h"

#include <QAction>

// The window on a catalogue of its own, driving a scripted grid through scripted
// window services: what most command tests start from.
struct WindowOnFakes {
    explicit WindowOnFakes(const TestCatalogue::Books& books = TestCatalogue::sampleBooks) : catalogue(books) {}

    // Picks a menu item as the user would, through the window's own dispatch.
    void trigger(const char* item) { window.findChild<QAction*>(QString::fromLatin1(item))->trigger(); }

    TestCatalogue catalogue;
    FakeWindowServices services{catalogue.folder()};
    FakeGrid grid;
    Frmdorvi window{services, grid};
};
