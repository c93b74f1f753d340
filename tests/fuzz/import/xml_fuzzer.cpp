// Fuzzes the XML sources: a Tellico collection (plain, or as tellico.xml in a
// .tc archive) and a GCstar one, the first byte choosing which. Whatever the
// XML, with its own DTD and entities, every value comes out as UTF-8 of at most
// the 1 MiB a value keeps, or the file is refused in Italian.
#include "fuzzfile.h"
#include "tellicosource.h"
#include "xmlfeed.h"

#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

std::string zipped(std::string_view xml)
{
    const std::string path = fuzzfile::write({}, ".tc");
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        fuzzfile::fail("zip_open");
    zip_source_t* source = zip_source_buffer(archive, xml.data(), xml.size(), 0);
    if (!source || zip_file_add(archive, "tellico.xml", source, ZIP_FL_ENC_UTF_8) < 0 || zip_close(archive) != 0)
        fuzzfile::fail("zip");
    return path;
}

std::unique_ptr<bookimport::BookSource> open(std::uint8_t kind, std::string_view xml)
{
    switch (kind % 3) {
    case 0:
        return std::make_unique<bookimport::TellicoSource>(fuzzfile::write(xml, ".xml"), false);
    case 1:
        return std::make_unique<bookimport::TellicoSource>(zipped(xml), true);
    default:
        return std::make_unique<bookimport::GcstarSource>(fuzzfile::write(xml, ".gcs"));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    try {
        const std::unique_ptr<bookimport::BookSource> source =
            open(data[0], {reinterpret_cast<const char*>(data) + 1, size - 1});
        fuzzfile::readAll(*source, bookimport::valueLimit, true);
    } catch (const catalogue::Error&) {
    }
    return 0;
}
