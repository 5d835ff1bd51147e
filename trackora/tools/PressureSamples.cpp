#include "tools/PressureSamples.h"

#include <algorithm>

#include "platform/StrToInt.h"

namespace {
constexpr int kLowestRow = 254;
constexpr int kLabelStep = 20;  // pixels between two labels
constexpr size_t kValueFirst = 8;
constexpr size_t kValueLength = 6;
}  // namespace

int SampleRow(int64_t value, int64_t baseline, int scale) {
    if (scale <= 0) scale = 1;
    if (value < baseline)
        return static_cast<int>(std::min<int64_t>((baseline - value) / scale + kBaselineRow, kLowestRow));
    return static_cast<int>(kBaselineRow - std::min<int64_t>((value - baseline) / scale, kBaselineRow));
}

std::array<int64_t, kAxisLabels> AxisLabels(int64_t baseline, int scale) {
    const int64_t step = int64_t{kLabelStep} * scale;
    std::array<int64_t, kAxisLabels> labels{};
    for (int i = 0; i < kAxisLabels; ++i)
        labels[static_cast<size_t>(i)] = baseline + (kAxisLabels / 2 - i) * step;
    return labels;
}

std::optional<int32_t> SampleOfLine(std::string_view line) {
    if (line.size() <= kValueFirst) return std::nullopt;
    const std::string_view value = line.substr(kValueFirst, kValueLength);
    if (value.empty() || !std::all_of(value.begin(), value.end(), [](char c) {
            return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == ' ';
        }))
        return std::nullopt;
    return TryStrToInt(value);
}

SampleImport ReadSamples(std::string_view bytes) {
    SampleImport result;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        result.lines.emplace_back(line);
        start = end + 1;
    }
    for (size_t i = 0; i < result.lines.size(); ++i) {
        if (result.samples.size() == kMaxSamples) {
            result.truncated = true;
            break;
        }
        const std::optional<int32_t> sample = SampleOfLine(result.lines[i]);
        if (!sample) {
            result.badLine = i + 1;
            break;
        }
        result.samples.push_back(*sample);
    }
    return result;
}

SampleSpan LatestSpan(size_t sampleCount) {
    const size_t count = std::min<size_t>(sampleCount, kPlotWidth);
    return {sampleCount - count, count};
}

SampleSpan ReplaySpan(size_t sampleCount, size_t position) {
    if (position >= sampleCount) return {position, 0};
    return {position, std::min<size_t>(sampleCount - position, kPlotWidth)};
}
