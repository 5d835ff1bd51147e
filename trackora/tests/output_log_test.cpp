#include <gtest/gtest.h>

#include <vector>

#include "link/OutputLog.h"

TEST(OutputLog, LinesBeforeTheSinkArriveInOrderOnceItIsInstalled) {
    SetLogSink(nullptr);
    LogLine("first");
    LogLine("second");
    std::vector<std::string> seen;
    SetLogSink([&](const std::string& l) { seen.push_back(l); });
    LogLine("third");
    SetLogSink(nullptr);
    EXPECT_EQ(seen, (std::vector<std::string>{"first", "second", "third"}));
}
