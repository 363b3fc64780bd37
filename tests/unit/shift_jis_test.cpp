// The Shift-JIS aware cutting that keeps names and titles readable: a cut
// never ends in half a double-byte character.
#include "common/shift_jis.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(ShiftJisCut, NeverSplitsADoubleByteCharacter) {
    const std::string mixed = "A\x83J\x81[B";  // AカーB: ASCII around two double-byte characters
    const struct {
        size_t maxBytes;
        size_t fits;
    } cases[] = {{0, 0}, {1, 1}, {2, 1}, {3, 3}, {4, 3}, {5, 5}, {6, 6}, {100, 6}};
    for (const auto& c : cases) {
        EXPECT_EQ(ShiftJisCutLength(mixed.c_str(), mixed.size(), c.maxBytes), c.fits)
            << "max " << c.maxBytes;
    }
}

TEST(ShiftJisCut, CopyEndsWithTerminatorAndWholeCharacters) {
    char out[8];
    std::memset(out, 'X', sizeof out);
    CopyShiftJisCut(out, 4, "\x96\xb3\x91\xe8");  // 無題: the second character does not fit
    EXPECT_STREQ(out, "\x96\xb3");
    CopyShiftJisCut(out, 5, "\x96\xb3\x91\xe8");
    EXPECT_STREQ(out, "\x96\xb3\x91\xe8");
    // A lead byte with nothing after it is taken as a single byte, not as half
    // of a character that would swallow the terminator.
    CopyShiftJisCut(out, 8, "ab\x96");
    EXPECT_STREQ(out, "ab\x96");
}

}  // namespace
