// dorvi-makecatalogue SQLFILE TARGET
// Builds a catalogue file from a SQL script, unless TARGET already exists: an
// existing catalogue is never touched. The script runs into a temporary file that
// is renamed into place only when complete, so nothing half-made is left behind.
// Whatever the script's table lacks of the standard fields is added after it, so
// a new catalogue always has every one of them.
#include "error.h"
#include "importtarget.h"
#include "opening.h"
#include "standardfields.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

int fail(const std::string& message)
{
    std::cerr << "dorvi-makecatalogue: " << message << '\n';
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3)
        return fail("uso: dorvi-makecatalogue FILE.sql CATALOGO");
    const fs::path script = argv[1];
    const fs::path target = argv[2];
    if (fs::exists(target))
        return 0;

    std::ifstream in(script);
    if (!in)
        return fail("impossibile leggere " + script.string());
    std::stringstream sql;
    sql << in.rdbuf();

    const fs::path temporary = target.string() + ".new";
    fs::remove(temporary);
    {
        catalogue::DatabaseHandle db;
        try {
            db = catalogue::openCatalogueFile(temporary.string(), catalogue::OpenMode::Create);
        } catch (const catalogue::Error&) {
            return fail("impossibile creare " + temporary.string());
        }
        try {
            catalogue::runScriptAsOne(db.get(), sql.str());
        } catch (const catalogue::Error& error) {
            const std::string message = error.engineMessage().empty() ? "errore sconosciuto" : error.engineMessage();
            db.reset();
            fs::remove(temporary);
            return fail(script.string() + ": " + message);
        }
        try {
            catalogue::addStandardColumns(db.get());
        } catch (const catalogue::Error& error) {
            db.reset();
            fs::remove(temporary);
            return fail(script.string() + ": " + error.description());
        }
    }
    fs::rename(temporary, target);
    return 0;
}
