#include "base/format.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace base {

std::string vformatCapped(std::size_t cap, const char* fmt, va_list ap) {
    if (cap == 0) return {};
    std::vector<char> buf(cap);
    int n = std::vsnprintf(buf.data(), cap, fmt, ap);
    if (n < 0) return {};
    return std::string(buf.data(), std::min<std::size_t>(static_cast<std::size_t>(n), cap - 1));
}

}  // namespace base
