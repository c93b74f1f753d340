// Writing one change from the grid in "Gestione": a changed cell, a new book, a
// deletion, each through the grid's model as the view hands it over, against the
// same change written through the bare C API with the same journal and sync
// settings. The catalogue is a copy, made once per run, of the 1M-book one, with
// every book on the grid.
#include "catalogues.h"
#include "datagrid.h"
#include "fixture.h"
#include "recordset.h"
#include "recordsetmodel.h"
#include "references.h"
#include "registry.h"
#include "statement.h"

#include <QCoreApplication>
#include <QItemSelectionModel>

#include <functional>
#include <sqlite3.h>

namespace bench {

namespace {

class EditingSession {
public:
    explicit EditingSession(int rows) : m_file(scratchCatalogue(rows)), shown(m_file.folder)
    {
        shown.window.mnuop_Click();
        shown.paintNow();
        model = shown.grid->recordsetModel();
    }

    const Catalogue& file() const { return m_file; }
    int column(const char* name) const
    {
        for (int c = 0; c < model->columnCount(); ++c) {
            if (model->recordset()->columnName(c) == name)
                return c;
        }
        return -1;
    }
    int newBookLine() const { return model->rowCount() - 1; }

    // Types a new book's author on the new-book line, as the user would.
    bool addBook(const QString& author)
    {
        return model->setData(model->index(newBookLine(), column("autore")), author);
    }

private:
    const Catalogue& m_file;

public:
    ShownWindow shown;
    RecordsetModel* model = nullptr;
};

EditingSession* session(benchmark::State& state)
{
    static EditingSession* editing = nullptr;
    if (!editing) {
        editing = new EditingSession(largeRows);
        keepUntilExit([] {
            delete editing;
            editing = nullptr;
        });
    }
    if (!editing->model || !editing->model->isNewRowLine(editing->newBookLine())) {
        state.SkipWithError("the grid is not in Gestione mode");
        return nullptr;
    }
    return editing;
}

// A refused write reaches the user through the grid once the event loop runs.
void refused(benchmark::State& state, EditingSession& editing)
{
    QCoreApplication::processEvents();
    if (!failedOn(state, editing.shown.services))
        state.SkipWithError("the write was refused");
}

void settle(benchmark::State& state, EditingSession& editing)
{
    state.PauseTiming();
    editing.shown.paintNow();
    state.ResumeTiming();
}

void updateOurs(benchmark::State& state)
{
    EditingSession* editing = session(state);
    if (!editing)
        return;
    RecordsetModel& model = *editing->model;
    const QModelIndex cell = model.index(largeRows / 2, editing->column("titolo"));
    const QString original = cell.data(Qt::EditRole).toString();
    const QString values[] = {original + QStringLiteral(" (riveduto)"), original};
    std::size_t written = 0;
    for (auto _ : state) {
        if (!model.setData(cell, values[written++ % 2])) {
            refused(state, *editing);
            break;
        }
        settle(state, *editing);
    }
    if (written % 2)
        model.setData(cell, original);
}

void addOurs(benchmark::State& state)
{
    EditingSession* editing = session(state);
    if (!editing)
        return;
    for (auto _ : state) {
        const int line = editing->newBookLine();
        if (!editing->addBook(QStringLiteral("Nicolò D'Amico"))) {
            refused(state, *editing);
            break;
        }
        // Keep the catalogue at its size for the next round.
        state.PauseTiming();
        editing->shown.paintNow();
        editing->model->deleteRow(line);
        editing->shown.paintNow();
        state.ResumeTiming();
    }
}

// A book from the middle: whatever follows it in the result has to move up.
void deleteOurs(benchmark::State& state)
{
    EditingSession* editing = session(state);
    if (!editing)
        return;
    for (auto _ : state) {
        state.PauseTiming();
        const bool added = editing->addBook(QStringLiteral("Zoë Brontë"));
        editing->shown.paintNow();
        state.ResumeTiming();
        if (!added || !editing->model->deleteRow(largeRows / 2)) {
            refused(state, *editing);
            break;
        }
        settle(state, *editing);
    }
}

// Selects whole rows as a shift+click would, or every row as Ctrl+A does.
void selectRows(EditingSession& editing, int first, int count)
{
    const QAbstractItemModel& model = *editing.shown.grid->model();
    const QItemSelection rows(model.index(first, 0), model.index(first + count - 1, model.columnCount() - 1));
    editing.shown.grid->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
}

// Runs `command` and checks that the grid's books changed by `change` (negative
// for a deletion).
bool changesBooks(benchmark::State& state, EditingSession& editing, int change, const std::function<void()>& command)
{
    const int before = editing.model->rowCount();
    command();
    if (editing.model->rowCount() != before + change) {
        refused(state, editing);
        return false;
    }
    return true;
}

// Deletes the selection through the grid as Canc does (the question answers yes).
bool deleteSelection(benchmark::State& state, EditingSession& editing, int books)
{
    return changesBooks(state, editing, -books, [&] { editing.shown.grid->deleteSelectedRows(); });
}

bool undo(benchmark::State& state, EditingSession& editing, int books)
{
    return changesBooks(state, editing, books, [&] { editing.shown.window.mnuannulla_Click(); });
}

constexpr int manyBooks = 10'000;

// 10,000 neighbouring books from the middle, as a shift+click selects them; each
// round puts them back afterwards, untimed, by undoing the deletion.
void deleteManyOurs(benchmark::State& state)
{
    EditingSession* editing = session(state);
    if (!editing)
        return;
    for (auto _ : state) {
        state.PauseTiming();
        selectRows(*editing, largeRows / 2, manyBooks);
        editing->shown.paintNow();
        state.ResumeTiming();
        if (!deleteSelection(state, *editing, manyBooks))
            break;
        state.PauseTiming();
        editing->shown.paintNow();
        const bool back = undo(state, *editing, manyBooks);
        editing->shown.paintNow();
        state.ResumeTiming();
        if (!back)
            break;
    }
}

// Undoing that deletion: the books written back with their own keys, in one transaction.
void undoManyOurs(benchmark::State& state)
{
    EditingSession* editing = session(state);
    if (!editing)
        return;
    for (auto _ : state) {
        state.PauseTiming();
        selectRows(*editing, largeRows / 2, manyBooks);
        const bool deleted = deleteSelection(state, *editing, manyBooks);
        editing->shown.paintNow();
        state.ResumeTiming();
        if (!deleted || !undo(state, *editing, manyBooks))
            break;
        settle(state, *editing);
    }
}

// Lists the catalogue again in editing mode, as the user would (the bare deletions
// ran on this file too), and selects every book; returns how many.
int listAndSelectAll(EditingSession& editing)
{
    editing.shown.window.mnuop_Click();
    editing.shown.paintNow();
    const int books = editing.model->rowCount() - 1;
    editing.shown.grid->selectAll();
    return books;
}

// Puts the deleted books back, untimed, so the next round finds them.
bool undoUntimed(benchmark::State& state, EditingSession& editing, int books)
{
    state.PauseTiming();
    const bool back = undo(state, editing, books);
    editing.shown.paintNow();
    state.ResumeTiming();
    return back;
}

// Ctrl+A and Canc on a million books, then, untimed, the undo that puts them back.
void deleteAllOurs(benchmark::State& state)
{
    EditingSession* editing = session(state);
    if (!editing)
        return;
    for (auto _ : state) {
        state.PauseTiming();
        const int books = listAndSelectAll(*editing);
        editing->shown.paintNow();
        state.ResumeTiming();
        if (!deleteSelection(state, *editing, books))
            break;
        editing->shown.paintNow();
        if (!undoUntimed(state, *editing, books))
            break;
    }
}

// Ctrl+A and Canc on a million books, untimed; the undo that puts them back, timed.
void undoDeleteAllOurs(benchmark::State& state)
{
    EditingSession* editing = session(state);
    if (!editing)
        return;
    for (auto _ : state) {
        state.PauseTiming();
        const int books = listAndSelectAll(*editing);
        const bool deleted = deleteSelection(state, *editing, books);
        editing->shown.paintNow();
        state.ResumeTiming();
        if (!deleted || !undo(state, *editing, books))
            break;
        settle(state, *editing);
    }
}

// Every book but one selected (Ctrl+A, then Ctrl+click on one), Canc; the undo
// follows, untimed.
void deleteAllButOneOurs(benchmark::State& state)
{
    EditingSession* editing = session(state);
    if (!editing)
        return;
    for (auto _ : state) {
        state.PauseTiming();
        const int books = listAndSelectAll(*editing);
        const QAbstractItemModel& model = *editing->shown.grid->model();
        editing->shown.grid->selectionModel()->select(
            QItemSelection(model.index(books / 2, 0), model.index(books / 2, model.columnCount() - 1)),
            QItemSelectionModel::Deselect);
        editing->shown.paintNow();
        state.ResumeTiming();
        if (!deleteSelection(state, *editing, books - 1))
            break;
        editing->shown.paintNow();
        if (!undoUntimed(state, *editing, books - 1))
            break;
    }
}

void bindText(sqlite3_stmt* stmt, int index, const std::string& text)
{
    sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// The bare writes work on their own stretch of books, a quarter of the way in, so
// they never touch the books the grid has changed.
constexpr std::int64_t bareBook = largeRows / 4;

void updateBare(benchmark::State& state)
{
    const auto db = openBareForWriting(scratchCatalogue(largeRows).path);
    const std::string values[] = {"Il giardino di vetro (riveduto)", "Il giardino di vetro"};
    std::size_t written = 0;
    for (auto _ : state) {
        writeInTransaction(db.get(), "UPDATE dorvi SET titolo = ?1 WHERE iddorvo = ?2", [&](sqlite3_stmt* stmt) {
            bindText(stmt, 1, values[written++ % 2]);
            sqlite3_bind_int64(stmt, 2, bareBook);
        });
    }
}

void addBare(benchmark::State& state)
{
    const auto db = openBareForWriting(scratchCatalogue(largeRows).path);
    for (auto _ : state) {
        writeInTransaction(db.get(), "INSERT INTO dorvi (autore) VALUES (?1)",
                           [](sqlite3_stmt* stmt) { bindText(stmt, 1, "Nicolò D'Amico"); });
        state.PauseTiming();
        const sqlite3_int64 added = sqlite3_last_insert_rowid(db.get());
        writeInTransaction(db.get(), "DELETE FROM dorvi WHERE iddorvo = ?1",
                           [added](sqlite3_stmt* stmt) { sqlite3_bind_int64(stmt, 1, added); });
        state.ResumeTiming();
    }
}

void deleteBare(benchmark::State& state)
{
    const auto db = openBareForWriting(scratchCatalogue(largeRows).path);
    // A book still there each time, across repetitions too: deleting one already
    // gone writes nothing and would measure nothing.
    static std::int64_t next = bareBook + 1;
    for (auto _ : state) {
        state.PauseTiming();
        writeInTransaction(db.get(), "INSERT INTO dorvi (autore) VALUES (?1)",
                           [](sqlite3_stmt* stmt) { bindText(stmt, 1, "Zoë Brontë"); });
        state.ResumeTiming();
        writeInTransaction(db.get(), "DELETE FROM dorvi WHERE iddorvo = ?1",
                           [&](sqlite3_stmt* stmt) { sqlite3_bind_int64(stmt, 1, next++); });
    }
}

// The engine's floor for a deletion of many books: the same number deleted by key
// in one transaction, each a fresh stretch of books, without checking or keeping
// anything.
void deleteManyBare(benchmark::State& state)
{
    const auto db = openBareForWriting(scratchCatalogue(largeRows).path);
    static std::int64_t next = bareBook + 100'000;
    for (auto _ : state) {
        const std::int64_t first = next;
        next += manyBooks;
        catalogue::execute(db.get(), "BEGIN IMMEDIATE");
        catalogue::Statement remove(db.get(), "DELETE FROM dorvi WHERE iddorvo = ?1");
        for (std::int64_t book = first; book < first + manyBooks; ++book) {
            sqlite3_bind_int64(remove.handle(), 1, book);
            if (sqlite3_step(remove.handle()) != SQLITE_DONE) {
                state.SkipWithError("the bare deletion failed");
                break;
            }
            sqlite3_reset(remove.handle());
        }
        catalogue::execute(db.get(), "COMMIT");
    }
}

std::vector<std::string> column(sqlite3* db, const std::string& sql)
{
    std::vector<std::string> values;
    catalogue::Statement statement(db, sql);
    while (statement.step())
        values.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement.handle(), 0)));
    return values;
}

