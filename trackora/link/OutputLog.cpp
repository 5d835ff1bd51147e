#include "link/OutputLog.h"

#include <QString>
#include <cstring>
#include <deque>

#include "platform/MessageBox.h"

namespace {
constexpr char kSaveFailedText[] = "数据存贮失败!!!";
// Lines logged before the output window exists; bounded so a window that never comes costs little.
constexpr size_t kBacklogLimit = 1000;
LogSink g_sink;
std::deque<std::string> g_backlog;
}  // namespace

void SetLogSink(LogSink sink) {
    g_sink = std::move(sink);
    if (!g_sink) return;
    while (!g_backlog.empty()) {
        std::string line = std::move(g_backlog.front());
        g_backlog.pop_front();
        g_sink(line);
    }
}

void LogLine(const std::string& utf8Line) {
    if (g_sink) {
        g_sink(utf8Line);
        return;
    }
    if (g_backlog.size() == kBacklogLimit) g_backlog.pop_front();
    g_backlog.push_back(utf8Line);
}

void ReportSaveFailure(const std::string& path, int error) {
    LogLine(std::string(kSaveFailedText) + " " + path + ": " + std::strerror(error));
    ShowMessageBox(QString::fromUtf8(kSaveFailedText), QString::fromUtf8(kWarningCaption), MsgIcon::Warning);
}
