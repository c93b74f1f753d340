#pragma once

#include "loanledger.h"

#include <QObject>

#include <memory>

class ToolHost;

namespace catalogue {
class ImportedBooks;
}

// Strumenti › "Importa…": the books of a spreadsheet's CSV, a Goodreads or
// LibraryThing export, a calibre library, a Tellico or GCstar file added to the
// catalogue in use, through the same engine as `dorvi-import --aggiungi`: the
// file chosen, a dialog with its preview, a safety copy, everything in one
// transaction, the report, and the whole import one step of Annulla.
class ImportTools : public QObject {
public:
    ImportTools(ToolHost& host, QObject* parent);

private:
    void importBooks();
    void recordForUndo(std::unique_ptr<catalogue::ImportedBooks> books, catalogue::LedgerChanges loanLines);

    ToolHost& m_host;
};
