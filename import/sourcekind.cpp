// What a file is, from its content rather than its name, and the source that reads
// it; anything else is refused in Italian, saying why.
#include "sourcekind.h"

#include "calibresource.h"
#include "cataloguesource.h"
#include "delimitedsource.h"
#include "importfailure.h"
#include "isbnlist.h"
#include "tellicosource.h"
#include "xmlfeed.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace bookimport {

namespace {

const std::string knownKinds =
    "Gestione Dorvi importa: file CSV o TSV con una riga d'intestazione (da un foglio di calcolo, da Goodreads, "
    "da LibraryThing, o esportati da Gestione Dorvi), una biblioteca di calibre (la cartella o il suo metadata.db), "
    "un file di Tellico (.tc) o di GCstar (.gcs), un altro catalogo di Gestione Dorvi e i cataloghi di Access (.mdb).";

[[noreturn]] void unknown(const std::string& path, const std::string& what)
{
    refuseSource("Il file " + quoted(path) + " " + what + ". " + knownKinds);
}

[[noreturn]] void spreadsheet(const std::string& path, const std::string& format)
{
    refuseSource("Il file " + quoted(path) + " è un foglio di calcolo " + format +
                 ", che Gestione Dorvi non legge direttamente. Aprirlo nel foglio di calcolo e salvarlo come CSV: "
                 "in LibreOffice Calc «File → Salva con nome…», tipo «Testo CSV (.csv)», set di caratteri "
                 "«Unicode (UTF-8)»; in Excel «File → Salva con nome», tipo «CSV UTF-8 (delimitato da virgole)». "
                 "Poi importare il file .csv; la prima riga deve avere i nomi dei campi.");
}

bool has(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

RecognisedSource zipArchive(const std::string& path)
{
    const std::vector<std::string> members = zipMembers(path);
    if (has(members, "tellico.xml"))
        return {SourceKind::TellicoZip, path};
    if (has(members, "xl/workbook.xml"))
        spreadsheet(path, "di Excel (.xlsx)");
    if (has(members, "content.xml") && has(members, "mimetype"))
        spreadsheet(path, "OpenDocument (.ods)");
    unknown(path, "è un archivio zip che non contiene un catalogo");
}

RecognisedSource xmlDocument(const std::string& path)
{
    const std::string root = xmlRootName(path);
    if (root == "tellico" || root == "bookcase")
        return {SourceKind::TellicoXml, path};
    if (root == "collection")
        return {SourceKind::Gcstar, path};
    unknown(path, "è un documento XML che non è né di Tellico né di GCstar");
}

} // namespace

RecognisedSource recogniseSource(const std::string& path)
{
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status))
        refuseSource("Il file " + quoted(path) + " non esiste.");
    if (fs::is_directory(status)) {
        const fs::path metadata = fs::path(path) / "metadata.db";
        if (!fs::exists(metadata))
            unknown(path, "è una cartella, ma non una biblioteca di calibre (non contiene metadata.db)");
        return recogniseSource(metadata.string());
    }
    std::ifstream in(path, std::ios::binary);
    std::string head(512, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    if (!in && !in.eof())
        refuseSource("Impossibile leggere il file " + quoted(path) + ".");
    if (head.empty())
        refuseSource("Il file " + quoted(path) + " è vuoto.");
    if (head.starts_with(std::string("SQLite format 3\0", 16))) {
        if (isCalibreLibrary(path))
            return {SourceKind::Calibre, path};
        if (isDorviCatalogue(path))
            return {SourceKind::Catalogue, path};
        unknown(path, "è un database SQLite ma né una biblioteca di calibre né un catalogo (non ha la tabella dorvi)");
    }
    if (head.size() > 19 && (head.substr(4, 15) == "Standard Jet DB" || head.substr(4, 15) == "Standard ACE DB"))
        return {SourceKind::Access, path};
    if (head.starts_with("PK\x03\x04"))
        return zipArchive(path);
    if (head.starts_with("\xD0\xCF\x11\xE0"))
        spreadsheet(path, "di Excel 97-2003 (.xls)");
    std::string_view text(head);
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    if (text.starts_with('<'))
        return xmlDocument(path);
    if (head.find('\0') != std::string::npos)
        unknown(path, "non è un file di testo");
    if (beginsAsIsbnList(head))
        return {SourceKind::IsbnList, path};
    return {SourceKind::Delimited, path};
}

std::unique_ptr<BookSource> openSource(const RecognisedSource& source, const std::vector<std::string>& columns,
                                       const std::vector<std::pair<std::string, std::string>>& mapped,
                                       const std::atomic<bool>* stop)
{
    switch (source.kind) {
    case SourceKind::Delimited:
        return std::make_unique<DelimitedSource>(source.path, columns, mapped);
    case SourceKind::Calibre:
        return std::make_unique<CalibreSource>(source.path, stop);
    case SourceKind::Catalogue:
        return std::make_unique<CatalogueSource>(source.path, columns, stop);
    case SourceKind::TellicoZip:
    case SourceKind::TellicoXml:
        return std::make_unique<TellicoSource>(source.path, source.kind == SourceKind::TellicoZip);
    case SourceKind::Gcstar:
        return std::make_unique<GcstarSource>(source.path);
    case SourceKind::IsbnList:
        refuseSource("Il file " + quoted(source.path) +
                     " è un elenco di ISBN: i suoi libri si cercano nei cataloghi bibliografici e si aggiungono "
                     "con Strumenti › «Aggiungi da ISBN…» o con dorvi-import --aggiungi " + source.path +
                     " CATALOGO.");
    case SourceKind::Access:
        break;
    }
    refuseSource("Un catalogo di Access (" + quoted(source.path) +
                 ") si converte con dorvi-import: dorvi-import ORIGINE.mdb NUOVO.mdb ne fa un catalogo nuovo, "
                 "dorvi-import --aggiungi ORIGINE.mdb CATALOGO ne aggiunge i libri a un catalogo in uso. Il "
                 "catalogo convertito si può poi importare anche qui.");
}

} // namespace bookimport
