#pragma once

#include <QXmlStreamReader>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
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
    std::string elementText();
    // The texts of the innermost elements inside the element just started, in
    // order: the authors of <authors><author>A</author><author>B</author>.
    std::vector<std::string> leafTexts();
    // Back to the start of the document.
    void restart();
    const std::string& path() const { return m_path; }

private:
    class Stream;
    bool feed();

    std::string m_path;
    std::string m_member;
    std::unique_ptr<Stream> m_stream;
    QXmlStreamReader m_reader;
};

// The names of the members of a zip archive; empty when `path` is not one.
std::vector<std::string> zipMembers(const std::string& path);

} // namespace bookimport
