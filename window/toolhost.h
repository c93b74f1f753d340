#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

class CopyKeeper;
class Grid;
class QAction;
class QWidget;
class WindowServices;

namespace catalogue {
class Connection;
class History;
}

// What the window lends to the tools of its "Strumenti" menu (fields, import, loans,
// summary…), so each tool lives in a unit of its own and the window stays a list of
// commands. Tests drive a tool against a window built on scripted fakes.
class ToolHost {
public:
    virtual ~ToolHost() = default;

    virtual WindowServices& services() = 0;
    virtual Grid& grid() = 0;
    virtual const std::shared_ptr<catalogue::History>& history() = 0;
    virtual CopyKeeper& copies() = 0;
    // The parent for a tool's dialogs.
    virtual QWidget* dialogParent() = 0;
    // The catalogue beside the program.
    virtual QString cataloguePath() const = 0;
    // A connection of its own to that catalogue, opened as every command opens it.
    std::shared_ptr<catalogue::Connection> openCatalogue() const;
    // True in the editing mode that "Gestione" starts.
    virtual bool editing() const = 0;

    // Shows the rows of a statement on the catalogue, editable in the editing mode
    // and read-only outside it, as the listings are.
    virtual void listBooks(const QString& sql) = 0;
    // Lists the whole catalogue again in the mode the grid is in: after a change of
    // the file made outside the grid (a restore, an import, a new field).
    virtual void relist() = 0;

    // A command of the "Strumenti" menu, run through the window's one dispatch (a
    // pending cell edit is written first, errors are shown once), and offered in the
    // grid's context menu too unless `inContextMenu` is false.
    virtual QAction* addTool(const char* name, const QString& caption, const QList<QKeySequence>& shortcuts,
                             std::function<void()> command, bool inContextMenu = true) = 0;
    // Called after each book the grid writes to the file, changed or new, when the
    // window has already done its own part.
    virtual void whenBookWritten(std::function<void()> listener) { (void)listener; }
    // Called when the catalogue has changed in a way no single book written tells:
    // the file replaced, books imported, a field added or removed (each followed by
    // relist), an undo or a redo.
    virtual void whenCatalogueChanged(std::function<void()> listener) { (void)listener; }
    // A separator in the "Strumenti" menu, before a new group of tools.
    virtual void addToolSeparator() = 0;
};
