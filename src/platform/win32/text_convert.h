// UTF-8 <-> UTF-16 conversion for the Win32 "W" functions.
#pragma once

#include <string>

namespace tarvo::platform::win32 {

// UTF-8 text as UTF-16; invalid sequences become U+FFFD. Empty in, empty out.
std::wstring widen(const std::string& utf8);
// UTF-16 text as UTF-8; unpaired surrogates become U+FFFD.
std::string narrow(const std::wstring& utf16);

}  // namespace tarvo::platform::win32
