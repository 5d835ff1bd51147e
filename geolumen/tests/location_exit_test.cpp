// A process may end while the location client is still open: its threads must be stopped and joined by
// the static teardown instead of ending the process in std::terminate.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/location_fixture.h"

namespace geolumen {
namespace {

using namespace std::chrono_literals;

class LocationExitTest : public test_support::LocationClientFixture {};

TEST_F(LocationExitTest, ProcessExitsCleanlyWithTheClientOpen) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            (void)OpenClient();
            std::exit(7);
        },
        ::testing::ExitedWithCode(7), "");
}

}  // namespace
}  // namespace geolumen
