#include "consoles/SharedComposites.h"

std::vector<ValuePart> ReportTimePoints() {
    std::vector<ValuePart> points;
    for (int n = 1; n <= 8; ++n) points.push_back(Optional(TimePart({0, 0}), std::to_string(n), false));
    return points;
}

std::vector<ValuePart> ReportPeriods(ValuePart interval) {
    std::vector<ValuePart> parts{std::move(interval)};
    for (const char* caption : {"时段一", "时段二", "时段三"})
        parts.push_back(Optional(TimePart({0, 0, 0, 0}, {"", "", "至", ""}), caption, false));
    return parts;
}

std::vector<ValuePart> SilentPeriods(std::vector<std::string> weekdays) {
    std::vector<ValuePart> parts{ComboPart({"关闭", "打开"}, 0), MaskPart(std::move(weekdays))};
    for (int n = 0; n < 3; ++n)
        parts.push_back(Optional(TimePart({0, 0, 0, 0, 0, 0}, {"", "", "", "至", "", ""}), "", false));
    return parts;
}

std::vector<ValuePart> PowerSavingWindow(std::vector<int> times, std::vector<std::string> labels) {
    return {ComboPart(kForbidAllow, 1), TimePart(std::move(times), std::move(labels))};
}
