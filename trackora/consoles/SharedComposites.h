// Composite values that the watch, shoe and school-bag consoles share: report time points, report
// periods, silent periods and the power-saving window.
#pragma once

#include <string>
#include <vector>

#include "consoles/ParamText.h"

// Eight optional points "1" to "8", hour and minute each; a clear point adds nothing.
std::vector<ValuePart> ReportTimePoints();
// The interval, then three optional periods "时段一" to "时段三", start and end hour and minute each.
std::vector<ValuePart> ReportPeriods(ValuePart interval);
// The switch "关闭"/"打开", the weekday mask of seven boxes, then three optional periods (start and end
// hour, minute and second) with boxes of no caption.
std::vector<ValuePart> SilentPeriods(std::vector<std::string> weekdays);
// The enable switch "禁止"/"允许" (checked: 1), then the start and end hour and minute.
std::vector<ValuePart> PowerSavingWindow(std::vector<int> times, std::vector<std::string> labels);
