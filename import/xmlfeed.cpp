// XML read in slices from a file or a zip member: no value longer than
// valueLimit is kept, and a member that expands beyond what a collection does is
// refused before it fills the memory.
#include "xmlfeed.h"

#include "importfailure.h"

#include <zip.h>

#include <algorithm>

namespace bookimport {

namespace {

constexpr std::size_t sliceBytes = 1 << 20;

// Tellico's XML packs about 10 to 1 (20 to 1 for a list of near-identical
// books); 100 to 1 past the first 8 MiB is no collection but a bomb: 1 MB of
// zip expanding to a GiB of spaces took 2 GB and 30 s.
constexpr long long zipRatioLimit = 100;

// The reader holds a text in full, twice its bytes, until the text ends: 1 GiB of
// spaces in one title took 2 GB. Past this much of the file without one token
// the file is refused; a value is kept to valueLimit anyway.
constexpr std::size_t tokenBytesLimit = 8 << 20;

// An entity of the document's own DTD may stand for this many characters at
// most (the reader's default is 4,096): a few KB of "&a;" expanded into a title
// of 80 MB. Collections of books declare no entities of their own.
constexpr int entityExpansionLimit = 256;
constexpr long long zipRatioFreeBytes = 8 << 20;

struct ZipArchive {
    zip_t* archive = nullptr;
    explicit ZipArchive(const std::string& path)
    {
        int error = 0;
        archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    }
    ~ZipArchive()
    {
        if (archive)
            zip_discard(archive);
    }
};

} // namespace

// Slices of the file or of the archive's member.
class XmlFeed::Stream {
public:
    Stream(const std::string& path, const std::string& member) : m_zip(member.empty() ? "" : path)
    {
        if (member.empty()) {
            m_file = std::fopen(path.c_str(), "rb");
            if (!m_file)
                refuseSource("Impossibile leggere il file " + quoted(path) + ".");
            return;
        }
        if (!m_zip.archive || !(m_member = zip_fopen(m_zip.archive, member.c_str(), 0)))
            refuseSource("Impossibile leggere " + quoted(member) + " nell'archivio " + quoted(path) + ".");
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat(m_zip.archive, member.c_str(), 0, &stat) == 0 && (stat.valid & ZIP_STAT_COMP_SIZE))
            m_expandedLimit = std::max<long long>(zipRatioFreeBytes,
                                                  static_cast<long long>(stat.comp_size) * zipRatioLimit);
        m_what = quoted(member) + " nell'archivio " + quoted(path);
    }
    ~Stream()
    {
        if (m_file)
            std::fclose(m_file);
        if (m_member)
            zip_fclose(m_member);
    }
    // Bytes read, 0 at the end, -1 on a failure.
    long long read(char* into, std::size_t size)
    {
        if (m_file) {
            const std::size_t got = std::fread(into, 1, size, m_file);
            return std::ferror(m_file) ? -1 : static_cast<long long>(got);
        }
        const long long got = zip_fread(m_member, into, size);
        m_expanded += std::max<long long>(got, 0);
        if (m_expandedLimit && m_expanded > m_expandedLimit) {
            refuseSource("Il file " + m_what + " si espande oltre " + std::to_string(zipRatioLimit) +
                         " volte la sua misura compressa: nessuna raccolta vera lo fa, e leggerlo riempirebbe la "
                         "memoria. L'archivio è danneggiato o costruito apposta; non è stato importato nulla.");
        }
        return got;
    }

private:
    std::string m_what;
    long long m_expanded = 0;
    long long m_expandedLimit = 0; ///< 0: no limit known
    std::FILE* m_file = nullptr;
    ZipArchive m_zip;
    zip_file_t* m_member = nullptr;
};

XmlFeed::XmlFeed(std::string path, std::string member)
    : m_path(std::move(path)), m_member(std::move(member))
{
    restart();
}

XmlFeed::~XmlFeed() = default;

void XmlFeed::restart()
{
    m_stream.reset();
    m_stream = std::make_unique<Stream>(m_path, m_member);
    m_reader.clear();
    m_reader.setEntityExpansionLimit(entityExpansionLimit);
    m_fedSinceToken = 0;
}

