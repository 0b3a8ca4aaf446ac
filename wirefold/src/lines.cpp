#include "wirefold/lines.h"

#include <climits>

namespace wirefold {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t skipBlanks(std::string_view s, std::size_t pos) {
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
    return pos;
}

// The older layout's sequence range: the first blank-separated word that begins with
// a digit and holds ":", "(" and ")" in this order, as in "1:20(19)". The number in
// parentheses is the payload length.
long long rangeLength(std::string_view rest) {
    std::size_t pos = 0;
    while (pos < rest.size()) {
        std::size_t end = rest.find(' ', pos);
        if (end == std::string_view::npos) end = rest.size();
        std::string_view word = rest.substr(pos, end - pos);
        pos = end + 1;
        if (word.empty() || !isDigit(word[0])) continue;
        std::size_t colon = word.find(':');
        if (colon == std::string_view::npos) continue;
        std::size_t open = word.find('(', colon);
        if (open == std::string_view::npos) continue;
        if (word.find(')', open) == std::string_view::npos) continue;
        return readDecimal(word.substr(open + 1));
    }
    return 0;
}

// Today's TCP description: "Flags [P.], seq 1:20, ack 1, win 502, length 19". The
// length is the payload; a pure acknowledgement or a SYN says "length 0".
long long flagsLength(std::string_view rest, std::size_t flags) {
    std::size_t at = rest.find(", length ", flags);
    if (at == std::string_view::npos) return 0;
    return readDecimal(rest.substr(at + 9));
}

// Hex digit values by character; -1 for anything else.
struct HexTable {
    signed char v[256];
    constexpr HexTable() : v() {
        for (int i = 0; i < 256; ++i) v[i] = -1;
        for (int i = 0; i < 10; ++i) v['0' + i] = static_cast<signed char>(i);
        for (int i = 0; i < 6; ++i) v['a' + i] = v['A' + i] = static_cast<signed char>(10 + i);
    }
};
constexpr HexTable kHex;

int hexAt(std::string_view s, std::size_t i) { return kHex.v[static_cast<unsigned char>(s[i])]; }

// The common case, decoded at fixed places: eight groups of four digits, one blank
// apart, starting at `pos`. False (and `out` untouched) when the line is not of
// that shape; the general reader then decides.
bool fullLine(std::string_view s, std::size_t pos, bool stopAtGap, HexLine& out) {
    const std::size_t n = s.size();
    if (n < pos + 39) return false;
    const char* p = s.data() + pos;
    int bad = 0;
    std::uint8_t bytes[kBytesPerLine];
    for (int g = 0; g < 8; ++g, p += 5) {
        if (g < 7 && p[4] != ' ') return false;
        int a = kHex.v[static_cast<unsigned char>(p[0])], b = kHex.v[static_cast<unsigned char>(p[1])];
        int c = kHex.v[static_cast<unsigned char>(p[2])], d = kHex.v[static_cast<unsigned char>(p[3])];
        bad |= a | b | c | d;
        bytes[2 * g] = static_cast<std::uint8_t>(a << 4 | b);
        bytes[2 * g + 1] = static_cast<std::uint8_t>(c << 4 | d);
    }
    if (bad < 0) return false;
    // Behind the eighth group: the end, or blanks (the older layout), or a gap of two
    // blanks before the character column (today's layout).
    std::size_t rest = pos + 39;
    if (stopAtGap) {
        if (rest < n && !(rest + 1 < n && s[rest] == ' ' && s[rest + 1] == ' ')) return false;
    } else {
        for (std::size_t i = rest; i < n; ++i)
            if (s[i] != ' ') return false;
    }
    for (int i = 0; i < kBytesPerLine; ++i) out.bytes[i] = bytes[i];
    out.count = kBytesPerLine;
    return true;
}

// Reads blank-separated groups of four (or, last on a line, two) hex digits. With
// `stopAtGap` two blanks in a row end the groups (today's layout puts the character
// column behind such a gap).
bool readGroups(std::string_view s, bool stopAtGap, HexLine& out) {
    const std::size_t n = s.size();
    std::size_t pos = 0;
    while (pos < n && s[pos] == ' ') ++pos;
    if (fullLine(s, pos, stopAtGap, out)) return true;
    while (pos < n) {
        std::size_t end = pos;
        while (end < n && s[end] != ' ') ++end;
        std::size_t len = end - pos;
        if (len == 4) {
            if (out.count + 2 > kBytesPerLine) return false;
            int a = hexAt(s, pos), b = hexAt(s, pos + 1), c = hexAt(s, pos + 2), d = hexAt(s, pos + 3);
            if ((a | b | c | d) < 0) return false;
            out.bytes[out.count++] = static_cast<std::uint8_t>(a << 4 | b);
            out.bytes[out.count++] = static_cast<std::uint8_t>(c << 4 | d);
        } else if (len == 2) {
            if (out.count + 1 > kBytesPerLine) return false;
            int a = hexAt(s, pos), b = hexAt(s, pos + 1);
            if ((a | b) < 0) return false;
            out.bytes[out.count++] = static_cast<std::uint8_t>(a << 4 | b);
        } else {
            return false;
        }
        std::size_t next = end;
        while (next < n && s[next] == ' ') ++next;
        // Two hex digits end the groups: anything but blanks behind them is an error.
        if (len == 2 && next < n && !(stopAtGap && next - end >= 2)) return false;
        if (stopAtGap && next - end >= 2) break;
        pos = next;
    }
    return true;
}

}  // namespace

