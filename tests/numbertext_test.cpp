// Numbers written as text, as the grid, the card and the import all read them: the
// forms people and other programs write, and the texts that only look like numbers.
#include "numbertext.h"

#include <gtest/gtest.h>

using catalogue::numberValue;
using catalogue::Value;

namespace {

struct Reading {
    const char* name;
    const char* text;
    std::optional<Value> value;
};

class NumberText : public ::testing::TestWithParam<Reading> {};

TEST_P(NumberText, ReadsAsItsValueOrAsNoNumber)
{
    EXPECT_EQ(numberValue(GetParam().text), GetParam().value) << "«" << GetParam().text << "»";
}

const Reading readings[] = {
    {"year", "1840", Value{std::int64_t{1840}}},
    {"before_christ", "-44", Value{std::int64_t{-44}}},
    {"plus_sign", "+2,5", Value{2.5}},
    {"decimal_comma", "12,50", Value{12.5}},
    {"decimal_point", "12.50", Value{12.5}},
    {"blanks_around", " \t282\r\n", Value{std::int64_t{282}}},
    {"leading_zeros", "007", Value{std::int64_t{7}}},
    {"exponent", "1e3", Value{1000.0}},
    {"past_64_bits", "99999999999999999999", Value{1e20}},
    {"words", "circa 1840", std::nullopt},
    {"title", "Il buio oltre la siepe", std::nullopt},
    {"letter_after", "12bis", std::nullopt},
    {"thousands_and_decimals", "1.234,5", std::nullopt},
    {"two_commas", "1,2,3", std::nullopt},
    {"two_signs", "+-5", std::nullopt},
    {"sign_alone", "-", std::nullopt},
    {"inner_space", "1 000", std::nullopt},
    {"hexadecimal", "0x1A", std::nullopt},
    {"infinity", "inf", std::nullopt},
    {"not_a_number", "nan", std::nullopt},
    {"overflowing", "1e400", std::nullopt},
    {"empty", "", std::nullopt},
    {"blank", "   ", std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Texts, NumberText, ::testing::ValuesIn(readings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NumberText, TheRefusalQuotesTheTextAndShowsTheComma)
{
    const std::string refusal = catalogue::numberRefusal("circa 1840");
    EXPECT_NE(refusal.find("«circa 1840» non è un numero"), std::string::npos);
    EXPECT_NE(refusal.find("12,50"), std::string::npos);
}

} // namespace
