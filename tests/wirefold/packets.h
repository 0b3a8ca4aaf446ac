// Builds TCP/IPv4 and TCP/IPv6 packets and renders them as tcpdump text of the older layout.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "wirefold/formatter.h"

namespace wftest {

using Bytes = std::vector<std::uint8_t>;

struct TcpPacket {
    TcpPacket(std::string text = "", Bytes ipOpts = {}, Bytes tcpOpts = {}, std::uint8_t tcpFlags = 0x18,
              std::uint32_t sequence = 1)
        : payload(std::move(text)), ipOptions(std::move(ipOpts)), tcpOptions(std::move(tcpOpts)), flags(tcpFlags),
          seq(sequence) {}
    std::string payload;
    Bytes ipOptions;    // a multiple of four bytes
    Bytes tcpOptions;   // a multiple of four bytes
    std::uint8_t flags = 0x18;  // PSH ACK
    std::uint32_t seq = 1;
};

// The IPv4 packet (header with a correct checksum, TCP header, payload).
Bytes ipPacket(const TcpPacket& p);
// The same TCP segment in an IPv6 packet from 2001:db8::1 to 2001:db8::2, with a
// hop-by-hop options header in front of TCP when `hopByHop` is set.
Bytes ip6Packet(const TcpPacket& p, bool hopByHop = false);
// The packet behind an Ethernet header (EtherType by the IP version), padded to the
// 60-byte minimum frame. `vlan` puts an 802.1Q tag in; `destination` is the first
// byte of the destination address.
Bytes ethernetFrame(const Bytes& ip, bool vlan = false, std::uint8_t destination = 0x00);
// The packet behind a Linux cooked capture header.
Bytes cookedFrame(const Bytes& ip);

// Hex-dump lines of the older layout: "0x0000<TAB> 4500 003b ... <TAB>E..;..".
std::string oldDump(const Bytes& bytes);

// A packet line of the older layout for the given time and sequence range word.
std::string oldPacketLine(const std::string& stamp, const std::string& range);

// Runs the formatter over a whole text.
std::string format(const std::string& text, const wirefold::Settings& s = {});

}  // namespace wftest
