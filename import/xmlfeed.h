#pragma once

#include <QXmlStreamReader>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace bookimport {

// XML read in slices from a file or from a member of a zip archive, so a file of
// any size takes the same memory. Can be read again from its start.
class XmlFeed {
public:
    // The plain XML file at `path`, or, when `member` is given, that member of
    // the zip archive at `path`. Throws catalogue::Error when it cannot be read.
    XmlFeed(std::string path, std::string member = {});
    ~XmlFeed();
    XmlFeed(const XmlFeed&) = delete;
    XmlFeed& operator=(const XmlFeed&) = delete;

    // The next token; feeds the reader as it runs out. Throws catalogue::Error
    // for XML that is not well formed, naming the line.
    QXmlStreamReader::TokenType next();
    QXmlStreamReader& reader() { return m_reader; }
    // The text of the element just started, its children's text included.
    // Beyond valueLimit bytes the rest is read past and left out; wasCut() says so.
    std::string elementText();
    // The texts of the innermost elements inside the element just started, in
    // order: the authors of <authors><author>A</author><author>B</author>. All
    // together at most valueLimit bytes, as elementText.
    std::vector<std::string> leafTexts();
    // Whether the last elementText() or leafTexts() left text out.
    bool wasCut() const { return m_cut; }
    // Back to the start of the document.
    void restart();
    const std::string& path() const { return m_path; }

private:
    class Stream;
    bool feed();

    bool m_cut = false;
    std::size_t m_fedSinceToken = 0; ///< bytes given to the reader since it last gave a token
    std::string m_path;
    std::string m_member;
    std::unique_ptr<Stream> m_stream;
    QXmlStreamReader m_reader;
};

// The most a value read from XML keeps, the size of the slices the file is read
// in: no title or note of a real collection comes near it, and a file of nested
// entities that expands a few KB into a title of 80 MB keeps only this much.
constexpr std::size_t valueLimit = 1 << 20;

// Adds `piece` to `text` up to `limit` bytes in all, never cutting a letter in
// two. Returns false when something was left out.
bool appendWithin(std::string& text, std::string_view piece, std::size_t limit);

// The names of the members of a zip archive; empty when `path` is not one.
std::vector<std::string> zipMembers(const std::string& path);

} // namespace bookimport
