// The grid as screen readers present it. The object is a child of the grid and
// only writes the grid's accessible name and description; the cells' reading
// comes from the model's accessible-text role, built by cellReading (celltext.h).
#include "gridaccessibility.h"

#include <QAbstractItemModel>
#include <QTableView>

namespace {

QString counted(int count, const char* one, const char* many)
{
    return count == 1 ? QStringLiteral("1 %1").arg(QString::fromUtf8(one))
                      : QStringLiteral("%1 %2").arg(count).arg(QString::fromUtf8(many));
}

} // namespace

GridAccessibility::GridAccessibility(QTableView& view, std::function<bool()> hasNewRowLine)
    : QObject(&view), m_view(view), m_hasNewRowLine(std::move(hasNewRowLine))
{
    view.setAccessibleName(QStringLiteral("Catalogo dei libri"));
    view.setAccessibleDescription(
        QStringLiteral("Nessun libro elencato: scegliere un comando del menu Interroga o Gestione/Esci"));
}

void GridAccessibility::follow(QAbstractItemModel* model)
{
    const auto redescribe = [this] { describe(); };
    connect(model, &QAbstractItemModel::modelReset, this, redescribe);
    connect(model, &QAbstractItemModel::rowsInserted, this, redescribe);
    connect(model, &QAbstractItemModel::rowsRemoved, this, redescribe);
    connect(model, &QAbstractItemModel::columnsInserted, this, redescribe);
    connect(model, &QAbstractItemModel::columnsRemoved, this, redescribe);
    describe();
}

void GridAccessibility::describe()
{
    const QAbstractItemModel* model = m_view.model();
    if (!model)
        return;
    const bool newRowLine = m_hasNewRowLine() && model->rowCount() > 0;
    m_view.setAccessibleDescription(description(model->rowCount() - (newRowLine ? 1 : 0), model->columnCount(),
                                                newRowLine));
}

QString GridAccessibility::description(int books, int columns, bool newRowLine)
{
    QString text = counted(books, "riga", "righe") + QStringLiteral(", ") + counted(columns, "colonna", "colonne");
    if (newRowLine)
        text += QStringLiteral("; l'ultima riga, segnata con l'asterisco, aggiunge un libro");
    return text;
}
