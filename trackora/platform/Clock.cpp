#include "platform/Clock.h"

namespace {
std::function<QDateTime()>& Override() {
    static std::function<QDateTime()> clock;
    return clock;
}
std::function<MonoTime()>& MonotonicOverride() {
    static std::function<MonoTime()> clock;
    return clock;
}
}  // namespace

QDateTime CurrentDateTime() { return Override() ? Override()() : QDateTime::currentDateTime(); }

std::string DateTimeText(const QDateTime& when) {
    return when.toString(QStringLiteral("yyyy/M/d H:mm:ss")).toStdString();
}

void SetClock(std::function<QDateTime()> clock) { Override() = std::move(clock); }

MonoTime MonotonicNow() {
    return MonotonicOverride() ? MonotonicOverride()() : std::chrono::steady_clock::now();
}

void SetMonotonicClock(std::function<MonoTime()> clock) { MonotonicOverride() = std::move(clock); }
