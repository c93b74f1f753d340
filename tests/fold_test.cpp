// The folding rules under which the searches, the quick filter and the sort compare
// letters: pairs of texts a reader expects to match or not, every code point
// checked against the rules' own laws, and damaged UTF-8.
#include "fold.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace catalogue;

namespace {

struct FoldCase {
    const char* name;
    std::string a;
    std::string b;
    bool sameIgnoringCase;    ///< Jet's "=" rule
    bool sameIgnoringAccents; ///< the quick filter's rule
};

class FoldPairs : public ::testing::TestWithParam<FoldCase> {};

TEST_P(FoldPairs, MatchAsAReaderExpects)
{
    const FoldCase& c = GetParam();
    EXPECT_EQ(foldCase(c.a) == foldCase(c.b), c.sameIgnoringCase) << foldCase(c.a) << " / " << foldCase(c.b);
    EXPECT_EQ(foldCaseAndAccents(c.a) == foldCaseAndAccents(c.b), c.sameIgnoringAccents)
        << foldCaseAndAccents(c.a) << " / " << foldCaseAndAccents(c.b);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FoldPairs,
    ::testing::Values(
        FoldCase{"ascii_capitals", "ALESSANDRO MANZONI", "Alessandro Manzoni", true, true},
        FoldCase{"italian_capitals", "NICCOLÒ MACHIAVELLI", "Niccolò Machiavelli", true, true},
        FoldCase{"leading_accented_capital", "È primavera", "è primavera", true, true},
        FoldCase{"every_italian_accent", "ÀÈÉÌÒÙ", "àèéìòù", true, true},
        FoldCase{"accent_against_none", "e", "è", false, true},
        FoldCase{"grave_against_acute", "perchè", "perché", false, true},
        FoldCase{"plain_finds_accented", "niccolo", "Niccolò", false, true},
        FoldCase{"accented_finds_plain", "Niccolò", "NICCOLO", false, true},
        FoldCase{"spaces_count", "Dante ", "dante", false, false},
        FoldCase{"inner_spaces_count", "Italo  Calvino", "italo calvino", false, false},
        FoldCase{"apostrophe", "D'ANNUNZIO", "d'Annunzio", true, true},
        FoldCase{"latin_extended_a", "ŁÓDŹ ŻÓŁĆ", "łódź żółć", true, true},
        FoldCase{"stroke_against_plain", "Łódź", "lodz", false, true},
        FoldCase{"latin_extended_b", "ȘTEFAN ƠN", "ștefan ơn", true, true},
        FoldCase{"titlecase_digraph", "ǅ", "Ǆǆ", false, false},
        FoldCase{"digraph_forms", "ǅǄ", "ǆǆ", true, true},
        FoldCase{"greek", "ΟΔΥΣΣΕΙΑ", "οδυσσεια", true, true},
        FoldCase{"greek_final_sigma", "ΟΜΗΡΟΣ", "ομηρος", true, true},
        FoldCase{"greek_tonos", "ΆΣΤΡΟ", "άστρο", true, true},
        FoldCase{"greek_tonos_against_none", "αστρο", "άστρο", false, true},
        FoldCase{"cyrillic", "ПУШКИН", "пушкин", true, true},
        FoldCase{"cyrillic_yo", "ЁЛКА", "ёлка", true, true},
        FoldCase{"cyrillic_yo_against_ye", "ёлка", "елка", false, true},
        FoldCase{"sharp_s", "STRASSE", "straße", false, true},
        FoldCase{"capital_sharp_s", "ẞ", "ß", true, true},
        FoldCase{"kelvin_sign", "\u212A", "k", true, true},
        FoldCase{"long_s", "ſ", "S", true, true},
        FoldCase{"dotted_capital_i", "İ", "i", false, true},
        FoldCase{"combining_accent", "Niccolo\u0300", "Niccolò", false, true},
        FoldCase{"ligature", "ﬁore", "FIORE", false, true},
        FoldCase{"full_width", "ＤＡＮＴＥ", "dante", false, true},
        FoldCase{"ae_ligature", "Æneas", "aeneas", false, true},
        FoldCase{"different_words", "Dante", "Dente", false, false},
        FoldCase{"empty", "", "", true, true}),
    [](const auto& info) { return info.param.name; });

// Damaged bytes stay as they are and never swallow the text around them.
struct DamagedCase {
    const char* name;
    std::string text;
    std::string folded;
};

class DamagedUtf8 : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedUtf8, KeepsBytesAndFoldsTheRest)
{
    const DamagedCase& c = GetParam();
    EXPECT_EQ(foldCase(c.text), c.folded);
    EXPECT_EQ(foldCaseAndAccents(c.text), foldCaseAndAccents(c.folded));
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, DamagedUtf8,
    ::testing::Values(DamagedCase{"lone_lead", "A\xC3", "a\xC3"},
                      DamagedCase{"lead_then_ascii", "\xC3" "AB", "\xC3" "ab"},
                      DamagedCase{"lone_continuation", "\x88X", "\x88x"},
                      DamagedCase{"overlong_slash", "\xC0\xAF" "A", "\xC0\xAF" "a"},
                      DamagedCase{"overlong_three", "\xE0\x80\xAF", "\xE0\x80\xAF"},
                      DamagedCase{"surrogate", "\xED\xA0\x80" "È", "\xED\xA0\x80" "è"},
                      DamagedCase{"past_unicode", "\xF4\x90\x80\x80Z", "\xF4\x90\x80\x80z"},
                      DamagedCase{"truncated_at_end", "È\xE2\x82", "è\xE2\x82"},
                      DamagedCase{"truncated_before_letter", "\xE2\x82" "È", "\xE2\x82" "è"},
                      DamagedCase{"invalid_byte", "\xFF\xFE" "Ò", "\xFF\xFE" "ò"},
                      DamagedCase{"latin1_not_utf8", "Niccol\xD2", "niccol\xD2"},
                      DamagedCase{"nul_inside", std::string("A\0B", 3), std::string("a\0b", 3)}),
    [](const auto& info) { return info.param.name; });

