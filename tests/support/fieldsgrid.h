#pragma once

#include "datagrid.h"
#include "gridinput.h"
#include "fakes.h"
#include "history.h"
#include "testcatalogue.h"

#include <QCoreApplication>

#include <memory>

// The real grid, in editing mode, over a catalogue holding the standard fields the
// tests of the fields' kinds use, and two fields of one's own: `finito` (a date,
// declared DATE) and `regalo` (sì/no, declared BOOLEAN).
class FieldsGrid {
public:
    TestCatalogue catalogue;
    FakeWindowServices services{catalogue.folder()};
    DataGrid grid{services};
    std::shared_ptr<catalogue::History> history = std::make_shared<catalogue::History>();

    FieldsGrid()
    {
        catalogue.exec("ALTER TABLE dorvi ADD COLUMN letto INTEGER; ALTER TABLE dorvi ADD COLUMN voto INTEGER;"
                       "ALTER TABLE dorvi ADD COLUMN note TEXT; ALTER TABLE dorvi ADD COLUMN prestato_il TEXT;"
                       "ALTER TABLE dorvi ADD COLUMN aggiunto_il TEXT; ALTER TABLE dorvi ADD COLUMN finito DATE;"
                       "ALTER TABLE dorvi ADD COLUMN regalo BOOLEAN;");
        grid.resize(900, 400);
        grid.show();
        grid.setFocus();
    }
    void bind(bool editing = true)
    {
        auto rows = openRecordset(catalogue.path(), "select * from dorvi;");
        rows->setHistory(history);
        grid.setDataSource(rows);
        grid.setAllowAddNew(editing);
        grid.setAllowDelete(editing);
        grid.setAllowUpdate(editing);
    }
    int column(const char* name) const
    {
        for (int c = 0; c < grid.model()->columnCount(); ++c) {
            if (grid.model()->headerData(c, Qt::Horizontal).toString() == QLatin1String(name))
                return c;
        }
        return -1;
    }
    QModelIndex cell(int row, const char* name) const { return grid.model()->index(row, column(name)); }
    std::string stored(int id, const char* name) const
    {
        return catalogue.scalar("select coalesce(" + std::string(name) + ", 'NULL') from dorvi where iddorvo = " +
                                std::to_string(id));
    }
    // Errors are shown on a queued call, once the write has unwound.
};
