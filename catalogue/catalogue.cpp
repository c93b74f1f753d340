// The catalogue file in use: its path, its opening, its fields and its changes.
#include "catalogue.h"

#include "changeevents.h"
#include "columntext.h"
#include "connection.h"
#include "fieldnames.h"
#include "statement.h"

namespace catalogue {

namespace {

std::vector<FieldSchema> readFields(sqlite3* db)
{
    Statement info(db, "SELECT name, type FROM pragma_table_info('dorvi')");
    std::vector<FieldSchema> fields;
    while (info.step()) {
        const std::string_view name = columnText(info.handle(), 0).value_or("");
        const std::string_view type = columnText(info.handle(), 1).value_or("");
        fields.push_back(fieldSchema(name, type));
    }
    return fields;
}

bool changesFields(ChangeKind kind)
{
    return kind == ChangeKind::FieldsChanged || kind == ChangeKind::FileReplaced;
}

} // namespace

Catalogue::Catalogue(std::string path) : m_path(std::move(path)), m_events(std::make_shared<ChangeEvents>()) {}

Catalogue::~Catalogue() = default;

std::shared_ptr<Connection> Catalogue::open() const
{
    return std::make_shared<Connection>(Connection::opened(m_path));
}

const std::vector<FieldSchema>& Catalogue::fields()
{
    if (!m_fields)
        m_fields = readFields(open()->handle());
    return *m_fields;
}

std::optional<FieldSchema> Catalogue::field(std::string_view name)
{
    for (const FieldSchema& field : fields()) {
        if (sameColumnName(field.name, name))
            return field;
    }
    return std::nullopt;
}

Subscription Catalogue::subscribe(std::function<void(const CatalogueChange&)> listener)
{
    return m_events->subscribe(std::move(listener));
}

void Catalogue::announce(const CatalogueChange& change)
{
    if (changesFields(change.kind))
        m_fields.reset();
    m_events->announce(change);
}

} // namespace catalogue
