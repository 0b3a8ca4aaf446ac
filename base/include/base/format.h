// printf-style formatting into a std::string, cut to a fixed number of bytes the way
// the fixed-size buffers of the file formats cut their lines.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace base {

// Formats `fmt` with `ap`; the result holds at most `cap` - 1 bytes.
std::string vformatCapped(std::size_t cap, const char* fmt, va_list ap);

}  // namespace base
