#include "wirefold/formatter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "wirefold/timestamp.h"

namespace wirefold {
namespace {

// The largest dump kept for one packet: an IPv4 packet of the largest size behind a
// link-layer header, with room to spare.
constexpr std::size_t kMaxDumpBytes = 1 << 18;

// Japan standard time is UTC+9.
constexpr int kJstHours = 9;

const char kMask[] = "PASS ????????";

// How a payload byte is written: printable ASCII as itself, everything else, the blank
// included, as "." -- the convention of the older layout's character field, applied to
// both layouts so that the same traffic always gives the same text.
char shown(unsigned char byte) { return byte > 0x20 && byte <= 0x7e ? static_cast<char>(byte) : '.'; }

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// True when the IPv4 header at `at` has a correct checksum. `known` is false when
// the dump does not reach the end of the header.
bool checksumOk(const std::string& b, std::size_t at, bool& known) {
    std::size_t len = static_cast<std::size_t>(static_cast<unsigned char>(b[at]) & 0x0f) * 4;
    known = at + len <= b.size();
    if (!known || len < 20) return false;
    unsigned long sum = 0;
    for (std::size_t i = at; i < at + len; i += 2)
        sum += static_cast<unsigned long>(static_cast<unsigned char>(b[i])) << 8 | static_cast<unsigned char>(b[i + 1]);
    while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
    return sum == 0xffff;
}

}  // namespace

void Formatter::line(std::string_view text) {
    switch (classify(text)) {
    case LineKind::Packet:
        packetLine(text);
        break;
    case LineKind::Hex:
        if (open_) hexLine(text);
        break;
    case LineKind::Other:
        break;
    }
}

void Formatter::finish() {
    if (open_) tryComplete(true);
}

void Formatter::packetLine(std::string_view text) {
    if (open_) tryComplete(true);
    PacketLine p = parsePacketLine(text);
    writeStamp(p, text);
    out_.append(p.stampTail);
    out_ += ' ';
    out_.append(p.endpoints);
    out_ += ' ';
    long long length = std::min(p.payloadLength, settings_.limit);
    if (length < 1) {
        out_ += "\"\"\n";
        return;
    }
    out_ += '"';
    open_ = true;
    wanted_ = length;
    walking_ = false;
    broken_ = false;
    bytes_.clear();
    chars_.clear();
    start_ = kUnknown;
}

void Formatter::writeStamp(const PacketLine& p, std::string_view text) {
    Stamp s;
    if (settings_.jst && parseStamp(text, s)) {
        addHours(s, kJstHours);
        // "%02d/%02d/%04d %02d:", written by hand: this runs once per packet.
        char buf[16];
        auto two = [](char* p, int v) {
            p[0] = static_cast<char>('0' + v / 10);
            p[1] = static_cast<char>('0' + v % 10);
        };
        two(buf, s.month);
        buf[2] = '/';
        two(buf + 3, s.day);
        buf[5] = '/';
        std::size_t n = 6;
        if (s.year > 9999) {
            n += static_cast<std::size_t>(std::snprintf(buf + 6, sizeof buf - 6, "%d", s.year));
        } else {
            two(buf + 6, s.year / 100);
            two(buf + 8, s.year % 100);
            n = 10;
        }
        buf[n++] = ' ';
        two(buf + n, s.hour);
        n += 2;
        buf[n++] = ':';
        out_.append(buf, n);
        return;
    }
    // Without -jst, or when the line does not start with a time stamp that can be
    // read, the text is copied as it stands.
    out_.append(p.stampHead);
    out_ += ':';
}

void Formatter::hexLine(std::string_view text) {
    HexLine h = splitHexLine(text);
    if (h.framed && !h.modern && h.offset != 0 && walking_ && !broken_ && start_ != kUnknown &&
        h.offset == bytes_.size() && bytes_.size() >= start_ && h.chars.size() >= kBytesPerLine &&
        !std::memchr(h.chars.data(), '.', kBytesPerLine) && !std::memchr(h.chars.data(), ' ', kBytesPerLine)) {
        // A full payload line of the older layout whose characters are all printable:
        // the character field is the payload and equals the bytes, so the hex groups
        // need not be read.
        std::string_view c = h.chars.substr(0, kBytesPerLine);
        if (bytes_.size() + c.size() > kMaxDumpBytes) {
            broken_ = true;
            return;
        }
        bytes_.append(c);
        chars_.append(c);
        tryComplete(false);
        return;
    }
    if (!decodeHex(h)) {
        broken_ = walking_;
        return;
    }
    if (h.offset == 0) {
        // The first line of a dump: start collecting this packet's bytes afresh.
        walking_ = true;
        broken_ = false;
        modern_ = h.modern;
        bytes_.clear();
        chars_.clear();
        start_ = kUnknown;
    } else if (!walking_ || broken_) {
        return;
    } else if (h.modern != modern_ || h.offset != bytes_.size() || bytes_.size() + h.count > kMaxDumpBytes) {
        // A line is missing, a short line was not the last, or the layouts mix:
        // what follows cannot be placed in the packet.
        broken_ = true;
        return;
    }
    std::size_t count = static_cast<std::size_t>(h.count);
    bytes_.append(reinterpret_cast<const char*>(h.bytes), count);
    if (!h.modern) {
        // The older layout's character field is taken as tcpdump printed it; a blank
        // there (hand-made text) is written as "." like every blank. Today's layout
        // has no field for -x, so there the characters come from the bytes.
        std::size_t taken = std::min(count, h.chars.size());
        for (std::size_t i = 0; i < taken; ++i) chars_ += h.chars[i] == ' ' ? '.' : h.chars[i];
        for (std::size_t i = taken; i < count; ++i) chars_ += shown(h.bytes[i]);
    }
    tryComplete(false);
}

int Formatter::ipStart(bool final) const {
    if (!modern_) return 0;
    const std::string& b = bytes_;
    if (!final && b.size() < 20) return -1;
    auto at = [&](std::size_t i) { return i < b.size() ? static_cast<int>(static_cast<unsigned char>(b[i])) : -1; };
    auto version = [&](std::size_t i) { return at(i) >= 0 ? at(i) >> 4 : -1; };
    // An EtherType at `type` announcing the IP version found at `ip`.
    auto carries = [&](std::size_t type, std::size_t ip) {
        return (at(type) == 0x08 && at(type + 1) == 0x00 && version(ip) == 4) ||
               (at(type) == 0x86 && at(type + 1) == 0xdd && version(ip) == 6);
    };
    int link = -2;
    if (carries(12, 14))
        link = 14;  // Ethernet
    else if (at(12) == 0x81 && at(13) == 0x00 && carries(16, 18))
        link = 18;  // Ethernet with a VLAN tag
    else if (carries(14, 16))
        link = 16;  // Linux cooked capture
    if (version(0) != 4 && version(0) != 6) return link;
    if (link < 0) return 0;
    // Both readings look like IP: an IPv4 header checksum, or an IPv6 payload length
    // that ends exactly at the end of the dump, decides.
    bool known0 = false, knownLink = false;
    if (ipHeaderFits(0, final, known0)) return 0;
    if (ipHeaderFits(static_cast<std::size_t>(link), final, knownLink)) return link;
    if (!final && (!known0 || !knownLink)) return -1;
    return 0;
}

bool Formatter::ipHeaderFits(std::size_t at, bool final, bool& known) const {
    const std::string& b = bytes_;
    if ((static_cast<unsigned char>(b[at]) >> 4) == 4) return checksumOk(b, at, known);
    // IPv6 has no header checksum; its payload length only tells once the dump is
    // complete. IPv6 frames are never padded (they exceed the Ethernet minimum).
    known = final;
    if (!final || at + 40 > b.size()) return false;
    std::size_t length = static_cast<std::size_t>(static_cast<unsigned char>(b[at + 4])) << 8 |
                         static_cast<unsigned char>(b[at + 5]);
    return at + 40 + length == b.size();
}

int Formatter::tcpStart(std::size_t ip, bool& broken) const {
    const std::string& b = bytes_;
    auto byte = [&](std::size_t i) { return static_cast<std::size_t>(static_cast<unsigned char>(b[i])); };
    if ((byte(ip) >> 4) != 6) {
        std::size_t ipLength = (byte(ip) & 0x0f) * 4;
        if (ipLength >= 20) return static_cast<int>(ip + ipLength);
        broken = true;
        return -1;
    }
    // IPv6: the fixed header, then the extension headers up to TCP (next header 6).
    if (ip + 40 > b.size()) return -1;
    std::size_t next = byte(ip + 6), at = ip + 40;
    for (int hops = 0; next != 6; ++hops) {
        if (hops == 8) {
            broken = true;
            return -1;
        }
        if (at + 8 > b.size()) return -1;
        std::size_t length;
        switch (next) {
        case 0:   // hop-by-hop options
        case 43:  // routing
        case 60:  // destination options
            length = (byte(at + 1) + 1) * 8;
            break;
        case 51:  // authentication
            length = (byte(at + 1) + 2) * 4;
            break;
        case 44:  // fragment: only the first fragment holds the TCP header
            if ((byte(at + 2) << 8 | byte(at + 3)) & 0xfff8) {
                broken = true;
                return -1;
            }
            length = 8;
            break;
        default:  // not TCP (or encrypted): no payload to show
            broken = true;
            return -1;
        }
        next = byte(at);
        at += length;
    }
    return static_cast<int>(at);
}

void Formatter::tryComplete(bool final) {
    if (!open_) return;
    if (!walking_) {
        if (final) closeString();
        return;
    }
    if (!final && start_ != kUnknown) {
        // Headers already walked: only the amount of payload matters.
        if (bytes_.size() < start_ + static_cast<std::size_t>(wanted_)) return;
    }
    int ip = ipStart(final);
    if (ip < 0) {
        if (final) closeString();
        return;
    }
    // Walk the IP header (and IPv6's extension headers), then the TCP header, to the
    // first payload byte.
    std::size_t ipAt = static_cast<std::size_t>(ip);
    std::size_t start = 0;
    bool headersRead = false;
    if (ipAt < bytes_.size()) {
        int tcp = tcpStart(ipAt, broken_);
        std::size_t tcpAt = static_cast<std::size_t>(tcp);
        if (tcp >= 0 && tcpAt + 12 < bytes_.size()) {
            std::size_t tcpLength = static_cast<std::size_t>(static_cast<unsigned char>(bytes_[tcpAt + 12]) >> 4) * 4;
            if (tcpLength < 20) {
                // No TCP header can be this short: the dump holds no usable payload.
                broken_ = true;
            } else {
                start = tcpAt + tcpLength;
                start_ = start;
                headersRead = true;
            }
        }
    }
    if (!headersRead) {
        if (final) closeString();
        return;
    }
    std::size_t avail = bytes_.size() > start ? bytes_.size() - start : 0;
    std::size_t wanted = static_cast<std::size_t>(wanted_);
    if (!final && avail < wanted) return;
    std::size_t n = std::min(avail, wanted);
    if (modern_) {
        chars_.resize(start + n);
        for (std::size_t i = start; i < start + n; ++i) chars_[i] = shown(static_cast<unsigned char>(bytes_[i]));
    }
    std::string_view chars = n ? std::string_view(chars_).substr(start, n) : std::string_view();
    // An FTP password is never written: from a "PASS" that begins the payload, or a
    // command line within it, the text is replaced.
    auto isPass = [&](std::size_t k) {
        return k + 4 <= n && upper(chars[k]) == 'P' && upper(chars[k + 1]) == 'A' && upper(chars[k + 2]) == 'S' &&
               upper(chars[k + 3]) == 'S';
    };
    std::size_t cut = std::string_view::npos;
    if (isPass(0)) cut = 0;
    for (std::size_t k = 0; cut == std::string_view::npos && k + 4 < n;) {
        const void* lf = std::memchr(bytes_.data() + start + k, '\n', n - 4 - k);
        if (!lf) break;
        k = static_cast<std::size_t>(static_cast<const char*>(lf) - bytes_.data()) - start + 1;
        if (isPass(k)) cut = k;
    }
    if (cut == std::string_view::npos) {
        out_.append(chars);
    } else {
        out_.append(chars.substr(0, cut));
        out_ += kMask;
    }
    closeString();
}

void Formatter::closeString() {
    out_ += "\"\n";
    open_ = false;
    walking_ = false;
    broken_ = false;
    bytes_.clear();
    chars_.clear();
    start_ = kUnknown;
}

}  // namespace wirefold
