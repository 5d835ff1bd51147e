#include "platform/TextFile.h"

#include <fstream>
#include <optional>

#include "platform/FileDialog.h"
#include "platform/TextCodec.h"

QString TextFileName(const QString& chosen) {
    if (chosen.size() > 4 && !chosen.endsWith(".txt", Qt::CaseSensitive)) return chosen + ".txt";
    return chosen;
}

bool WriteTextLines(const QString& path, const std::vector<std::string>& lines) {
    std::ofstream file(path.toStdString(), std::ios::binary | std::ios::trunc);
    if (!file) return false;
    for (const std::string& line : lines) {
        const std::string bytes = Utf8ToCp936(line);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.write("\r\n", 2);
    }
    file.close();
    return !file.fail();
}

SaveOutcome SaveLinesWithDialog(QWidget* parent, const std::vector<std::string>& lines) {
    const std::optional<QString> chosen = RunSaveDialog(parent);
    if (!chosen) return SaveOutcome::Cancelled;
    return WriteTextLines(TextFileName(*chosen), lines) ? SaveOutcome::Saved : SaveOutcome::Failed;
}
