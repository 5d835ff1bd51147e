#include <gtest/gtest.h>

#include "platform/StrToInt.h"
#include "platform/TextCodec.h"

TEST(TextCodec, Cp936RoundTripAndByteCounts) {
    // "提示窗口" is four characters, eight bytes in code page 936 (CC E1 CA BE B4 B0 BF DA).
    const std::string cp = Utf8ToCp936("提示窗口");
    EXPECT_EQ(cp, std::string("\xCC\xE1\xCA\xBE\xB4\xB0\xBF\xDA"));
    EXPECT_EQ(Cp936ToUtf8(cp), "提示窗口");
    EXPECT_EQ(Cp936ToUtf8("abc"), "abc");
    EXPECT_EQ(Cp936ToUtf8(""), "");
}

TEST(TextCodec, BrokenInputBecomesQuestionMarksNotGarbage) {
    // A lone lead byte at the end, and a lead byte followed by an invalid trail byte.
    EXPECT_EQ(Cp936ToUtf8(std::string("ab\xCC")), "ab?");
    EXPECT_EQ(Cp936ToUtf8(std::string("\x81\x20z")).back(), 'z');
    EXPECT_EQ(Utf8ToCp936(std::string("x\xFFy")), "x?y");
}

TEST(StrToInt, AcceptsWhatTheToolkitAccepts) {
    struct Row {
        const char* text;
        int32_t value;
    } rows[] = {
        {"0", 0},
        {"123", 123},
        {"-45", -45},
        {"+7", 7},
        {"  12", 12},
        {"$1F", 31},
        {"$ff", 255},
        {"0x10", 16},
        {"$FFFFFFFF", -1},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
    };
    for (const auto& r : rows) {
        auto v = TryStrToInt(r.text);
        ASSERT_TRUE(v.has_value()) << r.text;
        EXPECT_EQ(*v, r.value) << r.text;
    }
}

TEST(StrToInt, RefusesWhatIsNotANumber) {
    for (const char* text :
         {"", " ", "abc", "12a", "1 2", "$", "0x", "$G1", "2147483648", "$100000000", "12 "})
        EXPECT_FALSE(TryStrToInt(text).has_value()) << '"' << text << '"';
    try {
        StrToInt("x1");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'x1' is not a valid integer value");
    }
}
