// The toolkit's string-to-integer conversion that every console uses on typed numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// Raised when a text is not a number; what() is the conversion error text shown to the user.
class EConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Accepts leading blanks, an optional sign, decimal digits, or hexadecimal after "$" or "0x"; nothing may
// follow. Hexadecimal may use all 32 bits ("$FFFFFFFF" is -1); decimal must fit a 32-bit signed integer.
std::optional<int32_t> TryStrToInt(std::string_view text);
// As TryStrToInt, raising EConvertError("'<text>' is not a valid integer value") on failure.
int32_t StrToInt(std::string_view text);
std::string ConvertErrorText(std::string_view text);
