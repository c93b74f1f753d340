#include "bookcommand.h"

#include "bookimport.h"
#include "error.h"
#include "importerror.h"
#include "safetycopies.h"
#include "targetfile.h"

#include <algorithm>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;

namespace jetimport {

namespace {

constexpr int nothingWritten = 2;

int refuse(const std::string& message)
{
    std::cerr << "dorvi-import: " << message << "\nNiente è stato scritto.\n";
    return nothingWritten;
}

bookimport::ImportOptions optionsOf(const CommandLine& line)
{
    bookimport::ImportOptions options;
    options.keepDuplicates = line.keepDuplicates;
    options.fieldMap = line.fieldMap;
    return options;
}

int finish(const bookimport::ImportReport& report)
{
    std::cout << bookimport::reportText(report);
    return report.exitStatus();
}

int intoNewCatalogue(const CommandLine& line)
{
    TargetFile target(line.target ? fs::path(*line.target) : defaultTarget(), line.source, line.force);
    const bookimport::ImportReport report =
        bookimport::importIntoNewCatalogue(line.source, target.temporaryPath(), optionsOf(line));
    target.install();
    const int status = finish(report);
    std::cout << "Catalogo scritto: " << target.path().string() << '\n';
    return status;
}

int intoCatalogue(const CommandLine& line)
{
    const fs::path catalogue = line.target ? fs::path(*line.target) : defaultTarget();
    bookimport::ImportOptions options = optionsOf(line);
    // Many books at once into the user's catalogue: a safety copy first, whatever
    // the time of the last one, so the whole import can be taken back.
    options.beforeWriting = [](const std::string& path) {
        const catalogue::SafetyCopy copy = catalogue::SafetyCopies(path).make();
        std::cout << "Copia di sicurezza: " << copy.path << '\n';
    };
    const bookimport::ImportReport report = bookimport::importIntoCatalogue(line.source, catalogue, options);
    const int status = finish(report);
    std::cout << "Catalogo aggiornato: " << catalogue.string() << '\n';
    return status;
}

} // namespace

bool isAccessSource(const std::string& path)
{
    std::string extension = fs::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".mdb" || extension == ".accdb")
        return true;
    std::ifstream in(path, std::ios::binary);
    char head[19] = {};
    in.read(head, sizeof head);
    const std::string_view format(head + 4, 15);
    return in && (format == "Standard Jet DB" || format == "Standard ACE DB");
}

int importBookList(const CommandLine& line)
{
    try {
        return line.add ? intoCatalogue(line) : intoNewCatalogue(line);
    } catch (const catalogue::Error& error) {
        return refuse(error.description());
    } catch (const ImportError& error) {
        return refuse(error.what());
    } catch (const std::exception& error) {
        return refuse(catalogue::unexpectedError(error).description());
    }
}

} // namespace jetimport
