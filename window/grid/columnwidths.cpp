// Keeps apart the widths the program chooses and the ones the user drags: every
// resize that does not come from fit() is the user's, except a column hidden or
// shown again (the heading then resizes it to nothing and back).
#include "columnwidths.h"

#include "columnname.h"
#include "columnview.h"
#include "fieldkind.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSettings>
#include <QTableView>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace {

QSettings programSettings()
{
    return QSettings(QStringLiteral("Dorvi"), QStringLiteral("Gestione Dorvi"));
}

const QString widthsKey = QStringLiteral("larghezze");

} // namespace

ColumnWidths::ColumnWidths(QTableView& view) : QObject(&view), m_view(view)
{
    setObjectName(QStringLiteral("columnWidths"));
    connect(view.horizontalHeader(), &QHeaderView::sectionResized, this, &ColumnWidths::sectionResized);
    // Qt's own answer (the column fitted to the rows on screen) comes first; then
    // the column goes back to the program's sizing, the user's width forgotten.
    connect(view.horizontalHeader(), &QHeaderView::sectionHandleDoubleClicked, this,
            &ColumnWidths::handleDoubleClicked);
    // A drag resizes a column many times a second: the settings are written once
    // it has stopped, or when the grid goes.
    m_saving.setSingleShot(true);
    m_saving.setInterval(500);
    connect(&m_saving, &QTimer::timeout, this, &ColumnWidths::saveKept);
}

ColumnWidths::~ColumnWidths()
{
    saveKept();
}

ColumnWidths* ColumnWidths::of(QTableView& view)
{
    return view.findChild<ColumnWidths*>(QStringLiteral("columnWidths"), Qt::FindDirectChildrenOnly);
}

void ColumnWidths::keepFor(const QString& cataloguePath)
{
    saveKept();
    m_cataloguePath = cataloguePath;
    m_kept.clear();
    QSettings settings = programSettings();
    settings.beginGroup(columnSettingsGroup(cataloguePath));
    const QVariantMap kept = settings.value(widthsKey).toMap();
    for (auto it = kept.begin(); it != kept.end(); ++it) {
        if (const int width = it.value().toInt(); width > 0)
            m_kept.insert(columnNameKey(it.key()), width);
    }
    if (m_view.model())
        fit(true);
}

void ColumnWidths::saveKept()
{
    m_saving.stop();
    if (!m_keptChanged || m_cataloguePath.isEmpty())
        return;
    m_keptChanged = false;
    QVariantMap kept;
    for (auto it = m_kept.begin(); it != m_kept.end(); ++it)
        kept.insert(it.key(), it.value());
    QSettings settings = programSettings();
    settings.beginGroup(columnSettingsGroup(m_cataloguePath));
    settings.setValue(widthsKey, kept);
}

// A column's name in the file, whatever its heading reads.
QString ColumnWidths::columnKey(int column) const
{
    const QAbstractItemModel* model = m_view.horizontalHeader()->model();
    if (!model)
        return {};
    const QVariant name = model->headerData(column, Qt::Horizontal, FieldNameRole);
    return columnNameKey((name.isValid() ? name : model->headerData(column, Qt::Horizontal)).toString());
}

void ColumnWidths::sectionResized(int column, int oldWidth, int newWidth)
{
    if (m_fitting || oldWidth == 0 || newWidth == 0 || m_view.horizontalHeader()->isSectionHidden(column))
        return;
    m_setByHand.insert(column);
    if (m_cataloguePath.isEmpty())
        return;
    const QString key = columnKey(column);
    if (key.isEmpty())
        return;
    m_kept.insert(key, newWidth);
    m_keptChanged = true;
    m_saving.start();
}

void ColumnWidths::handleDoubleClicked(int column)
{
    m_setByHand.erase(column);
    if (m_kept.remove(columnKey(column)) > 0) {
        m_keptChanged = true;
        m_saving.start();
    }
    m_fitting = true;
    fitColumn(column, widestColumn());
    m_fitting = false;
}

// The rows on screen and the first and last rows of the result are sampled (the
// last hold the largest keys), and of each column's cells only the few with the
// longest text are laid out: laying out every sampled cell, as Qt's own sizing
// does, cost tens of milliseconds a command. The grid's delegate measures only the
// beginning of each (CellPainter::measuredLength), so a megabyte title costs no
// more than a long one.
int ColumnWidths::contentWidth(int column) const
{
    constexpr int sampledAtEachEnd = 100;
    constexpr std::size_t measured = 3;
    const QAbstractItemModel& model = *m_view.model();
    const int rows = model.rowCount();
    const int firstShown = std::max(0, m_view.rowAt(0));
    const int bottomRow = m_view.rowAt(m_view.viewport()->height());
    const int lastShown = std::min(bottomRow < 0 ? rows - 1 : bottomRow, firstShown + sampledAtEachEnd);
    std::vector<std::pair<qsizetype, int>> longest; // (length, row), longest first
    const auto consider = [&](int row) {
        const qsizetype length = model.index(row, column).data().toString().size();
        if (longest.size() == measured && length <= longest.back().first)
            return;
        longest.emplace_back(length, row);
        std::sort(longest.begin(), longest.end(), std::greater<>());
        if (longest.size() > measured)
            longest.pop_back();
    };
    for (int row = firstShown; row <= lastShown; ++row)
        consider(row);
    for (int row = 0; row < rows; ++row) {
        if (row == sampledAtEachEnd && rows - sampledAtEachEnd > row)
            row = rows - sampledAtEachEnd;
        if (row < firstShown || row > lastShown)
            consider(row);
    }
    int width = 0;
    for (const auto& [length, row] : longest)
        width = std::max(width, m_view.sizeHintForIndex(model.index(row, column)).width());
    return m_view.showGrid() ? width + 1 : width;
}

// Two fifths of the grid: a long title or a megabyte author leaves at least two
// columns in sight, and the cursor entering it or a click on its heading never
// scrolls the others away. Its cells show the whole value as a tooltip and in the
// editor.
int ColumnWidths::widestColumn() const
{
    const int grid = m_view.viewport()->width() - m_view.verticalScrollBar()->sizeHint().width();
    return std::max(grid * 2 / 5, 40);
}

void ColumnWidths::fitColumn(int column, int widest)
{
    const int heading = m_view.horizontalHeader()->sectionSizeHint(column);
    m_view.setColumnWidth(column, std::min(std::max(contentWidth(column), heading), widest));
}

// A hidden column is sized too, so it shows at its width when shown again.
void ColumnWidths::fit(bool sameColumns)
{
    if (!sameColumns)
        m_setByHand.clear();
    m_fitting = true;
    const int widest = widestColumn();
    const int columns = m_view.model() ? m_view.model()->columnCount() : 0;
    for (int column = 0; column < columns; ++column) {
        if (const auto kept = m_kept.constFind(columnKey(column)); kept != m_kept.constEnd())
            m_view.setColumnWidth(column, *kept);
        else if (!m_setByHand.count(column))
            fitColumn(column, widest);
    }
    m_fitting = false;
}