std::string utf8(char32_t c)
{
    std::string out;
    appendUtf8(out, c);
    return out;
}

bool isScalarValue(char32_t c)
{
    return c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF);
}

// The laws the searches rely on, for every code point: a fold is its own fold, the
// text fold agrees with the code point fold, and ignoring accents also ignores case.
TEST(FoldLaws, HoldForEveryCodePoint)
{
    int broken = 0;
    // Planes 0 and 1 hold every letter with a case.
    for (char32_t c = 0; c <= 0x1FFFF && broken < 10; ++c) {
        if (!isScalarValue(c))
            continue;
        const std::string text = utf8(c);
        const Utf8Char read = readUtf8(text, 0);
        const bool ok = read.valid && read.value == c && read.length == text.size() &&
                        foldCase(foldCase(c)) == foldCase(c) && foldCase(text) == utf8(foldCase(c)) &&
                        foldCaseAndAccents(foldCaseAndAccents(text)) == foldCaseAndAccents(text) &&
                        foldCaseAndAccents(foldCase(text)) == foldCaseAndAccents(text);
        if (!ok) {
            ++broken;
            ADD_FAILURE() << "U+" << std::hex << static_cast<std::uint32_t>(c);
        }
    }
}

TEST(FoldLaws, CaseVariantsAreExactlyTheLettersFoldingAlike)
{
    for (char32_t c : {U'a', U'È', U'ò', U'Σ', U'Ж', U'ǅ', U'\u2C65', U'1', U' '}) {
        const std::vector<char32_t> variants = caseVariants(c);
        EXPECT_TRUE(std::is_sorted(variants.begin(), variants.end()));
        EXPECT_NE(std::find(variants.begin(), variants.end(), c), variants.end());
        for (char32_t v : variants)
            EXPECT_EQ(foldCase(v), foldCase(c));
    }
    EXPECT_EQ(caseVariants(U'k'), (std::vector<char32_t>{U'K', U'k', U'\u212A'}));
    EXPECT_EQ(caseVariants(U'S'), (std::vector<char32_t>{U'S', U's', U'ſ'}));
    EXPECT_EQ(caseVariants(U'ς'), (std::vector<char32_t>{U'Σ', U'ς', U'σ'}));
    EXPECT_EQ(caseVariants(U'è'), (std::vector<char32_t>{U'È', U'è'}));
    EXPECT_EQ(caseVariants(U'e'), (std::vector<char32_t>{U'E', U'e'}));
    EXPECT_EQ(caseVariants(U' '), (std::vector<char32_t>{U' '}));
}

TEST(FoldKeys, AppendingReusesTheBuffer)
{
    std::string key = "x|";
    appendFoldCaseAndAccents(key, "Niccolò");
    appendFoldCaseAndAccents(key, "|È");
    EXPECT_EQ(key, "x|niccolo|e");
}

} // namespace

// The quick filter's key leaves out what joins or marks the parts of a name, in
// its plain and its typographic forms; the other folds keep it.
TEST(FoldKeys, FilterLeavesOutApostrophesHyphensAndDots)
{
    const std::pair<const char*, const char*> same[] = {
        {"D'Annunzio", "dannunzio"},       {"L\u2019amica geniale", "lamica geniale"},
        {"J.R.R. Tolkien", "jrr tolkien"}, {"Pier-Paolo", "PIERPAOLO"},
        {"Pier\u2010Paolo", "pierpaolo"},  {"Ella\u00B7la", "ellala"},
        {"N\u00CDCCOL\u00D2", "niccolo"},
    };
    for (const auto& [stored, typed] : same)
        EXPECT_EQ(filterFold(stored), filterFold(typed)) << stored;
    EXPECT_EQ(filterFold("Roma - Parigi"), "roma  parigi") << "the spaces around a dash stay";
    EXPECT_EQ(filterFold("a'\xff-b"), "a\xff" "b") << "a damaged byte stays, the marks around it go";
    EXPECT_NE(foldCaseAndAccents("D'Annunzio"), foldCaseAndAccents("dannunzio")) << "sorting keeps them apart";
    std::string buffer = "x";
    appendFilterFold(buffer, "d'a");
    EXPECT_EQ(buffer, "xda");
}

// The duplicate rule reads a leading "L'" whatever apostrophe it is typed with,
// each as the plain one; every one of them the filter leaves out too.
TEST(FoldKeys, ApostrophesMadePlainAreThoseTheFilterLeavesOut)
{
    for (char32_t c = 1; c < 0x3000; ++c) {
        std::string text = "l";
        appendUtf8(text, c);
        if (isApostrophe(c))
            EXPECT_EQ(filterFold(text), "l") << "U+" << std::hex << static_cast<unsigned>(c);
    }
    std::string key = "x|";
    appendFoldWithPlainApostrophes(key, "L\u2018Odissea, L\u02BCIliade, Un`altra, d\u2019\xff\u00C8");
    EXPECT_EQ(key, "x|l'odissea, l'iliade, un'altra, d'\xff" "e");
    key.clear();
    appendFoldWithPlainApostrophes(key, "L`Odissea");
    EXPECT_EQ(key, "l'odissea") << "ASCII text";
}
