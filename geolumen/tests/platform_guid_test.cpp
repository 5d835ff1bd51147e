#include <gtest/gtest.h>

#include "platform/guid.h"
#include "platform/hresult.h"

namespace geolumen {
namespace {

// The device interface class of the driver, written out field by field.
constexpr GUID kInterfaceClass{0x4C2BC2BF, 0xBA90, 0x4BD2, {0xAF, 0x0A, 0x79, 0xFB, 0xD0, 0x9C, 0xF1, 0xCB}};

TEST(Guid, ParsesBraceFormEitherCase) {
    EXPECT_EQ(ParseGuid("{4C2BC2BF-BA90-4BD2-AF0A-79FBD09CF1CB}"), kInterfaceClass);
    EXPECT_EQ(ParseGuid("{4c2bc2bf-ba90-4bd2-af0a-79fbd09cf1cb}"), kInterfaceClass);
}

TEST(Guid, FormatsUpperCaseWithBraces) {
    EXPECT_EQ(FormatGuid(kInterfaceClass), "{4C2BC2BF-BA90-4BD2-AF0A-79FBD09CF1CB}");
    EXPECT_EQ(FormatGuid(GUID_NULL), "{00000000-0000-0000-0000-000000000000}");
}

TEST(Guid, RejectsMalformedText) {
    for (const char* bad : {"", "{}", "4C2BC2BF-BA90-4BD2-AF0A-79FBD09CF1CB",  // no braces
                            "{4C2BC2BF-BA90-4BD2-AF0A-79FBD09CF1C}",           // one digit short
                            "{4C2BC2BF-BA90-4BD2-AF0A-79FBD09CF1CBA}",         // one digit long
                            "{4C2BC2BF_BA90-4BD2-AF0A-79FBD09CF1CB}",          // wrong separator
                            "{4C2BC2BG-BA90-4BD2-AF0A-79FBD09CF1CB}",          // not hex
                            "{4C2BC2BF-BA90-4BD2-AF0A-79FBD09CF1CB)"}) {       // wrong closing
        EXPECT_FALSE(ParseGuid(bad).has_value()) << bad;
    }
}

TEST(Guid, NewGuidsAreVersion4AndDistinct) {
    const GUID a = NewGuid();
    const GUID b = NewGuid();
    EXPECT_NE(a, b);
    EXPECT_EQ(a.Data3 >> 12, 4);
    EXPECT_EQ(a.Data4[0] & 0xC0, 0x80);
    EXPECT_EQ(ParseGuid(FormatGuid(a)), a);
}

TEST(Guid, OrderingIsStrict) {
    GUID later = kInterfaceClass;
    later.Data4[7] = 0xCC;
    EXPECT_TRUE(GuidLess{}(kInterfaceClass, later));
    EXPECT_FALSE(GuidLess{}(later, kInterfaceClass));
    EXPECT_FALSE(GuidLess{}(later, later));
}

TEST(Hresult, Win32ErrorsMapIntoFacility7) {
    // 1115 = 0x45B, so shutdown in progress reads 0x8007045B; 50 = 0x32 -> 0x80070032.
    EXPECT_EQ(static_cast<std::uint32_t>(HRESULT_FROM_WIN32(ERROR_SHUTDOWN_IN_PROGRESS)), 0x8007045Bu);
    EXPECT_EQ(static_cast<std::uint32_t>(HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED)), 0x80070032u);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_SUCCESS), S_OK);
    EXPECT_TRUE(FAILED(E_FAIL));
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
}

}  // namespace
}  // namespace geolumen
