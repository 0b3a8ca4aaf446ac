#include "wirefold/timestamp.h"

namespace wirefold {
namespace {

// Reads 1..maxDigits decimal digits at `pos`; false when there is none.
bool number(std::string_view s, std::size_t& pos, int maxDigits, int& value) {
    int n = 0;
    value = 0;
    while (n < maxDigits && pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
        value = value * 10 + (s[pos] - '0');
        ++pos;
        ++n;
    }
    return n > 0;
}

bool literal(std::string_view s, std::size_t& pos, char c) {
    if (pos >= s.size() || s[pos] != c) return false;
    ++pos;
    return true;
}

}  // namespace

bool parseStamp(std::string_view line, Stamp& out) {
    Stamp s;
    std::size_t pos = 0;
    int first = 0;
    if (!number(line, pos, 4, first)) return false;
    if (pos < line.size() && line[pos] == '/') {
        // MM/DD/YYYY HH:
        s.month = first;
        if (pos > 2 || !literal(line, pos, '/') || !number(line, pos, 2, s.day) || !literal(line, pos, '/') ||
            !number(line, pos, 4, s.year))
            return false;
    } else {
        // YYYY-MM-DD HH:
        s.year = first;
        if (pos != 4 || !literal(line, pos, '-') || !number(line, pos, 2, s.month) || !literal(line, pos, '-') ||
            !number(line, pos, 2, s.day))
            return false;
    }
    if (!literal(line, pos, ' ') || !number(line, pos, 2, s.hour) || !literal(line, pos, ':')) return false;
    if (s.month < 1 || s.month > 12 || s.day < 1 || s.day > 31 || s.hour > 23) return false;
    out = s;
    return true;
}

int daysInMonth(int month, int year) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 31;
    if (month == 2 && year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) return 29;
    return days[month - 1];
}

void addHours(Stamp& s, int hours) {
    s.hour += hours;
    if (s.hour <= 23) return;
    s.hour -= 24;
    if (++s.day <= daysInMonth(s.month, s.year)) return;
    s.day = 1;
    if (++s.month <= 12) return;
    s.month = 1;
    ++s.year;
}

}  // namespace wirefold
