#pragma once

#include "loanledger.h"

#include <QDate>
#include <QObject>

#include <QString>

#include <functional>
#include <memory>
#include <string>

class ToolHost;

namespace catalogue {
class Recordset;
}

// "Presta…", "Restituito" and "Libri in prestito" in the "Strumenti" menu. A loan
// or a return is written at once into the books' cells, through the result the
// grid shows, so it meets the conflict check and is a step of Annulla as any
// edit; `prestiti` keeps the history beside it.
class LoanTools : public QObject {
public:
    using Today = std::function<QDate()>;
    LoanTools(ToolHost& host, QObject* parent, Today today = {});

    void lend();
    void giveBack();
    void listBooksOut();

private:
    bool inEditingMode(const QString& title);
    void writeAsOneChange(const std::string& what, const std::function<void(catalogue::LedgerChanges&)>& write);
    void tellBooksOut(const catalogue::Recordset& listed);
    void followBooksOut();

    ToolHost& m_host;
    Today m_today;
    std::weak_ptr<catalogue::Recordset> m_booksOut; ///< the last listing of Libri in prestito
    QString m_told;                                 ///< what its line under the grid says
};
