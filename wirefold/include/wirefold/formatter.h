// Turns tcpdump text into one line per packet: time stamp, endpoints and the TCP
// payload as a quoted string. Feed it the input line by line; it appends output
// text to a string that the caller empties when it likes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "wirefold/lines.h"

namespace wirefold {

struct Settings {
    bool jst = false;       // shift time stamps from UTC to Japan time (UTC+9)
    long long limit = 80;   // most payload characters written per packet
};

// Input lines longer than this are cut; the rest of such a line is dropped.
constexpr std::size_t kMaxLineBytes = 1023;

class Formatter {
public:
    Formatter(const Settings& settings, std::string& out) : settings_(settings), out_(out) {}

    void line(std::string_view text);
    // End of input: closes the payload string of the last packet if it is open.
    void finish();

private:
    void packetLine(std::string_view text);
    void hexLine(std::string_view text);
    void writeStamp(const PacketLine& p, std::string_view text);
    // Writes the payload and closes the string once it is complete, or, with
    // `final`, with whatever part of it the dump held.
    void tryComplete(bool final);
    // Where the IP header (IPv4 or IPv6) starts in the dump: 0, or behind a
    // link-layer header in today's -xx / -XX dumps. -1 while undecided, -2 when no
    // IP header is found.
    int ipStart(bool final) const;
    // Whether the IP header at `at` is consistent: the IPv4 checksum, or the IPv6
    // payload length against the complete dump. `known` is false while the dump
    // cannot tell yet.
    bool ipHeaderFits(std::size_t at, bool final, bool& known) const;
    // Where the TCP header starts behind the IP header at `ip`: -1 while the dump
    // does not reach it yet, or, with `broken` set, when there is none (an IPv4
    // header shorter than 5 words, a later fragment, a protocol other than TCP).
    int tcpStart(std::size_t ip, bool& broken) const;
    void closeString();

    Settings settings_;
    std::string& out_;

    bool open_ = false;          // a payload string is open
    long long wanted_ = 0;       // payload characters to write for the open packet
    bool walking_ = false;       // hex lines of the open packet are being collected
    bool broken_ = false;        // the dump stopped making sense; ignore its rest
    bool modern_ = false;        // the dump is in today's layout
    std::string bytes_;          // packet bytes from the hex fields
    std::string chars_;          // the payload characters, aligned with bytes_
    static constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);
    std::size_t start_ = kUnknown;  // first payload byte in bytes_, once the headers are walked
};

}  // namespace wirefold
