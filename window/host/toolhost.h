#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CopyKeeper;
class Grid;
class QAction;
class QWidget;
class WindowServices;

namespace catalogue {
struct BookListing;
class Connection;
class History;
}

// What the window lends to the tools of its "Strumenti" menu (fields, import, loans,
// summary…), so each tool lives in a unit of its own and the window stays a list of
// commands. A tool speaks of books by their iddorvo and of listings the catalogue
// makes: it never writes a statement nor reaches into the grid's view. Tests drive
// a tool against a window built on scripted fakes, or against a host of their own.
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

    // Shows the books of `listing`, editable in the editing mode and read-only
    // outside it, as the listings are. With no book in it the grid keeps its rows
    // and the window says so.
    virtual void listBooks(const catalogue::BookListing& listing) = 0;
    // The same for the books `ids`, in that order.
    virtual void listBooks(const std::vector<std::int64_t>& ids);
    // The books chosen in the grid, those selected or the one under the cursor when
    // none is, in the order shown; none when the listing has no iddorvo.
    virtual std::vector<std::int64_t> selectedBooks();
    // Puts the grid's cursor on the book `id`; when the rows on show lack it, the
    // whole catalogue is listed again first, in the grid's mode. A book no longer
    // in the file leaves the cursor where it was.
    virtual void goTo(std::int64_t id);
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
    // Tells those listeners of books a tool has written through the grid's result
    // many at once (books completed from a service), beside the grid's own edits.
    virtual void catalogueWritten() {}
    // A separator in the "Strumenti" menu, before a new group of tools.
    virtual void addToolSeparator() = 0;
};
