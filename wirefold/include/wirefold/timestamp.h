// Packet time stamps as tcpdump prints them with -tttt, and the shift to Japan time.
#pragma once

#include <string_view>

namespace wirefold {

struct Stamp {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
};

// Reads year, month, day and hour from the start of a packet line. Two forms are
// known: "MM/DD/YYYY HH:" and "YYYY-MM-DD HH:". False when the line starts with
// neither or a field is out of range (month 1..12, day 1..31, hour 0..23).
bool parseStamp(std::string_view line, Stamp& out);

int daysInMonth(int month, int year);

// Adds `hours` (0..23) to the hour, carrying into day, month and year.
void addHours(Stamp& s, int hours);

}  // namespace wirefold
