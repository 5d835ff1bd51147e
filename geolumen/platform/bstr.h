#pragma once
// Strings handed out through interface methods: the callee allocates, the caller frees with SysFreeString.
// Both come from the C library's heap, so a string may cross from the driver library to the program that
// loaded it.
#include <cstdlib>
#include <cstring>

namespace geolumen {

using BSTR = char*;

// A copy of `text`, or null when out of memory (or for a null text).
[[nodiscard]] inline BSTR SysAllocString(const char* text) {
    if (!text) return nullptr;
    const size_t size = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(std::malloc(size));
    if (copy) std::memcpy(copy, text, size);
    return copy;
}

inline void SysFreeString(BSTR text) { std::free(text); }

}  // namespace geolumen
