// Every two-digit field of the program (times of day, coordinates, time zones, alarm slots) is written by
// one rule: a "0" goes in front of a text exactly one character long, and nothing else is padded or cut.
#include <gtest/gtest.h>

#include "consoles/SlotLists.h"
#include "link/PublicData.h"
#include "link/ReplyFormat.h"

namespace {

TEST(TwoDigitText, OneRuleForEveryField) {
    EXPECT_EQ(TwoDigitText(0), "00");
    EXPECT_EQ(TwoDigitText(7), "07");
    EXPECT_EQ(TwoDigitText(10), "10");
    EXPECT_EQ(TwoDigitText(123), "123");  // three characters: kept whole
    EXPECT_EQ(TwoDigitText(-5), "-5");    // already two characters: no "0"
    EXPECT_EQ(TwoDigitText(-1), "-1");    // a combo box with no item selected

    // The users of the rule agree with it and with each other.
    for (int a : {-5, 0, 7, 12, 123, 255}) {
        for (int b : {-1, 3, 59, 100}) {
            EXPECT_EQ(MakeTwoDigitPair(a, b), MakeHHMM(a, b)) << a << " " << b;
            EXPECT_EQ(MakeHHMM(a, b), TwoDigitText(a) + TwoDigitText(b));
        }
    }
    // The three groups of a time with seconds, and the time composites of the consoles.
    EXPECT_EQ(MakeHHMMSS(7, 5, 0), "070500");
    EXPECT_EQ(MakeHHMMSS(23, 59, 59), "235959");
    EXPECT_EQ(MakeHHMMSS(-1, 255, 9), "-125509");
    EXPECT_EQ(MakeHHMMHHMM(9, -1, 255, 0), "09-125500");
    // 113 . 56 07 12 and 22 . 30 45 06.
    EXPECT_EQ(FormatDegree(113, 56, 7, 12), "113.560712");
    EXPECT_EQ(FormatDegree(22, 30, 45, 6), "22.304506");
    EXPECT_EQ(FormatDegree(1, 100, 2, 255), "1.10002255");
    // Hour 9 and minute 5 of an alarm slot; 255 (an index of -1 as a byte) unpadded.
    EXPECT_EQ(CreateOneClockItem(1, 2, 9, 5, ""), "1#2#09:05#");
    EXPECT_EQ(CreateOneClockItem(1, 2, 255, 0, ""), "1#2#255:00#");
}

}  // namespace
