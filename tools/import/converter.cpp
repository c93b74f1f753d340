// Every user table of a Jet file converted into a new catalogue, columns in their
// order and rows as read; failures come back in the report.
#include "converter.h"

#include "cataloguewriter.h"
#include "isolation.h"
#include "jetheader.h"
#include "jetsource.h"
#include "schema.h"

#include <filesystem>
#include <new>

namespace jetimport {

namespace {

constexpr unsigned long long megabyte = 1024 * 1024;
// Reading takes a small fraction of this; the limit only stops a loop.
constexpr unsigned baseSeconds = 2;
constexpr unsigned secondsPerMegabyte = 2;
constexpr unsigned long long baseMemory = 4096 * megabyte;

std::string valueText(const catalogue::Value& value)
{
    if (const auto* number = std::get_if<std::int64_t>(&value))
        return std::to_string(*number);
    if (const auto* text = std::get_if<std::string>(&value))
        return quoted(*text);
    return {};
}

// "ID = 17", so the user can find the row in the catalogue; only for a one-column key.
std::string keyText(const TableSchema& schema, const JetRow& row)
{
    if (schema.primaryKey.size() != 1 || !row.readable)
        return {};
    const std::size_t column = schema.primaryKey.front();
    const std::string value = valueText(row.values[column]);
    return value.empty() ? std::string{} : schema.columns[column].name + " = " + value;
}

class TableConversion {
public:
    TableConversion(JetSource& source, std::size_t index, CatalogueWriter& writer, std::vector<ValueChange>& changes)
        : m_source(source), m_index(index), m_writer(writer), m_changes(changes)
    {
        m_report.name = source.tableName(index);
    }

    TableReport run()
    {
        try {
            copyTable();
        } catch (const Refused& refused) {
            m_report.error = std::string("il catalogo rifiuta la tabella: ") + refused.what();
        } catch (const ImportError& error) {
            if (error.code() == ExitCode::TargetUnwritable)
                throw;
            m_report.error = error.what();
        }
        return m_report;
    }

private:
    void copyTable()
    {
        const std::unique_ptr<JetTable> table = m_source.openTable(m_index);
        m_report.declared = table->declaredRows();
        const TableSchema schema = tableSchema(table->name(), table->columns(), table->primaryKey());
        m_writer.addTable(schema);
        JetRow row;
        while (table->next(row)) {
            ++m_report.read;
            copyRow(schema, row);
        }
        m_writer.addIndexes(schema);
    }

    void copyRow(const TableSchema& schema, const JetRow& row)
    {
        const std::string key = keyText(schema, row);
        for (const ValueProblem& problem : row.problems)
            note(schema.columns[problem.column].name, key, problem.reason, problem.lost);
        if (!row.readable) {
            note({}, key, "riga illeggibile (file danneggiato): non scritta", true);
            return;
        }
        try {
            m_writer.insert(row.values);
            ++m_report.written;
        } catch (const Refused& refused) {
            note({}, key, std::string("il catalogo rifiuta la riga (") + refused.what() + "): non scritta", true);
        }
    }

    void note(const std::string& column, const std::string& key, const std::string& reason, bool lost)
    {
        m_changes.push_back({m_report.name, column, m_report.read, key, reason, lost});
    }

    JetSource& m_source;
    std::size_t m_index;
    CatalogueWriter& m_writer;
    std::vector<ValueChange>& m_changes;
    TableReport m_report;
};

} // namespace

ImportReport convertCatalogue(const std::string& source, const std::string& target, const std::string& codePage)
{
    ImportReport report;
    try {
        JetSource jet(source, readJetHeader(source), codePage);
        CatalogueWriter writer(target);
        for (std::size_t i = 0; i < jet.tableCount(); ++i)
            report.tables.push_back(TableConversion(jet, i, writer, report.changes).run());
        writer.commit();
    } catch (const ImportError& error) {
        report.failure = error;
    } catch (const std::bad_alloc&) {
        report.failure = ImportError(ExitCode::SourceUnreadable,
                                     "Memoria esaurita leggendo " + quoted(source) + ": il file è probabilmente danneggiato.");
    } catch (const std::exception& error) {
        report.failure = ImportError(ExitCode::SourceUnreadable,
                                     "Conversione interrotta: " + std::string(error.what()) + ".");
    }
    return report;
}

} // namespace jetimport

namespace jetimport {

namespace {

ImportError interrupted(const std::string& source, const ChildOutcome& outcome)
{
    // libmdb reading a protected file's pages as if they were plain may crash or
    // loop as it would on damage; the protection is the likelier cause.
    try {
        if (const JetHeader header = readJetHeader(source); header.isProtected())
            return protectedFileError(source, header);
    } catch (const ImportError&) {
    }
    if (outcome.outOfTime) {
        return ImportError(ExitCode::SourceUnreadable,
                           "La lettura di " + quoted(source) +
                               " non è terminata nel tempo previsto: il file è danneggiato.");
    }
    if (outcome.signal != 0) {
        return ImportError(ExitCode::SourceUnreadable,
                           "La lettura di " + quoted(source) + " si è interrotta (segnale " +
                               std::to_string(outcome.signal) + "): il file è danneggiato.");
    }
    return ImportError(ExitCode::SourceUnreadable, "La conversione di " + quoted(source) + " si è interrotta.");
}

} // namespace

ImportReport convertInChildProcess(const std::string& source, const std::string& target, const std::string& codePage)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(source, error);
    const unsigned long long megabytes = error ? 0 : size / megabyte + 1;
    const auto seconds = static_cast<unsigned>(baseSeconds + secondsPerMegabyte * megabytes);
    const unsigned long long memory = baseMemory + 4 * megabytes * megabyte;

    const ChildOutcome outcome = runInChild(
        [&] { return serialize(convertCatalogue(source, target, codePage)); }, seconds, memory);
    if (!outcome.exited) {
        ImportReport report;
        report.failure = interrupted(source, outcome);
        return report;
    }
    return deserialize(outcome.output);
}

} // namespace jetimport
