// Captures the output log's lines for a test and puts the records and the clock in a known state.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <string>
#include <vector>

#include "link/OutputLog.h"
#include "link/PublicData.h"
#include "platform/Clock.h"

// The fixed clock of the tests: 8 December 2024, 09:05:03, shown as "2024/12/8 9:05:03".
inline QDateTime TestClockTime() { return QDateTime(QDate(2024, 12, 8), QTime(9, 5, 3)); }
inline constexpr char kTestClockText[] = "2024/12/8 9:05:03";

class LogCapture {
  public:
    LogCapture() {
        ResetPublicData();
        SetClock([] { return TestClockTime(); });
        SetLogSink([this](const std::string& line) { lines.push_back(line); });
    }
    ~LogCapture() {
        SetLogSink(nullptr);
        SetClock(nullptr);
    }
    std::vector<std::string> lines;
};
