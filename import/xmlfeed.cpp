// XML read in slices from a file or a zip member, so any size takes the same
// memory; bad XML is refused naming its line.
#include "xmlfeed.h"

#include "importfailure.h"

#include <zip.h>

namespace bookimport {

namespace {

constexpr std::size_t sliceBytes = 1 << 20;

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
        return zip_fread(m_member, into, size);
    }

private:
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
    m_reader.addData(slice);
    return true;
}

QXmlStreamReader::TokenType XmlFeed::next()
{
    for (;;) {
        const QXmlStreamReader::TokenType token = m_reader.readNext();
        if (token != QXmlStreamReader::Invalid)
            return token;
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

std::string XmlFeed::elementText()
{
    std::string text;
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
            text += m_reader.text().toString().toStdString();
            break;
        default:
            break;
        }
    }
    return text;
}

std::vector<std::string> XmlFeed::leafTexts()
{
    std::vector<std::string> leaves;
    std::string text;
    bool leaf = true; // the element itself, until a child starts
    for (int depth = 1; depth > 0;) {
        switch (next()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            leaf = true;
            text.clear();
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            if (leaf && !text.empty() && text.find_first_not_of(" \t\r\n") != std::string::npos)
                leaves.push_back(text);
            leaf = false;
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            if (leaf)
                text += m_reader.text().toString().toStdString();
            break;
        default:
            break;
        }
    }
    return leaves;
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
