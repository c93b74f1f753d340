// Fuzzes the conversion of calibre's, Tellico's and GCstar's HTML comments to
// plain text: never longer than what it was made from (a tag or a reference
// only shrinks), text without a tag comes back as it was, valid UTF-8 stays
// valid, and the work grows with the text (libFuzzer's -timeout flags an input
// that makes it crawl, as a million '&' once did).
#include "fuzzfile.h"
#include "htmltext.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string html(reinterpret_cast<const char*>(data), size);
    const std::string text = bookimport::plainText(html);
    if (text.size() > html.size())
        fuzzfile::fail("the text grew to", std::to_string(text.size()) + " bytes");
    if (html.find('<') == std::string::npos && text != html)
        fuzzfile::fail("text without a tag changed:", text);
    if (fuzzfile::validUtf8(html) && !fuzzfile::validUtf8(text))
        fuzzfile::fail("the text is no longer UTF-8:", text);
    return 0;
}
