// The two kinds of input line: packet lines and hex-dump lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wirefold {

// Most bytes one hex-dump line can carry.
constexpr int kBytesPerLine = 16;

enum class LineKind {
    Packet,   // a packet description beginning with its time stamp
    Hex,      // a hex-dump line of either layout
    Other,    // anything else: empty lines, indented text, tcpdump's own notices
};

LineKind classify(std::string_view line);

// The fields of a packet line that the output needs.
struct PacketLine {
    std::string_view stampHead;   // time stamp up to its first ":"
    std::string_view stampTail;   // from behind that ":" up to the next blank
    std::string_view endpoints;   // "source > destination", without a protocol word
    long long payloadLength = 0;  // TCP payload bytes announced by the line (0: none)
};

PacketLine parsePacketLine(std::string_view line);

// One hex-dump line, decoded.
struct HexLine {
    bool framed = false;          // the offset and the layout were recognised
    bool valid = false;           // ... and the hex groups could be read
    bool modern = false;          // "<TAB>0x0000:  4500 ..." rather than "0x0000<TAB> 4500 ...<TAB>..."
    std::uint32_t offset = 0;
    int count = 0;                // bytes on the line (0..16)
    std::uint8_t bytes[kBytesPerLine] = {};
    std::string_view hex;         // the hex groups (today's layout: and what follows them)
    std::string_view chars;       // the character field (only the older layout's is used)
};

// Finds offset, layout and fields of a line that classify() called Hex, without
// decoding the groups.
HexLine splitHexLine(std::string_view line);
// Decodes the groups of a split line; false (and not valid) when they do not read.
bool decodeHex(HexLine& h);

// Decodes a line that classify() called Hex. A line whose hex groups do not read
// (odd digit counts, non-hex characters, more than 16 bytes) comes back not valid.
HexLine parseHexLine(std::string_view line);

// Reads a decimal integer the way the command line and sequence words use it:
// optional blanks, an optional sign, then digits; no digits give 0. Values beyond
// the range of int are clamped.
long long readDecimal(std::string_view text);

}  // namespace wirefold
