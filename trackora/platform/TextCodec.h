// Code page 936 (GBK) to and from UTF-8. Terminals and files speak code page 936; Qt speaks UTF-8/16.
#pragma once

#include <string>
#include <string_view>

// Bytes that do not form a character of the source encoding become '?', so a damaged reply still prints.
std::string Cp936ToUtf8(std::string_view cp936);
std::string Utf8ToCp936(std::string_view utf8);
