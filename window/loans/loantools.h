#pragma once

#include <QDate>
#include <QObject>

#include <functional>

class ToolHost;

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

    ToolHost& m_host;
    Today m_today;
};
