#pragma once

#include <QObject>
#include <QSize>

class QAction;
class QMenu;
class QWidget;

// Where the grid and the band below it sit in the window's client area. By
// default everything keeps the place it was given, whatever the window's size.
// With "Griglia a tutta finestra" on (an item of `menu`, remembered in the
// program's settings), the grid takes the client area less the margins it had,
// and the band below it, every other widget of the client area, moves down with
// the grid's foot and across with its width, in proportion, so widgets added to
// the band later follow too.
class WindowLayout : public QObject {
    Q_OBJECT
public:
    // `area` is the client area, laid out for `designSize`, holding `grid` at its
    // place; the layout lives as the area's child.
    WindowLayout(QWidget& area, QSize designSize, QWidget& grid, QMenu& menu);

    bool following() const;
    void setFollowing(bool following);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply();

    QWidget& m_area;
    QSize m_designSize;
    QWidget& m_grid;
    QAction* m_option;
    bool m_moved = false; ///< the grid and the band are off their design places
};

// Shrinks `window` to the screen's available area when it is larger: at a scale
// of 2 on a 1280×900 screen the window's design size did not fit, and the grid's
// scroll bar could not be reached.
void fitOnScreen(QWidget& window);
