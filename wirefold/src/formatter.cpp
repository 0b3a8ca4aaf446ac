#include "wirefold/formatter.h"

#include <algorithm>
#include <cstdio>

#include "wirefold/timestamp.h"

namespace wirefold {
namespace {

// The largest dump kept for one packet: an IPv4 packet of the largest size behind a
// link-layer header, with room to spare.
constexpr std::size_t kMaxDumpBytes = 1 << 18;

// Japan standard time is UTC+9.
constexpr int kJstHours = 9;

const char kMask[] = "PASS ????????";

char shown(unsigned char byte) { return byte >= 0x20 && byte <= 0x7e ? static_cast<char>(byte) : '.'; }

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
}

void Formatter::writeStamp(const PacketLine& p, std::string_view text) {
    Stamp s;
    if (settings_.jst && parseStamp(text, s)) {
        addHours(s, kJstHours);
        char buf[48];
        int n = std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:", s.month, s.day, s.year, s.hour);
        out_.append(buf, static_cast<std::size_t>(n));
        return;
    }
    // Without -jst, or when the line does not start with a time stamp that can be
    // read, the text is copied as it stands.
    out_.append(p.stampHead);
    out_ += ':';
}

void Formatter::hexLine(std::string_view text) {
    HexLine h = parseHexLine(text);
    if (!h.valid) {
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
    } else if (!walking_ || broken_) {
        return;
    } else if (h.modern != modern_ || h.offset != bytes_.size() || bytes_.size() + h.count > kMaxDumpBytes) {
        // A line is missing, a short line was not the last, or the layouts mix:
        // what follows cannot be placed in the packet.
        broken_ = true;
        return;
    }
    for (int i = 0; i < h.count; ++i) {
        bytes_ += static_cast<char>(h.bytes[i]);
        // The older layout's character field is taken as tcpdump printed it; today's
        // is rebuilt from the bytes (it shows blanks as dots).
        std::size_t at = static_cast<std::size_t>(i);
        chars_ += !h.modern && at < h.chars.size() ? h.chars[at] : shown(h.bytes[i]);
    }
    tryComplete(false);
}

int Formatter::ipStart(bool final) const {
    if (!modern_) return 0;
    const std::string& b = bytes_;
    if (!final && b.size() < 20) return -1;
    auto at = [&](std::size_t i) { return i < b.size() ? static_cast<int>(static_cast<unsigned char>(b[i])) : -1; };
    auto ipv4 = [&](std::size_t i) { return at(i) >= 0 && (at(i) >> 4) == 4; };
    int link = -2;
    if (at(12) == 0x08 && at(13) == 0x00 && ipv4(14))
        link = 14;  // Ethernet
    else if (at(12) == 0x81 && at(13) == 0x00 && at(16) == 0x08 && at(17) == 0x00 && ipv4(18))
        link = 18;  // Ethernet with a VLAN tag
    else if (at(14) == 0x08 && at(15) == 0x00 && ipv4(16))
        link = 16;  // Linux cooked capture
    if (!ipv4(0)) return link;
    if (link < 0) return 0;
    // Both readings look like IPv4: the header checksum decides.
    bool known0 = false, knownLink = false;
    if (checksumOk(b, 0, known0)) return 0;
    if (checksumOk(b, static_cast<std::size_t>(link), knownLink)) return link;
    if (!final && (!known0 || !knownLink)) return -1;
    return 0;
}

void Formatter::tryComplete(bool final) {
    if (!open_) return;
    if (!walking_) {
        if (final) closeString();
        return;
    }
    int ip = ipStart(final);
    if (ip < 0) {
        if (final) closeString();
        return;
    }
    // Walk the IP header, then the TCP header, to the first payload byte.
    std::size_t ipAt = static_cast<std::size_t>(ip);
    std::size_t start = 0;
    bool headersRead = false;
    if (ipAt < bytes_.size()) {
        std::size_t ipLength = static_cast<std::size_t>(static_cast<unsigned char>(bytes_[ipAt]) & 0x0f) * 4;
        std::size_t tcpAt = ipAt + ipLength;
        if (ipLength >= 20 && tcpAt + 12 < bytes_.size()) {
            std::size_t tcpLength = static_cast<std::size_t>(static_cast<unsigned char>(bytes_[tcpAt + 12]) >> 4) * 4;
            if (tcpLength < 20) {
                // No TCP header can be this short: the dump holds no usable payload.
                broken_ = true;
            } else {
                start = tcpAt + tcpLength;
                headersRead = true;
            }
        } else if (ipLength < 20) {
            broken_ = true;
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
    std::string_view chars = n ? std::string_view(chars_).substr(start, n) : std::string_view();
    // An FTP password is never written: from a "PASS" that begins the payload, or a
    // command line within it, the text is replaced.
    std::size_t cut = std::string_view::npos;
    for (std::size_t k = 0; k + 4 <= n; ++k) {
        if (k > 0 && bytes_[start + k - 1] != '\n') continue;
        if (upper(chars[k]) == 'P' && upper(chars[k + 1]) == 'A' && upper(chars[k + 2]) == 'S' &&
            upper(chars[k + 3]) == 'S') {
            cut = k;
            break;
        }
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
}

}  // namespace wirefold
