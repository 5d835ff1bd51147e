// The program's output log. Every window appends lines here; the output window installs the sink that
// shows them, and until it exists lines wait in a small backlog so nothing logged at start-up is lost.
#pragma once

#include <functional>
#include <string>

using LogSink = std::function<void(const std::string& utf8Line)>;

// Installs the sink (or removes it with nullptr); a new sink first receives the waiting backlog.
void SetLogSink(LogSink sink);
// Appends one line (UTF-8) to the output log.
void LogLine(const std::string& utf8Line);

// The box every failed save of the program shows ("数据存贮失败!!!"), with the path and the system's
// reason for `error` (an errno value) added to the output log, where the technician can act on it.
void ReportSaveFailure(const std::string& path, int error);
