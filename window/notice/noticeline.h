#pragma once

#include <QLabel>

class QAbstractItemView;
class ToolHost;

// The line under the grid where the tools tell what a listing or a change means
// beyond its rows: the days books have been out, the book a new one duplicates.
// One line for the window, shared by the tools; a new result in the grid clears it.
class NoticeLine : public QLabel {
public:
    // The window's line, made the first time a tool asks for it.
    static NoticeLine& of(ToolHost& host);

    void tell(const QString& text);
    void clearNotice();

private:
    NoticeLine(QWidget* parent, QAbstractItemView* grid);

    QAbstractItemView* m_grid; ///< null when the window drives a grid that is no view
};
