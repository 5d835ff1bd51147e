#pragma once
// Where the host and the radio tool find the driver library when --library does not say: relative to their
// own executable, so an installed prefix can be moved and a build tree runs as it was built.
#include <string>

namespace geolumen::host {

// The library beside an installed program (<prefix>/bin -> <prefix>/<libdir>), else the one of the build
// tree the program was built in. When neither exists, the installed place, so the error names where the
// library was expected.
[[nodiscard]] std::string DefaultLibraryPath();

}  // namespace geolumen::host
