// Values quoted in messages: cut on a character's boundary, however long the value
// or its characters, and set apart so that no direction mark inside one reaches
// the sentence around it (checked with ICU's own bidirectional algorithm).
#include "booklabel.h"
#include "messagetext.h"

#include <unicode/ubidi.h>
#include <unicode/ustring.h>

#include <gtest/gtest.h>

using catalogue::quotedInMessage;

namespace {

const std::string fsi = "\u2068", pdi = "\u2069", ellipsis = "\u2026";

std::string repeated(std::string_view piece, std::size_t times)
{
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

std::u16string utf16(const std::string& utf8)
{
    std::u16string text(utf8.size() + 1, u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(reinterpret_cast<UChar*>(text.data()), static_cast<int32_t>(text.size()), &length, utf8.data(),
                  static_cast<int32_t>(utf8.size()), &status);
    text.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
    return text;
}

// The embedding level of every UTF-16 unit of `sentence`, an Italian sentence (a
// left-to-right paragraph), as the bidirectional algorithm lays it out.
std::vector<int> levels(const std::u16string& sentence)
{
    UErrorCode status = U_ZERO_ERROR;
    UBiDi* bidi = ubidi_open();
    ubidi_setPara(bidi, reinterpret_cast<const UChar*>(sentence.data()), static_cast<int32_t>(sentence.size()),
                  UBIDI_LTR, nullptr, &status);
    std::vector<int> result;
    for (int32_t i = 0; U_SUCCESS(status) && i < static_cast<int32_t>(sentence.size()); ++i)
        result.push_back(ubidi_getLevelAt(bidi, i));
    ubidi_close(bidi);
    return result;
}

} // namespace

TEST(QuotedInMessage, ShortValuesAreWholeBetweenIsolates)
{
    EXPECT_EQ(quotedInMessage("Il piacere"), fsi + "Il piacere" + pdi);
    EXPECT_EQ(quotedInMessage(repeated("a", 80)), fsi + repeated("a", 80) + pdi) << "80 characters fit";
    EXPECT_EQ(quotedInMessage(""), fsi + pdi);
}

TEST(QuotedInMessage, LongValuesAreCutBetweenCharactersAsTheUserSeesThem)
{
    EXPECT_EQ(quotedInMessage(repeated("a", 81)), fsi + repeated("a", 79) + ellipsis + pdi);
    // An e with a combining accent, a flag of two regional indicators, a hangul
    // syllable of three jamo, a thumb with its skin tone: each one character.
    for (const char* character : {"e\u0301", "\U0001F1EE\U0001F1F9", "\u1100\u1161\u11A8", "\U0001F44D\U0001F3FD"}) {
        SCOPED_TRACE(character);
        EXPECT_EQ(quotedInMessage(repeated(character, 200)), fsi + repeated(character, 79) + ellipsis + pdi);
        EXPECT_EQ(quotedInMessage(repeated(character, 80)), fsi + repeated(character, 80) + pdi);
    }
    EXPECT_EQ(quotedInMessage("ab" + repeated("\U0001F1EE", 3) + repeated("x", 80)),
              fsi + "ab\U0001F1EE\U0001F1EE\U0001F1EE" + repeated("x", 75) + ellipsis + pdi)
        << "the third indicator of a row starts a character of its own";
}

TEST(QuotedInMessage, HugeValuesCostOnlyTheirStart)
{
    // 100,000 emoji joined by zero-width joiners are one character to Unicode: the
    // cut keeps whole emoji and never ends on a joiner.
    const std::string family = repeated("\U0001F468\u200D", 100000) + "\U0001F468";
    const std::string quoted = quotedInMessage(family);
    EXPECT_LT(quoted.size(), 200u);
    ASSERT_TRUE(quoted.ends_with("\U0001F468" + ellipsis + pdi)) << quoted;
    EXPECT_EQ(quoted, fsi + repeated("\U0001F468\u200D", 15) + "\U0001F468" + ellipsis + pdi);

    const std::string zalgo = "Z" + repeated("\u0301", 100000) + "alto";
    EXPECT_EQ(quotedInMessage(zalgo), fsi + "Z" + repeated("\u0301", catalogue::longestCluster - 1) + ellipsis + pdi);

    const std::string megabyte = repeated("Il nome della rosa ", 55000);
    EXPECT_EQ(quotedInMessage(megabyte), fsi + megabyte.substr(0, 79) + ellipsis + pdi);
}

TEST(QuotedInMessage, BytesThatAreNotUtf8AreCutLikeCharacters)
{
    EXPECT_EQ(quotedInMessage(repeated("\xFF", 100)), fsi + repeated("\xFF", 79) + ellipsis + pdi);
    EXPECT_EQ(quotedInMessage("a\xE2\x82"), fsi + "a\xE2\x82" + pdi) << "a sequence cut short at the end";
}

TEST(QuotedInMessage, NoDirectionMarkInsideReachesTheSentence)
{
    const std::vector<std::string> titles = {
        "\u202E1 erotuA id «criboli",            // an override never closed
        "\u2069\u202Eesab",                     // a stray closing isolate, then an override
        "\u2067\u05E9\u05DC\u05D5\u05DD",       // a right-to-left isolate never closed
        "\u05E9\u05DC\u05D5\u05DD\n\u202Ex",    // a line break, which would start a paragraph
        "\u202B\u202B\u202D" + repeated("\u05D0", 100), // embeddings, and cut
    };
    for (const std::string& title : titles) {
        SCOPED_TRACE(title);
        const std::u16string before = u"Eliminare dal catalogo il libro «";
        const std::u16string after = u"» di Italo Calvino?";
        const std::u16string sentence = before + utf16(quotedInMessage(title)) + after;
        const std::vector<int> level = levels(sentence);
        ASSERT_EQ(level.size(), sentence.size());
        for (std::size_t i = 0; i < before.size(); ++i)
            EXPECT_EQ(level[i], 0) << "unit " << i;
        for (std::size_t i = sentence.size() - after.size(); i < sentence.size(); ++i)
            EXPECT_EQ(level[i], 0) << "unit " << i;
        EXPECT_EQ(utf16(quotedInMessage(title)).find_first_of(u"\n\r\u2029"), std::u16string::npos);
    }
}

TEST(BookLabel, QuotesTitleAndAuthorEachOnItsOwn)
{
    const std::vector<std::string> names = {"iddorvo", "Autore", "TITOLO"};
    using catalogue::Value;
    EXPECT_EQ(catalogue::bookLabel(names, {Value(std::int64_t{4}), Value(std::string("Dante")), Value(std::string("Commedia"))}),
              "«" + fsi + "Commedia" + pdi + "» di " + fsi + "Dante" + pdi);
    EXPECT_EQ(catalogue::bookLabel(names, {Value(std::string(200, 'k')), Value(), Value()}),
              "«n. " + fsi + std::string(79, 'k') + ellipsis + pdi + "»");
    EXPECT_EQ(catalogue::bookTitle(names, {Value(std::int64_t{4}), Value(std::string("Dante")), Value()}),
              "«senza titolo»");
}
