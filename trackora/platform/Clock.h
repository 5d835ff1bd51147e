// The date and time the program shows (reply headings, the status bar), through one clock that tests
// can set so their expected lines do not depend on when they run.
#pragma once

#include <QDateTime>
#include <chrono>
#include <functional>
#include <string>

// The clock's current time (the system's local time unless a test set another clock).
[[nodiscard]] QDateTime CurrentDateTime();
// A fixed text form of date and time, "2024/12/8 9:05:03": year, month and day without leading zeros,
// hours without, minutes and seconds with them. The same on every machine whatever its locale.
[[nodiscard]] std::string DateTimeText(const QDateTime& when);
// Replaces the clock (nullptr restores the system clock).
void SetClock(std::function<QDateTime()> clock);

// The clock that measures pauses: it never jumps with the wall clock. Tests replace it to step time by hand.
using MonoTime = std::chrono::steady_clock::time_point;
[[nodiscard]] MonoTime MonotonicNow();
// Replaces the monotonic clock (nullptr restores the system's).
void SetMonotonicClock(std::function<MonoTime()> clock);
