// Aggiungi da ISBN… in the Strumenti menu: the dialog run in the editing mode, and
// what the window does after it.
#include "isbntool.h"

#include "grid.h"
#include "isbn.h"
#include "isbndialog.h"
#include "noticeline.h"
#include "recordset.h"
#include "shownrowsmodel.h"
#include "toolhost.h"
#include "windowservices.h"

#include <QSettings>

namespace {

lookup::LookupSettings programSettings()
{
    return lookup::LookupSettings::read(QSettings(QStringLiteral("Dorvi"), QStringLiteral("Gestione Dorvi")));
}

const QString title = QStringLiteral("Aggiungi da ISBN");

} // namespace

IsbnTool::IsbnTool(ToolHost& host, QObject* parent, Settings settings)
    : QObject(parent), m_host(host), m_settings(settings ? std::move(settings) : Settings(programSettings))
{
    host.addTool("mnuaggiungiisbn", QStringLiteral("Aggiungi da IS&BN…"),
                 {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I)}, [this] { addFromIsbn(); });
    NoticeLine::of(host);
}

void IsbnTool::addFromIsbn()
{
    if (!m_host.editing()) {
        m_host.services().information(QStringLiteral("I libri trovati per ISBN si aggiungono al catalogo: apri prima "
                                                     "Gestione."),
                                      title);
        return;
    }
    const lookup::LookupSettings settings = m_settings();
    if (!settings.enabled) {
        m_host.services().information(QStringLiteral("La ricerca per ISBN è spenta nelle impostazioni "
                                                     "(ricerca_isbn/attiva): nessun servizio viene interpellato."),
                                      title);
        return;
    }
    IsbnDialog dialog(m_host.services(), m_host.cataloguePath(), m_host.history(), settings, m_host.dialogParent());
    if (beforeRun)
        beforeRun(dialog);
    m_host.services().runDialog(dialog);
    if (dialog.booksAdded() > 0)
        m_host.relist();
    if (const auto id = dialog.goToBook())
        m_host.goTo(*id);
    else if (!dialog.typeByHand().isEmpty())
        startTyping(dialog.typeByHand());
}

// The ISBN goes into the new-row line of the grid, as if typed there: the user
// types the other fields and the book is written as any new book is.
void IsbnTool::startTyping(const QString& isbn13)
{
    ShownRowsModel* rows = m_host.grid().shownRows();
    const std::shared_ptr<catalogue::Recordset> shown = m_host.grid().boundResult();
    int column = -1;
    if (shown)
        for (int i = 0; i < static_cast<int>(shown->columnNames().size()); ++i)
            if (catalogue::isIsbnColumn(shown->columnName(i)))
                column = i;
    const int line = rows ? rows->rowCount() - 1 : -1;
    if (column < 0 || line < 0 || !rows->isNewRowLine(line) ||
        !rows->setData(rows->index(line, column), isbn13, Qt::EditRole)) {
        m_host.services().information(
            QStringLiteral("Scrivi il libro nella riga nuova in fondo alla griglia; il suo ISBN è %1.").arg(isbn13),
            title);
        return;
    }
    m_host.grid().takeFocus();
    NoticeLine::of(m_host).tell(
        QStringLiteral("L'ISBN %1 è nella riga nuova in fondo alla griglia: scrivi gli altri campi.").arg(isbn13));
}
