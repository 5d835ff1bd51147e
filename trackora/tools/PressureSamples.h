// The barometric analyser's arithmetic: the bounded sample store, reading a sample file, the row a sample
// is drawn at, the y-axis labels and which samples a view draws. No window in here.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The plot: 600 samples across, 256 rows down, the baseline on row 127.
inline constexpr int kPlotWidth = 600;
inline constexpr int kPlotHeight = 256;
inline constexpr int kBaselineRow = 127;
// The store holds this many samples; a longer file is read up to it.
inline constexpr size_t kMaxSamples = 100000;
inline constexpr int kAxisLabels = 13;

// The row of sample value v against baseline B at k units a pixel; higher values are drawn higher.
[[nodiscard]] int SampleRow(int64_t value, int64_t baseline, int scale);
// The labels from the top: B + 6s ... B ... B - 6s, s = 20 k.
[[nodiscard]] std::array<int64_t, kAxisLabels> AxisLabels(int64_t baseline, int scale);
// The value of one line of a sample file: characters 9 to 14 (from 1) as a decimal number.
[[nodiscard]] std::optional<int32_t> SampleOfLine(std::string_view line);

struct SampleImport {
    std::vector<int32_t> samples;
    std::vector<std::string> lines;  // the file's lines as read (code page 936 bytes)
    // Set when reading stopped early: the 1-based line that is not a sample, or the store was full.
    std::optional<size_t> badLine;
    bool truncated = false;
};
// Splits a file's bytes into lines (LF, with an optional CR before it) and reads a sample from each,
// stopping at the first line that holds none and at the store's limit.
[[nodiscard]] SampleImport ReadSamples(std::string_view bytes);

// The first sample of a view and how many it draws (first, count).
struct SampleSpan {
    size_t first = 0;
    size_t count = 0;
};
// The newest samples, at most one plot wide.
[[nodiscard]] SampleSpan LatestSpan(size_t sampleCount);
// The samples of a replay at position p (none at or beyond the end).
[[nodiscard]] SampleSpan ReplaySpan(size_t sampleCount, size_t position);
