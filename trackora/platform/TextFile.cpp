#include "platform/TextFile.h"

#include <cerrno>
#include <cstdio>
#include <optional>

#include "platform/FileDialog.h"
#include "platform/TextCodec.h"

namespace {
int LastError() { return errno != 0 ? errno : EIO; }
}  // namespace

int WriteCp936Lines(const QString& path, const std::vector<std::string>& lines) {
    errno = 0;
    std::FILE* file = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (file == nullptr) return LastError();
    int error = 0;
    for (const std::string& line : lines) {
        const std::string bytes = Utf8ToCp936(line) + "\r\n";
        if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
            error = LastError();
            break;
        }
    }
    if (std::fflush(file) != 0 && error == 0) error = LastError();
    if (std::fclose(file) != 0 && error == 0) error = LastError();
    return error;
}

QString TextFileName(const QString& chosen) {
    if (chosen.size() > 4 && !chosen.endsWith(".txt", Qt::CaseSensitive)) return chosen + ".txt";
    return chosen;
}

SaveResult SaveLinesWithDialog(QWidget* parent, const std::vector<std::string>& lines) {
    const std::optional<QString> chosen = RunSaveDialog(parent);
    if (!chosen) return {};
    SaveResult result{SaveOutcome::Saved, TextFileName(*chosen), 0};
    result.error = WriteCp936Lines(result.path, lines);
    if (result.error != 0) result.outcome = SaveOutcome::Failed;
    return result;
}