long long readDecimal(std::string_view text) {
    std::size_t pos = skipBlanks(text, 0);
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    long long value = 0;
    while (pos < text.size() && isDigit(text[pos])) {
        if (value <= INT_MAX) value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return value;
}

LineKind classify(std::string_view line) {
    if (line.empty()) return LineKind::Other;
    if (isDigit(line[0])) return line.size() >= 2 && line[0] == '0' && line[1] == 'x' ? LineKind::Hex : LineKind::Packet;
    std::size_t pos = skipBlanks(line, 0);
    if (pos > 0 && line.substr(pos, 2) == "0x") return LineKind::Hex;
    return LineKind::Other;
}

namespace {

// With -e today's tcpdump puts the link-level header between the time stamp and the
// addresses: "02:00:00:00:00:01 > 00:11:22:33:44:55, ethertype IPv4 (0x0800),
// length 70: 10.0.0.1.40000 > ...", behind a VLAN tag a second "ethertype IPv4
// (0x0800), " follows "vlan 100, p 0, ", and a Linux cooked capture reads " In
// 02:00:00:00:00:01 ethertype IPv4 (0x0800), length 72: ". Returns where the
// addresses begin: behind the last such "ethertype" part, or 0 without one. Only the
// text before the TCP description is searched, so a payload echoed by the line
// cannot move the endpoints.
std::size_t linkHeaderEnd(std::string_view text) {
    std::size_t limit = text.find("Flags [");
    if (limit == std::string_view::npos) limit = text.size();
    std::size_t begin = 0;
    for (std::size_t e = text.find("ethertype "); e < limit; e = text.find("ethertype ", begin)) {
        std::size_t close = text.find(')', e);
        if (close == std::string_view::npos || close >= limit) break;
        std::size_t q = close + 1;
        if (text.substr(q, 9) == ", length ") {
            q += 9;
            while (q < text.size() && isDigit(text[q])) ++q;
            if (q < text.size() && text[q] == ':') ++q;
        } else if (q < text.size() && text[q] == ',') {
            ++q;
        }
        begin = skipBlanks(text, q);
    }
    return begin;
}

// The end of the endpoints text: the first ":" followed by a blank or ending the
// line. IPv4 addresses hold no ":", so for them this is the first ":"; IPv6
// addresses ("2001:db8::1.40000") and link addresses hold some that must not end it.
std::size_t endpointsEnd(std::string_view text) {
    for (std::size_t c = text.find(':'); c != std::string_view::npos; c = text.find(':', c + 1))
        if (c + 1 == text.size() || text[c + 1] == ' ' || text[c + 1] == '\t') return c;
    return std::string_view::npos;
}

}  // namespace

PacketLine parsePacketLine(std::string_view line) {
    PacketLine p;
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        p.stampHead = line;
        return p;
    }
    p.stampHead = line.substr(0, colon);
    std::size_t tailStart = colon + 1;
    std::size_t blank = line.find(' ', tailStart);
    if (blank == std::string_view::npos) {
        p.stampTail = line.substr(tailStart);
        return p;
    }
    p.stampTail = line.substr(tailStart, blank - tailStart);
    std::string_view text = line.substr(blank + 1);
    if (std::size_t link = linkHeaderEnd(text)) text.remove_prefix(link);
    std::size_t endColon = endpointsEnd(text);
    std::string_view rest;
    if (endColon == std::string_view::npos) {
        p.endpoints = text;
    } else {
        p.endpoints = text.substr(0, endColon);
        rest = text.substr(endColon + 1);
    }
    // Newer tcpdump names the protocol before the addresses.
    if (p.endpoints.substr(0, 3) == "IP ") p.endpoints.remove_prefix(3);
    else if (p.endpoints.substr(0, 4) == "IP6 ") p.endpoints.remove_prefix(4);
    std::size_t flags = rest.find("Flags [");
    p.payloadLength = flags != std::string_view::npos ? flagsLength(rest, flags) : rangeLength(rest);
    return p;
}

HexLine splitHexLine(std::string_view line) {
    HexLine h;
    std::size_t pos = skipBlanks(line, 0);
    if (line.substr(pos, 2) != "0x") return h;
    pos += 2;
    std::size_t digits = 0;
    std::uint32_t offset = 0;
    for (int v; pos < line.size() && (v = hexAt(line, pos)) >= 0; ++pos, ++digits) {
        if (digits >= 8) return h;
        offset = offset << 4 | static_cast<std::uint32_t>(v);
    }
    if (digits == 0 || pos >= line.size()) return h;
    h.offset = offset;
    if (line[pos] == ':') {
        h.modern = true;
        h.hex = line.substr(pos + 1);
        h.framed = true;
    } else if (line[pos] == '\t') {
        std::string_view fields = line.substr(pos + 1);
        std::size_t tab = fields.find('\t');
        h.hex = fields.substr(0, tab);
        if (tab != std::string_view::npos) {
            // Further tabs only pad the gap (no printed character is a tab).
            std::size_t c = tab + 1;
            while (c < fields.size() && fields[c] == '\t') ++c;
            h.chars = fields.substr(c);
        }
        h.framed = true;
    }
    return h;
}

bool decodeHex(HexLine& h) {
    h.count = 0;
    h.valid = h.framed && readGroups(h.hex, h.modern, h);
    return h.valid;
}

HexLine parseHexLine(std::string_view line) {
    HexLine h = splitHexLine(line);
    decodeHex(h);
    return h;
}

}  // namespace wirefold