// The engine's floor for putting every book back: the same rows, held by the engine
// in memory, written back in one statement with the indexes set aside and made
// again, in one transaction, as the undo does. The catalogue is emptied before each
// round, untimed, and ends as it began.
void undoDeleteAllBare(benchmark::State& state)
{
    const auto db = openBareForWriting(scratchCatalogue(largeRows).path);
    sqlite3* handle = db.get();
    catalogue::execute(handle, "PRAGMA temp_store = MEMORY");
    catalogue::execute(handle, "PRAGMA cache_size = -262144");
    catalogue::execute(handle, "CREATE TEMP TABLE kept AS SELECT * FROM main.dorvi");
    const std::vector<std::string> names =
        column(handle, "SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = 'dorvi' AND sql IS NOT NULL");
    const std::vector<std::string> definitions =
        column(handle, "SELECT sql FROM sqlite_master WHERE type = 'index' AND tbl_name = 'dorvi' AND sql IS NOT NULL");
    for (auto _ : state) {
        state.PauseTiming();
        catalogue::execute(handle, "DELETE FROM main.dorvi");
        state.ResumeTiming();
        catalogue::execute(handle, "BEGIN IMMEDIATE");
        for (const std::string& name : names)
            catalogue::execute(handle, ("DROP INDEX main.\"" + name + "\"").c_str());
        catalogue::execute(handle, "INSERT INTO main.dorvi SELECT * FROM temp.kept");
        for (const std::string& definition : definitions)
            catalogue::execute(handle, definition.c_str());
        catalogue::execute(handle, "COMMIT");
    }
    catalogue::execute(handle, "DROP TABLE temp.kept");
}

} // namespace

