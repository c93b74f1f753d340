// dorvi-import: converts an old Access catalogue into the program's own, and
// brings in the books of other programs' lists. See helpText() in
// commandline.cpp for what it does and its exit codes.
#include "bookcommand.h"
#include "commandline.h"
#include "converter.h"
#include "importerror.h"
#include "jetheader.h"
#include "report.h"
#include "targetfile.h"

#include <iostream>

using namespace jetimport;

namespace {

int fail(const ImportError& error)
{
    std::cerr << "dorvi-import: " << error.what() << '\n';
    return static_cast<int>(error.code());
}

int convert(const CommandLine& line)
{
    // A file that is not Jet at all is refused before anything is created.
    readJetHeader(line.source);
    TargetFile target(line.target ? std::filesystem::path(*line.target) : defaultTarget(), line.source, line.force);

    const ImportReport report = convertInChildProcess(line.source, target.temporaryPath(), line.codePage);
    std::cout << summaryText(report);
    if (report.failure)
        return fail(*report.failure);
    if (!report.complete()) {
        return fail(ImportError(ExitCode::Incomplete, "conversione incompleta: righe o valori non letti per intero "
                                                      "(elencati sopra); il catalogo " +
                                                          quoted(target.path().string()) + " non è stato scritto."));
    }
    target.install();
    std::cout << "Catalogo scritto: " << target.path().string() << '\n';
    if (target.keptOriginal())
        std::cout << "Il catalogo di Access originale è in " << target.keptOriginal()->string() << '\n';
    if (!report.changes.empty())
        std::cerr << "dorvi-import: alcuni valori sono stati scritti in un'altra forma: sono elencati sopra.\n";
    return static_cast<int>(report.exitCode());
}

} // namespace

int main(int argc, char* argv[])
{
    try {
        const CommandLine line = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        if (line.help) {
            std::cout << helpText();
            return 0;
        }
        if (line.add || !line.fieldMap.empty() || line.keepDuplicates || !isAccessSource(line.source))
            return importBookList(line);
        return convert(line);
    } catch (const ImportError& error) {
        return fail(error);
    } catch (const std::exception& error) {
        return fail(ImportError(ExitCode::TargetUnwritable, error.what()));
    }
}
