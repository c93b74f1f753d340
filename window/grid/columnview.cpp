// The setting is by name, so a column renamed or removed simply drops out of it
// and the grid's own order takes over for anything it does not name.
#include "columnview.h"

#include "columnname.h"
#include "columnwidths.h"
#include "fieldkind.h"

#include <QAbstractItemModel>
#include <QCryptographicHash>
#include <QDir>
#include <QHeaderView>
#include <QSettings>
#include <QTableView>

namespace {

QSettings programSettings()
{
    return QSettings(QStringLiteral("Dorvi"), QStringLiteral("Gestione Dorvi"));
}

bool containsName(const QStringList& names, const QString& name)
{
    return containsColumnName(names, name);
}

} // namespace

// One group per catalogue, named by its absolute path's hash: a path's slashes
// would make groups of their own.
QString columnSettingsGroup(const QString& path)
{
    const QByteArray absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath()).toUtf8();
    return QStringLiteral("colonne/") +
           QString::fromLatin1(QCryptographicHash::hash(absolute, QCryptographicHash::Sha1).toHex().left(16));
}

std::vector<ColumnLayout::Placed> ColumnLayout::arrange(const QStringList& columns) const
{
    std::vector<Placed> placed;
    for (const QString& name : order) {
        for (const QString& column : columns) {
            if (sameColumnName(column, name) &&
                std::none_of(placed.begin(), placed.end(), [&](const Placed& p) { return p.name == column; }))
                placed.push_back({column, !containsName(hidden, column)});
        }
    }
    for (const QString& column : columns) {
        if (std::none_of(placed.begin(), placed.end(), [&](const Placed& p) { return p.name == column; }))
            placed.push_back({column, !containsName(hidden, column)});
    }
    return placed;
}

ColumnLayout ColumnLayout::load(const QString& path)
{
    QSettings settings = programSettings();
    settings.beginGroup(columnSettingsGroup(path));
    return {settings.value(QStringLiteral("ordine")).toStringList(),
            settings.value(QStringLiteral("nascoste")).toStringList()};
}

void ColumnLayout::save(const QString& path) const
{
    QSettings settings = programSettings();
    settings.beginGroup(columnSettingsGroup(path));
    settings.setValue(QStringLiteral("catalogo"), QFileInfo(path).absoluteFilePath());
    settings.setValue(QStringLiteral("ordine"), order);
    settings.setValue(QStringLiteral("nascoste"), hidden);
}

ColumnView::ColumnView(QTableView& view, QString cataloguePath)
    : QObject(&view), m_view(view), m_path(std::move(cataloguePath))
{
    setObjectName(QStringLiteral("columnView"));
    if (ColumnWidths* widths = ColumnWidths::of(view))
        widths->keepFor(m_path);
    connect(view.horizontalHeader(), &QHeaderView::sectionCountChanged, this, [this] {
        follow();
        apply();
    });
    follow();
    apply();
}

ColumnView* ColumnView::of(QTableView& view)
{
    return view.findChild<ColumnView*>(QStringLiteral("columnView"), Qt::FindDirectChildrenOnly);
}

// The heading connects to a new model before telling of its sections, so this
// connection comes after its own and applies the layout once it is done. The
// model is the heading's: a table view gives its headings a new model before it
// takes the model itself, so at the first result the view has none yet.
void ColumnView::follow()
{
    QAbstractItemModel* model = m_view.horizontalHeader()->model();
    if (!model || model == m_followed)
        return;
    m_followed = model;
    connect(model, &QAbstractItemModel::modelReset, this, &ColumnView::apply);
}

void ColumnView::setLayout(const ColumnLayout& layout)
{
    layout.save(m_path);
    apply();
}

void ColumnView::apply()
{
    QHeaderView& header = *m_view.horizontalHeader();
    QAbstractItemModel* model = header.model();
    if (!model)
        return;
    // By the column's name in the file, whatever the heading reads; a model that
    // knows no names gives its headings.
    QStringList columns;
    for (int column = 0; column < model->columnCount(); ++column) {
        const QVariant name = model->headerData(column, Qt::Horizontal, FieldNameRole);
        columns << (name.isValid() ? name : model->headerData(column, Qt::Horizontal)).toString();
    }
    const std::vector<ColumnLayout::Placed> placed = ColumnLayout::load(m_path).arrange(columns);
    for (int visual = 0; visual < static_cast<int>(placed.size()); ++visual) {
        const int logical = static_cast<int>(columns.indexOf(placed[static_cast<std::size_t>(visual)].name));
        if (logical < 0)
            continue;
        if (header.visualIndex(logical) != visual)
            header.moveSection(header.visualIndex(logical), visual);
        header.setSectionHidden(logical, !placed[static_cast<std::size_t>(visual)].shown);
    }
}

std::vector<int> shownColumns(const QHeaderView& header)
{
    std::vector<int> columns;
    for (int visual = 0; visual < header.count(); ++visual) {
        const int logical = header.logicalIndex(visual);
        if (logical >= 0 && !header.isSectionHidden(logical))
            columns.push_back(logical);
    }
    return columns;
}

std::vector<int> inShownOrder(const std::vector<int>& columns, const QHeaderView& header)
{
    std::vector<int> shown;
    for (int column : shownColumns(header)) {
        if (std::find(columns.begin(), columns.end(), column) != columns.end())
            shown.push_back(column);
    }
    return shown;
}
