#include "location/assistance_servers.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "support/location_fixture.h"

namespace geolumen {
namespace {

using test_support::MapParameters;

TEST(SplitServerList, DropsSpacesAndEmptyNames) {
    struct Row {
        const char* text;
        std::vector<std::string> names;
    };
    const std::vector<Row> rows = {
        {" A ; ;B", {"A", "B"}}, {"a b;c", {"ab", "c"}}, {"", {}}, {";;; ", {}},
        {"one", {"one"}},        {"x;y;", {"x", "y"}},
    };
    for (const auto& row : rows) EXPECT_EQ(SplitServerList(row.text), row.names) << '"' << row.text << '"';
}

TEST(SelectAssistanceServer, PicksFromTheDeviceListByTheRandomNumber) {
    MapParameters params;
    params.values["USB\\DEV|AlmarServerURL"] = "A;B";
    // r = 3 over two names: 3 mod 2 = 1, the second.
    EXPECT_EQ(SelectAssistanceServer(params, "USB\\DEV", [] { return 3U; }), "B");
    EXPECT_EQ(SelectAssistanceServer(params, "USB\\DEV", [] { return 4U; }), "A");
}

TEST(SelectAssistanceServer, FallsBackToTheBuiltInThree) {
    MapParameters params;
    params.values["USB\\DEV|AlmarServerURL"] = " ; ";
    const auto builtIn = SplitServerList(kBuiltInAssistanceServers);
    ASSERT_EQ(builtIn.size(), 3U);
    std::set<std::string> picked;
    for (uint32_t r = 0; r < 3; ++r) {
        picked.insert(SelectAssistanceServer(params, "USB\\DEV", [r] { return r; }));
        picked.insert(SelectAssistanceServer(params, "OTHER", [r] { return r; }));  // missing value
    }
    EXPECT_EQ(picked, std::set<std::string>(builtIn.begin(), builtIn.end()));
}

TEST(SelectAssistanceServer, OverlongSettingCountsAsMissing) {
    MapParameters params;
    params.values["D|AlmarServerURL"] = std::string(1024, 'x');
    const auto builtIn = SplitServerList(kBuiltInAssistanceServers);
    EXPECT_EQ(SelectAssistanceServer(params, "D", [] { return 0U; }), builtIn[0]);
    params.values["D|AlmarServerURL"] = std::string(1023, 'x');
    EXPECT_EQ(SelectAssistanceServer(params, "D", [] { return 0U; }), std::string(1023, 'x'));
}

TEST(IsSuplEnabled, OnlyForExactlyOne) {
    struct Row {
        const char* value;
        int enabled;
    };
    const std::vector<Row> rows = {{"1", 1}, {"1 ", 0}, {"0", 0}, {"", 0}, {"11", 0}, {" 1", 0}};
    for (const auto& row : rows) {
        MapParameters params;
        params.values["D|SUPLconfig"] = row.value;
        EXPECT_EQ(IsSuplEnabled(params, "D"), row.enabled) << '"' << row.value << '"';
    }
    EXPECT_EQ(IsSuplEnabled(MapParameters{}, "D"), 0) << "missing";
}

}  // namespace
}  // namespace geolumen
