#include "host/host_log.h"

#include <cstdio>

namespace geolumen::host {

void Say(const std::string& line) {
    std::printf("geolumen-host: %s\n", line.c_str());
    std::fflush(stdout);
}

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "geolumen-host: error: %s\n", message.c_str());
    return code;
}

}  // namespace geolumen::host
