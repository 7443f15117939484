#include "runtime/split_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tavr {
namespace {

struct SplitCase {
    std::string name;
    std::string text;
    std::optional<std::string> delimiter;
    std::optional<std::int32_t> maximum;
    TextArray expected;
};

TEST(SplitTextTest, GivesThePieces) {
    const SplitCase cases[] = {
        SplitCase{"EmptyText", "", "//", std::nullopt, {}},
        SplitCase{"CommaByDefault", "1,2,3", std::nullopt, std::nullopt, {"1", "2", "3"}},
        SplitCase{"InnerEmptyPiecesStay", "a//b////c//", "//", std::nullopt, {"a", "b", "", "c"}},
        SplitCase{"LeadingEmptyPieceStays", "//x", "//", std::nullopt, {"", "x"}},
        SplitCase{"TrailingEmptyPieceDropped", "x//", "//", std::nullopt, {"x"}},
        SplitCase{"OnlyDelimiters", ",,", ",", std::nullopt, {"", ""}},
        SplitCase{"NoDelimiterFound", "abc", ",", std::nullopt, {"abc"}},
        SplitCase{"EmptyDelimiterGivesWholeText", "a,b", "", std::nullopt, {"a,b"}},
        SplitCase{"MaximumDropsTheRest", "a,b,c", ",", 2, {"a", "b"}},
        SplitCase{"MaximumOneWithoutDelimiter", "abc", ",", 1, {"abc"}},
        SplitCase{"MaximumAboveCountKeepsAll", "a,b", ",", 5, {"a", "b"}},
        SplitCase{"MaximumZeroGivesNothing", "a,b", ",", 0, {}},
        SplitCase{"NegativeMaximumCountsAsZero", "a,b", ",", -3, {}},
        SplitCase{"DelimiterLongerThanText", "a", "long", std::nullopt, {"a"}},
        SplitCase{"MultiByteTexts", "电压//电流//", "//", std::nullopt, {"电压", "电流"}},
        SplitCase{"MultiByteDelimiter", "1，2，3", "，", std::nullopt, {"1", "2", "3"}},
        // The last two bytes of 中 (E4 B8 AD) must not be taken for a delimiter.
        SplitCase{"NoSplitInsideACharacter", "中", "\xB8\xAD", std::nullopt, {"中"}},
        // A character cut short does not swallow the delimiter after it.
        SplitCase{"BrokenCharacterBeforeDelimiter", "a\xE4,b", ",", std::nullopt, {"a\xE4", "b"}},
        SplitCase{"BrokenCharacterAtEnd", "a,\xE4\xB8", ",", std::nullopt, {"a", "\xE4\xB8"}},
    };
    for (const SplitCase& c : cases) {
        const std::optional<std::string_view> delimiter =
            c.delimiter ? std::optional<std::string_view>(*c.delimiter) : std::nullopt;
        EXPECT_EQ(SplitText(c.text, delimiter, c.maximum), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace tavr
