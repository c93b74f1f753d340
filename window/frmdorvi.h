#pragma once

#include "toolhost.h"

#include <QKeySequence>
#include <QList>
#include <QMainWindow>

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

class CopyKeeper;
class DataGrid;
class FilterBar;
class Grid;
class ModeLabel;
class StatusLabel;
class UndoActions;
class WindowServices;

namespace catalogue {
struct ExactSearch;
class History;
class Recordset;
}

// The catalogue window: the grid, the menu bar and every command of the program.
// Commands raise errors and do not catch them; the window catches each once where
// it dispatches a menu command, and shows it.
class Frmdorvi : public QMainWindow, public ToolHost {
    Q_OBJECT
public:
    // The window with its own data grid.
    explicit Frmdorvi(WindowServices& services, QWidget* parent = nullptr);
    // The window driving a grid of the caller's, which it neither shows nor owns.
    Frmdorvi(WindowServices& services, Grid& grid, QWidget* parent = nullptr);
    ~Frmdorvi() override;

    QString str; ///< the statement the last data command started

    const std::shared_ptr<catalogue::Recordset>& recordset() const { return rs; }
    // The safety copies of the catalogue: the check at start and the day's copy.

    // What the tools of the "Strumenti" menu use of the window.
    WindowServices& services() override { return m_services; }
    Grid& grid() override { return DataGrid1; }
    const std::shared_ptr<catalogue::History>& history() override { return m_history; }
    CopyKeeper& copies() override { return *m_copies; }
    QWidget* dialogParent() override { return this; }
    QString cataloguePath() const override;
    bool editing() const override;
    using ToolHost::listBooks;
    void listBooks(const catalogue::BookListing& listing) override;
    void relist() override;
    QAction* addTool(const char* name, const QString& caption, const QList<QKeySequence>& shortcuts,
                     std::function<void()> command, bool inContextMenu = true) override;
    void addToolSeparator() override;
    void whenBookWritten(std::function<void()> listener) override { m_bookWritten.push_back(std::move(listener)); }
    void whenCatalogueChanged(std::function<void()> listener) override
    {
        m_catalogueChanged.push_back(std::move(listener));
    }
    void catalogueWritten() override { tellCatalogueChanged(); }

    void mnuop_Click();
    void mnuesci_Click();
    void mnuaut_Click();
    void mnutit_Click();
    void mnugen_Click();
    void mnuall_Click();
    void mnutot_Click();
    void mnutrova_Click();
    void mnuesportacsv_Click();
    void mnuesportapdf_Click();
    void mnustampa_Click();
    void mnuannulla_Click();
    void mnuripeti_Click();
    void mnucopie_Click();
    void DataGrid1_AfterUpdate();
    void DataGrid1_OnAddNew();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Search;

    void init();
    void query(const QString& sql, const catalogue::ExactSearch* search = nullptr);
    void search(const Search& search);
    void dispatch(void (Frmdorvi::*command)());
    void run(const std::function<void()>& command, bool keyboardStaysInGrid = true);
    void buildMenus();
    QAction* tool(const char* name, const QString& caption, const QList<QKeySequence>& shortcuts,
                  void (Frmdorvi::*command)());
    QAction* addCommand(const char* name, const QString& caption, const QList<QKeySequence>& shortcuts,
                        std::function<void()> command, bool inContextMenu, bool keyboardStaysInGrid);
    void placeGrid(QWidget* grid);
    void keepDataControl();
    void addUndoTools();
    void addCopyTools();
    void setEditing(bool editing);
    void tellCatalogueChanged();
    void replayChange(const QString& task, std::size_t (catalogue::History::*books)() const,
                      bool (catalogue::History::*write)(catalogue::Recordset&,
                                                         const std::function<bool(std::size_t)>&));

    WindowServices& m_services;
    Grid& DataGrid1;
    std::shared_ptr<catalogue::Recordset> rs;
    QMenu* mnustrumenti = nullptr;
    bool m_editing = false; ///< the mode "Gestione" starts and every other listing ends
    ModeLabel* m_mode = nullptr; ///< in the free band below the grid
    StatusLabel* m_status = nullptr; ///< beside it: the books on show, what the last command made of them
    FilterBar* m_filterBar = nullptr;  ///< the quick filter under the own grid
    std::shared_ptr<catalogue::History> m_history; ///< every change written in this run
    std::unique_ptr<UndoActions> m_undoActions;
    std::unique_ptr<CopyKeeper> m_copies;
    std::vector<std::function<void()>> m_bookWritten; ///< the tools told of each book the grid writes
    std::vector<std::function<void()>> m_catalogueChanged; ///< the tools told of any other change
};
