#include "packets.h"

#include <cstdio>

namespace wftest {
namespace {
// Appends byte by byte (GCC 12 warns falsely about range inserts into small vectors).
void append(Bytes& to, const Bytes& from) {
    for (std::uint8_t b : from) to.push_back(b);
}
void append(Bytes& to, const std::string& from) {
    for (char c : from) to.push_back(static_cast<std::uint8_t>(c));
}
}  // namespace

namespace {
Bytes tcpSegment(const TcpPacket& p) {
    std::size_t doff = 5 + p.tcpOptions.size() / 4;
    Bytes b = {0x9c, 0x40, 0, 21,
               static_cast<std::uint8_t>(p.seq >> 24), static_cast<std::uint8_t>(p.seq >> 16),
               static_cast<std::uint8_t>(p.seq >> 8), static_cast<std::uint8_t>(p.seq),
               0, 0, 0, 1, static_cast<std::uint8_t>(doff << 4), p.flags, 0x01, 0xf6, 0, 0, 0, 0};
    append(b, p.tcpOptions);
    append(b, p.payload);
    return b;
}
}  // namespace

Bytes ipPacket(const TcpPacket& p) {
    std::size_t ihl = 5 + p.ipOptions.size() / 4;
    Bytes tcp = tcpSegment(p);
    std::size_t total = ihl * 4 + tcp.size();
    Bytes b = {static_cast<std::uint8_t>(0x40 | ihl), 0, static_cast<std::uint8_t>(total >> 8),
               static_cast<std::uint8_t>(total), 0, 1, 0x40, 0, 64, 6, 0, 0, 10, 0, 0, 1, 10, 0, 0, 2};
    append(b, p.ipOptions);
    unsigned long sum = 0;
    for (std::size_t i = 0; i < ihl * 4; i += 2) sum += b[i] << 8 | b[i + 1];
    while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
    b[10] = static_cast<std::uint8_t>(~sum >> 8);
    b[11] = static_cast<std::uint8_t>(~sum);
    append(b, tcp);
    return b;
}

Bytes ip6Packet(const TcpPacket& p, bool hopByHop) {
    Bytes tcp = tcpSegment(p);
    std::size_t length = tcp.size() + (hopByHop ? 8 : 0);
    Bytes b = {0x60, 0, 0, 0, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length),
               static_cast<std::uint8_t>(hopByHop ? 0 : 6), 64};
    for (std::uint8_t last : {1, 2}) {
        append(b, Bytes{0x20, 0x01, 0x0d, 0xb8});
        for (int i = 0; i < 11; ++i) b.push_back(0);
        b.push_back(last);
    }
    if (hopByHop) append(b, Bytes{6, 0, 1, 4, 0, 0, 0, 0});  // next TCP, PadN
    append(b, tcp);
    return b;
}

Bytes ethernetFrame(const Bytes& ip, bool vlan, std::uint8_t destination) {
    Bytes f = {destination, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb};
    if (vlan) append(f, Bytes{0x81, 0x00, 0x00, 0x64});
    const bool v6 = !ip.empty() && ip[0] >> 4 == 6;
    append(f, Bytes{static_cast<std::uint8_t>(v6 ? 0x86 : 0x08), static_cast<std::uint8_t>(v6 ? 0xdd : 0x00)});
    append(f, ip);
    // Padding that is not zero, so a payload running into it would show.
    while (f.size() < 60) f.push_back('Z');
    return f;
}

Bytes cookedFrame(const Bytes& ip) {
    const bool v6 = !ip.empty() && ip[0] >> 4 == 6;
    Bytes f = {0, 0, 0, 1, 0, 6, 0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb, 0, 0,
               static_cast<std::uint8_t>(v6 ? 0x86 : 0x08), static_cast<std::uint8_t>(v6 ? 0xdd : 0x00)};
    append(f, ip);
    return f;
}

std::string oldDump(const Bytes& bytes) {
    std::string out;
    char buf[16];
    for (std::size_t line = 0; line < bytes.size(); line += 16) {
        std::snprintf(buf, sizeof buf, "0x%04x\t ", static_cast<unsigned>(line & 0xffff));
        out += buf;
        std::string chars;
        for (std::size_t i = line; i < bytes.size() && i < line + 16; i += 2) {
            if (i + 1 < bytes.size())
                std::snprintf(buf, sizeof buf, "%02x%02x ", bytes[i], bytes[i + 1]);
            else
                std::snprintf(buf, sizeof buf, "%02x ", bytes[i]);
            out += buf;
        }
        for (std::size_t i = line; i < bytes.size() && i < line + 16; ++i)
            chars += bytes[i] > 0x20 && bytes[i] < 0x7f ? static_cast<char>(bytes[i]) : '.';
        out += "\t" + chars + "\n";
    }
    return out;
}

std::string oldPacketLine(const std::string& stamp, const std::string& range) {
    return stamp + " 10.0.0.1.40000 > 10.0.0.2.21: P " + range + " ack 1 win 5840 (DF)\n";
}

std::string format(const std::string& text, const wirefold::Settings& s) {
    std::string out;
    wirefold::Formatter f(s, out);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        f.line(std::string_view(text).substr(pos, nl - pos));
        pos = nl + 1;
    }
    f.finish();
    return out;
}

}  // namespace wftest