bool XmlFeed::feed()
{
    QByteArray slice(static_cast<qsizetype>(sliceBytes), Qt::Uninitialized);
    const long long got = m_stream->read(slice.data(), sliceBytes);
    if (got < 0)
        refuseSource("Impossibile leggere il file " + quoted(m_path) + ".");
    if (got == 0)
        return false;
    slice.truncate(static_cast<qsizetype>(got));
    m_fedSinceToken += static_cast<std::size_t>(got);
    if (m_fedSinceToken > tokenBytesLimit) {
        refuseSource("Il file " + quoted(m_path) + " ha, dalla riga " + std::to_string(m_reader.lineNumber()) +
                     ", un testo di oltre " + std::to_string(tokenBytesLimit >> 20) +
                     " MiB senza un solo elemento: nessuna raccolta ne ha. Il file è danneggiato o costruito "
                     "apposta; non è stato importato nulla.");
    }
    m_reader.addData(slice);
    return true;
}

QXmlStreamReader::TokenType XmlFeed::next()
{
    for (;;) {
        const QXmlStreamReader::TokenType token = m_reader.readNext();
        if (token != QXmlStreamReader::Invalid) {
            m_fedSinceToken = 0;
            return token;
        }
        if (m_reader.error() == QXmlStreamReader::PrematureEndOfDocumentError && feed())
            continue;
        if (m_reader.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
            refuseSource("Il file " + quoted(m_path) + " finisce a metà (riga " +
                         std::to_string(m_reader.lineNumber()) +
                         "): è stato troncato. Esportarlo di nuovo per intero.");
        }
        refuseSource("Il file " + quoted(m_path) + " non è XML ben formato alla riga " +
                     std::to_string(m_reader.lineNumber()) + ": " + m_reader.errorString().toStdString() + ".");
    }
}

namespace {

// The pieces of one text as the reader gives them, a token for each reference
// (a million "&lt;" are a million pieces), made UTF-8 once at its end: a piece
// made UTF-8 on its own took twice the time of an ordinary comment. Never more
// than one past valueLimit UTF-16 units are kept, and those are more than
// valueLimit bytes.
class GatheredText {
public:
    void add(QStringView piece)
    {
        if (m_text.size() <= limitUnits)
            m_text += piece.left(limitUnits + 1 - m_text.size());
    }
    void clear() { m_text.clear(); }
    // The text in UTF-8, kept to `limit` bytes (`cut` set when cut), and no more.
    std::string take(std::size_t limit, bool& cut)
    {
        std::string text;
        if (!appendWithin(text, m_text.toStdString(), limit))
            cut = true;
        m_text.clear();
        return text;
    }

private:
    static constexpr qsizetype limitUnits = static_cast<qsizetype>(valueLimit);
    QString m_text;
};

} // namespace

std::string XmlFeed::elementText()
{
    GatheredText text;
    m_cut = false;
    for (int depth = 1; depth > 0;) {
        switch (next()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            text.add(m_reader.text());
            break;
        default:
            break;
        }
    }
    return text.take(valueLimit, m_cut);
}

std::vector<std::string> XmlFeed::leafTexts()
{
    std::vector<std::string> leaves;
    GatheredText text;
    std::size_t kept = 0; // by the leaves so far
    m_cut = false;
    bool leaf = true; // the element itself, until a child starts
    for (int depth = 1; depth > 0;) {
        switch (next()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            leaf = true;
            text.clear(); // what the parent held before this child is no leaf's
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            if (leaf) {
                std::string value = text.take(valueLimit - kept, m_cut);
                if (value.find_first_not_of(" \t\r\n") != std::string::npos) {
                    kept += value.size();
                    leaves.push_back(std::move(value));
                }
            }
            leaf = false;
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            if (leaf)
                text.add(m_reader.text());
            break;
        default:
            break;
        }
    }
    return leaves;
}

bool appendWithin(std::string& text, std::string_view piece, std::size_t limit)
{
    const std::size_t room = limit > text.size() ? limit - text.size() : 0;
    if (piece.size() <= room) {
        text += piece;
        return true;
    }
    std::size_t end = room;
    while (end > 0 && (static_cast<unsigned char>(piece[end]) & 0xC0) == 0x80)
        --end;
    text += piece.substr(0, end);
    return false;
}

std::vector<std::string> zipMembers(const std::string& path)
{
    const ZipArchive zip(path);
    std::vector<std::string> names;
    if (!zip.archive)
        return names;
    const zip_int64_t count = zip_get_num_entries(zip.archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        if (const char* name = zip_get_name(zip.archive, static_cast<zip_uint64_t>(i), 0))
            names.emplace_back(name);
    }
    return names;
}

} // namespace bookimport
