#include "platform/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace {

// One conversion with iconv; invalid or incomplete input sequences are replaced by '?' and skipped
// (one byte at a time), so the output is always complete and bounded by 4 bytes per input byte.
std::string Convert(const char* to, const char* from, std::string_view in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("code page conversion unavailable");
    std::string out(in.size() * 4 + 4, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) break;  // cannot happen with 4 bytes per input byte, but never overrun
        // EILSEQ or EINVAL: skip one source byte and mark it.
        ++src;
        --srcLeft;
        if (dstLeft == 0) break;
        *dst++ = '?';
        --dstLeft;
    }
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

}  // namespace

std::string Cp936ToUtf8(std::string_view cp936) { return Convert("UTF-8", "CP936", cp936); }

std::string Utf8ToCp936(std::string_view utf8) { return Convert("CP936", "UTF-8", utf8); }
