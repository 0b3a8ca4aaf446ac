// Line scrambling: a keyed, bijective byte substitution applied to every line of a
// chart file (and to definition files, figure lists, control files and the saved
// FTP password). Bytes 10, 13 and 26 map to themselves, so a scrambled file is still
// a valid line-oriented text file.
#pragma once

#include <string>
#include <string_view>

namespace chart {

constexpr int kScrambleKey = 2963;

// Scrambles one line (its bytes, in the file's code, with or without its line break)
// for line number `lineNo` (counted from 1): a marker byte 1..9 followed by the
// substituted bytes.
std::string scrambleLine(std::string_view text, int lineNo);

// Reverses scrambleLine. A line whose first byte is above 9 is plain text and comes
// back unchanged; otherwise the marker is dropped and the rest substituted back.
std::string unscrambleLine(std::string_view stored);

// The reading table (index: stored byte, value: text byte); exposed for tests.
const unsigned char* scrambleReadTable();

}  // namespace chart
