#pragma once

#include <QCoreApplication>
#include <QLineEdit>
#include <QWidget>

// What a test of the grid does between keys: the editor commits on a queued call,
// and errors are shown on a further one (`passes` rounds of the event loop).
inline void settle(int passes = 3)
{
    for (int pass = 0; pass < passes; ++pass)
        QCoreApplication::processEvents();
}

// The cell editor open in `grid`, or null when none is.
inline QLineEdit* openEditorIn(const QWidget& grid)
{
    for (auto* editor : grid.findChildren<QLineEdit*>()) {
        if (editor->isVisible())
            return editor;
    }
    return nullptr;
}
