// What every host lends its tools beyond the window's own part: a connection of
// their own, and the books reached through the grid by iddorvo, never by view row.
#include "toolhost.h"

#include "bookchoice.h"
#include "bookqueries.h"
#include "catalogue.h"
#include "connection.h"
#include "grid.h"
#include "recordset.h"

#include <QFile>

std::shared_ptr<catalogue::Catalogue> ToolHost::catalogue() const
{
    const std::string path = QFile::encodeName(cataloguePath()).toStdString();
    if (!m_ownCatalogue || m_ownCatalogue->path() != path)
        m_ownCatalogue = std::make_shared<catalogue::Catalogue>(path);
    return m_ownCatalogue;
}

std::shared_ptr<catalogue::Connection> ToolHost::openCatalogue() const
{
    return catalogue()->open();
}

void ToolHost::listBooks(const std::vector<std::int64_t>& ids)
{
    listBooks(catalogue::listingInOrder(ids));
}

std::vector<std::int64_t> ToolHost::selectedBooks()
{
    std::vector<std::int64_t> ids;
    const std::shared_ptr<catalogue::Recordset> result = grid().boundResult();
    if (!result)
        return ids;
    for (const std::size_t row : grid().chosenRecordRows()) {
        if (const auto id = bookIdAt(*result, row))
            ids.push_back(*id);
    }
    return ids;
}

void ToolHost::goTo(std::int64_t id)
{
    const auto shownRowOf = [&]() -> std::optional<std::size_t> {
        const std::shared_ptr<catalogue::Recordset> result = grid().boundResult();
        if (!result)
            return std::nullopt;
        const std::vector<ChosenBook> found = findBooks(*result, {id});
        return found.empty() ? std::nullopt : std::optional<std::size_t>(found.front().row);
    };
    if (!grid().boundResult())
        return;
    if (const auto row = shownRowOf(); row && grid().showRecordRow(*row))
        return;
    relist();
    if (const auto row = shownRowOf())
        grid().showRecordRow(*row);
}
