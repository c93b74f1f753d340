// Campi…: the catalogue's fields and the grid's column setting, applied to every
// result the grid shows; a field removed is a step of Annulla.
#include "fieldtools.h"

#include "catalogue.h"
#include "columnview.h"
#include "fieldsdialog.h"
#include "grid.h"
#include "toolhost.h"
#include "windowservices.h"

#include <QTableView>

FieldTools::FieldTools(ToolHost& host, QObject* parent) : QObject(parent), m_host(host)
{
    // A grid of the tests' own has no heading to keep a setting for.
    if (auto* view = dynamic_cast<QTableView*>(&host.grid()))
        new ColumnView(*view, host.cataloguePath());
    host.addTool("mnucampi", QStringLiteral("Ca&mpi…"), {}, [this] { openFields(); }, false);
}

// Each change the dialog writes is told through the catalogue as it is made; the
// catalogue is listed again when the dialog closes on a changed file. The undo
// history puts a field back, tells it and lists the catalogue again.
void FieldTools::openFields()
{
    auto* view = dynamic_cast<QTableView*>(&m_host.grid());
    FieldsDialog::Host host{m_host.services(), m_host.copies(), m_host.history(), m_host.cataloguePath(),
                            view ? ColumnView::of(*view) : nullptr, [this] { relistChangedFields(); },
                            [this] { m_host.catalogue()->fieldsChanged(); }};
    FieldsDialog dialog(std::move(host), m_host.dialogParent());
    m_host.services().runDialog(dialog);
    if (dialog.changed())
        m_host.relist();
}

void FieldTools::relistChangedFields()
{
    m_host.catalogue()->fieldsChanged();
    m_host.relist();
}
