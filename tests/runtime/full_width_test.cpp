#include "runtime/full_width.h"

#include <gtest/gtest.h>

#include <string>

namespace tavr {
namespace {

struct NarrowCase {
    std::string name;
    std::string text;
    std::string expected;
};

TEST(NarrowFullWidthTest, ReplacesFullWidthForms) {
    const NarrowCase cases[] = {
        NarrowCase{"Digits", "０１２３４５６７８９", "0123456789"},
        NarrowCase{"PointAndSigns", "＋－．，", "+-.,"},
        NarrowCase{"Letters", "ＡＢＺａｅｚ", "ABZaez"},
        NarrowCase{"FirstAndLastForm", "！～", "!~"},
        NarrowCase{"IdeographicSpace", "　1", " 1"},
        NarrowCase{"Stars", "☆★", "**"},
        NarrowCase{"YenAndMacron", "￥￣", "$~"},
        NarrowCase{"NeighboursStay", "\xEF\xBC\x80｟☄", "\xEF\xBC\x80｟☄"},
        NarrowCase{"OtherTextStays", "电压 12V abc", "电压 12V abc"},
        NarrowCase{"Mixed", "电压１２Ｖ", "电压12V"},
        NarrowCase{"FourByteCharacterStays", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        NarrowCase{"CutShortAtEndIsLeftOut", "12\xEF\xBC", "12"},
        NarrowCase{"CutShortInsideIsCopied",
                   "\xEF\xBC"
                   "1",
                   "\xEF\xBC"
                   "1"},
        NarrowCase{"StrayContinuationByteIsCopied",
                   "\x91"
                   "1",
                   "\x91"
                   "1"},
        NarrowCase{"Empty", "", ""},
    };
    for (const NarrowCase& c : cases) {
        EXPECT_EQ(NarrowFullWidth(c.text), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace tavr
