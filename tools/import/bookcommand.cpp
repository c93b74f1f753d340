// The command line's lists of books: an Access file goes to the conversion, any
// other list to the import, told apart by content before name.
#include "bookcommand.h"

#include "bookimport.h"
#include "cataloguesource.h"
#include "converter.h"
#include "error.h"
#include "importerror.h"
#include "isbncommand.h"
#include "jetheader.h"
#include "report.h"
#include "safetycopies.h"
#include "targetfile.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdlib.h>

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

// An Access catalogue's books, converted first by the same conversion (in its
// child process) as a new catalogue, into a catalogue of our own in a temporary
// folder, which is then read as any other catalogue and removed afterwards.
class ConvertedAccess {
public:
    explicit ConvertedAccess(const CommandLine& line)
    {
        const ImportReport report = convertInChildProcess(line.source, path(), line.codePage);
        std::cout << summaryText(report);
        if (report.failure)
            throw *report.failure;
        if (!report.complete())
            throw ImportError(ExitCode::Incomplete, "conversione incompleta: righe o valori non letti per intero "
                                                    "(elencati sopra).");
        bookimport::requireBooksOfAccess(path(), line.source);
    }

    std::string path() const { return (m_folder.path / "convertito.mdb").string(); }

private:
    // Gone with everything in it however the import ends.
    struct TemporaryFolder {
        TemporaryFolder()
        {
            std::string made = (fs::temp_directory_path() / "dorvi-import-XXXXXX").string();
            if (!mkdtemp(made.data()))
                throw ImportError(ExitCode::TargetUnwritable, "impossibile creare una cartella temporanea.");
            path = made;
        }
        ~TemporaryFolder()
        {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
        TemporaryFolder(const TemporaryFolder&) = delete;
        TemporaryFolder& operator=(const TemporaryFolder&) = delete;
        fs::path path;
    };
    TemporaryFolder m_folder;
};

int intoCatalogue(const CommandLine& line)
{
    const fs::path catalogue = line.target ? fs::path(*line.target) : defaultTarget();
    std::optional<ConvertedAccess> access;
    // By content: our own catalogues are .mdb files too.
    if (holdsJet(line.source)) {
        if (!line.fieldMap.empty())
            return refuse("--campo vale solo per i file CSV o TSV: " + quoted(line.source) + " non lo è.");
        readJetHeader(line.source);
        access.emplace(line);
    }
    bookimport::ImportOptions options = optionsOf(line);
    // Many books at once into the user's catalogue: a safety copy first, whatever
    // the time of the last one, so the whole import can be taken back.
    options.beforeWriting = [&line](const std::string& path) {
        const catalogue::SafetyCopies copies(path);
        copies.removeStalePartials();
        const catalogue::SafetyCopy copy = copies.make(catalogue::beforeImport(line.source));
        std::cout << "Copia di sicurezza: " << copy.path << '\n';
    };
    bookimport::ImportReport report =
        bookimport::importIntoCatalogue(access ? access->path() : line.source, catalogue, options);
    if (access)
        report.kind = "catalogo di Access";
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
    return extension == ".mdb" || extension == ".accdb" || holdsJet(path);
}

bool holdsJet(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    char head[19] = {};
    in.read(head, sizeof head);
    const std::string_view format(head + 4, 15);
    return in && (format == "Standard Jet DB" || format == "Standard ACE DB");
}

int importBookList(const CommandLine& line)
{
    try {
        if (isIsbnList(line.source))
            return addIsbnList(line);
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
