#include "platform/TextFile.h"

#include <cerrno>
#include <cstdio>

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