void registerWrites()
{
    for (auto* write : {benchmark::RegisterBenchmark("Write/update/ours", updateOurs),
                        benchmark::RegisterBenchmark("Write/update/bare", updateBare),
                        benchmark::RegisterBenchmark("Write/add/ours", addOurs),
                        benchmark::RegisterBenchmark("Write/add/bare", addBare),
                        benchmark::RegisterBenchmark("Write/delete/ours", deleteOurs),
                        benchmark::RegisterBenchmark("Write/delete/bare", deleteBare),
                        benchmark::RegisterBenchmark("Write/delete10k/ours", deleteManyOurs),
                        benchmark::RegisterBenchmark("Write/delete10k/bare", deleteManyBare),
                        benchmark::RegisterBenchmark("Write/undoDelete10k/ours", undoManyOurs)})
        write->Arg(largeRows)->Unit(benchmark::kMillisecond)->UseRealTime();
    // A round of this one takes seconds, and putting the books back as long again.
    for (auto* large : {benchmark::RegisterBenchmark("Write/deleteAll/ours", deleteAllOurs),
                        benchmark::RegisterBenchmark("Write/undoDeleteAll/ours", undoDeleteAllOurs),
                        benchmark::RegisterBenchmark("Write/undoDeleteAll/bare", undoDeleteAllBare),
                        benchmark::RegisterBenchmark("Write/deleteAllButOne/ours", deleteAllButOneOurs)})
        large->Arg(largeRows)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
}

} // namespace bench
