#pragma once

// Shared by the import's fuzz targets: the input put in a file of the fuzzer's
// own (the sources read files), and the checks every book read must pass.
#include "booksource.h"
#include "error.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <unistd.h>

namespace fuzzfile {

// A file of this process's own, holding `bytes`; the same name each run.
inline std::string write(std::string_view bytes, const std::string& extension)
{
    static const std::string folder = std::filesystem::temp_directory_path().string();
    const std::string path = folder + "/dorvi-fuzz-" + std::to_string(::getpid()) + extension;
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

[[noreturn]] inline void fail(const char* what, const std::string& detail = {})
{
    std::fprintf(stderr, "%s %s\n", what, detail.c_str());
    std::abort();
}

// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or code
// points past U+10FFFF).
inline bool validUtf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        std::size_t length = byte < 0x80 ? 1 : byte >= 0xC2 && byte <= 0xDF ? 2 : byte >= 0xE0 && byte <= 0xEF ? 3
                             : byte >= 0xF0 && byte <= 0xF4 ? 4 : 0;
        if (length == 0 || at + length > text.size())
            return false;
        char32_t code = length == 1 ? byte : byte & (0x7F >> length);
        for (std::size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(text[at + i]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        at += length;
    }
    return true;
}

// Reads every book of `source`, checking what any source promises: one value or
// none for each of its columns, each value no longer than `limit` and, when
// `utf8`, valid UTF-8. A refusal (catalogue::Error) is a fine answer to a bad file.
inline void readAll(bookimport::BookSource& source, std::size_t limit, bool utf8)
{
    bookimport::SourceBook book;
    while (source.next(book)) {
        if (book.values.size() != source.columns().size())
            fail("a book with", std::to_string(book.values.size()) + " values");
        for (const auto& value : book.values) {
            if (!value)
                continue;
            if (value->size() > limit)
                fail("a value of", std::to_string(value->size()) + " bytes");
            if (utf8 && !validUtf8(*value))
                fail("a value not UTF-8:", *value);
        }
    }
}

} // namespace fuzzfile
