#include "platform/PortList.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

namespace fs = std::filesystem;

bool IsUsbSerial(const std::string& name) {
    return name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0;
}

// A legacy 8250 port is listed whether or not a UART answers; its type file says 0 ("unknown") then.
bool IsPhantomUart(const fs::path& entry) {
    std::ifstream in(entry / "type");
    int type = -1;
    return (in >> type) && type == 0;
}

// ttyUSB2 before ttyUSB10: names compare by their letters, then by the number at their end.
bool NaturalLess(const std::string& a, const std::string& b) {
    const auto split = [](const std::string& s) {
        size_t cut = s.size();
        while (cut > 0 && s[cut - 1] >= '0' && s[cut - 1] <= '9') --cut;
        const std::string digits = s.substr(cut);
        // At most 9 digits keep the number inside a long; longer runs compare as text.
        const long number = digits.empty() || digits.size() > 9 ? -1 : std::stol(digits);
        return std::make_pair(s.substr(0, cut), number);
    };
    const auto ka = split(a);
    const auto kb = split(b);
    if (ka != kb) return ka < kb;
    return a < b;
}

}  // namespace

std::string UsbSerialValueName(int n) { return "\\Device\\USBSER00" + std::to_string(n); }

SerialCommMap ReadSerialCommMap(const std::string& sysClassTty, const std::string& devRoot) {
    std::vector<std::string> usb;
    std::vector<std::string> other;
    std::error_code ec;
    for (fs::directory_iterator it(sysClassTty, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        // Only ports with hardware behind them have a device link; consoles and ptys have none.
        std::error_code linkError;
        if (!fs::exists(it->path() / "device", linkError)) continue;
        if (IsUsbSerial(name)) {
            usb.push_back(name);
        } else if (!IsPhantomUart(it->path())) {
            other.push_back(name);
        }
    }
    std::sort(usb.begin(), usb.end(), NaturalLess);
    std::sort(other.begin(), other.end(), NaturalLess);
    SerialCommMap map;
    for (size_t i = 0; i < usb.size(); ++i)
        map.emplace_back(UsbSerialValueName(static_cast<int>(i)), devRoot + "/" + usb[i]);
    for (size_t i = 0; i < other.size(); ++i)
        map.emplace_back("\\Device\\Serial" + std::to_string(i), devRoot + "/" + other[i]);
    return map;
}

std::optional<std::string> LookupSerialComm(const SerialCommMap& map, const std::string& valueName) {
    for (const auto& [name, port] : map)
        if (name == valueName) return port;
    return std::nullopt;
}
