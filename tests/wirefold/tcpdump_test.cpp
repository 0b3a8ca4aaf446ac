// Today's tcpdump: capture files written here are printed by the installed tcpdump
// in each dump form, and the payloads that come out must be the bytes put in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <unistd.h>

#include "packets.h"

using namespace wftest;

namespace {

const char* tcpdumpPath() {
    for (const char* p : {"/usr/bin/tcpdump", "/usr/sbin/tcpdump"})
        if (access(p, X_OK) == 0) return p;
    return nullptr;
}

void put32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i));
}

constexpr std::uint32_t kEthernet = 1, kCooked = 113;

// A capture file of frames, one second apart from 2001-09-09 01:46:40 UTC, each cut to
// `snap` bytes.
std::string pcap(const std::vector<Bytes>& frames, bool nano, std::uint32_t link = kEthernet,
                 std::uint32_t snap = 65535) {
    std::string s;
    put32(s, nano ? 0xa1b23c4d : 0xa1b2c3d4);
    s += std::string("\x02\x00\x04\x00", 4);
    put32(s, 0);
    put32(s, 0);
    put32(s, snap);
    put32(s, link);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        put32(s, 1000000000 + static_cast<std::uint32_t>(i));
        put32(s, nano ? 123456789 : 123456);
        const std::size_t kept = std::min<std::size_t>(frames[i].size(), snap);
        put32(s, static_cast<std::uint32_t>(kept));
        put32(s, static_cast<std::uint32_t>(frames[i].size()));
        s.append(frames[i].begin(), frames[i].begin() + static_cast<std::ptrdiff_t>(kept));
    }
    return s;
}

std::string shown(const std::string& payload, std::size_t limit) {
    std::string s;
    for (unsigned char c : payload.substr(0, limit)) s += c > 0x20 && c < 0x7f ? static_cast<char>(c) : '.';
    return s;
}

class TodaysTcpdump : public ::testing::Test {
protected:
    void SetUp() override {
        tool_ = tcpdumpPath();
        if (!tool_) GTEST_SKIP() << "tcpdump is not installed";
        char tmpl[] = "/tmp/wirefold-pcap-XXXXXX";
        dir_ = mkdtemp(tmpl);
    }
    void TearDown() override {
        if (!dir_.empty()) {
            std::remove((dir_ + "/c.pcap").c_str());
            rmdir(dir_.c_str());
        }
    }
    // tcpdump's text for the frames, with the given dump option.
    std::string print(const std::vector<Bytes>& frames, const std::string& options, bool nano = false,
                      std::uint32_t link = kEthernet, std::uint32_t snap = 65535) {
        std::string file = dir_ + "/c.pcap";
        std::ofstream(file, std::ios::binary) << pcap(frames, nano, link, snap);
        std::string cmd = "TZ=UTC " + std::string(tool_) + " -n -tttt " + options + " -r " + file + " 2>/dev/null";
        std::FILE* p = popen(cmd.c_str(), "r");
        std::string text;
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
        EXPECT_EQ(pclose(p), 0) << cmd;
        return text;
    }

    const char* tool_ = nullptr;
    std::string dir_;
};

}  // namespace

TEST_F(TodaysTcpdump, PayloadsAreTheBytesPutIn) {
    std::string longText;
    for (int i = 0; i < 150; ++i) longText += static_cast<char>('a' + i % 26);
    std::string binary("bin\x00\x01\x7f\x80\xff end", 12);
    struct Case {
        TcpPacket packet;
        std::string expected;
    };
    std::vector<Case> cases;
    auto add = [&](TcpPacket p, std::string expected) { cases.push_back({p, expected}); };
    add({"USER anonymous\r\n"}, "USER.anonymous..");
    add({longText}, longText.substr(0, 80));
    add({"RETR file.txt\r\n", {1, 1, 1, 0}, {1, 1, 8, 10, 0, 0, 0, 1, 0, 0, 0, 2}}, "RETR.file.txt..");
    add({"", {}, {}, 0x10}, "");        // pure acknowledgement
    add({"", {}, {}, 0x02, 100}, "");   // SYN
    add({"PASS secret\r\n"}, "PASS ????????");
    add({"USER a\r\nPASS b\r\n"}, "USER.a..PASS ????????");
    add({"ab"}, "ab");                  // the frame is padded with 'Z' to 60 bytes
    add({binary}, shown(binary, 80));
    std::vector<Bytes> frames;
    std::string expected;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        frames.push_back(ethernetFrame(ipPacket(cases[i].packet)));
        expected += "2001-09-09 01:46:" + std::to_string(40 + i) + ".123456 10.0.0.1.40000 > 10.0.0.2.21 \"" +
                    cases[i].expected + "\"\n";
    }
    for (const char* option : {"-X", "-x", "-XX", "-xx"}) EXPECT_EQ(format(print(frames, option)), expected) << option;

    wirefold::Settings wide;
    wide.limit = 200;
    std::string all = format(print(frames, "-X"), wide);
    EXPECT_NE(all.find("\"" + longText + "\""), std::string::npos);
}

TEST_F(TodaysTcpdump, NanosecondStampsAndJapanTime) {
    std::vector<Bytes> frames = {ethernetFrame(ipPacket({"NOOP\r\n"}))};
    EXPECT_EQ(format(print(frames, "-X --time-stamp-precision=nano", true)),
              "2001-09-09 01:46:40.123456789 10.0.0.1.40000 > 10.0.0.2.21 \"NOOP..\"\n");
    wirefold::Settings jst;
    jst.jst = true;
    EXPECT_EQ(format(print(frames, "-xx"), jst), "09/09/2001 10:46:40.123456 10.0.0.1.40000 > 10.0.0.2.21 \"NOOP..\"\n");
}

// The same capture printed by today's tcpdump and written in the older layout (whose
// character field shows every byte outside "!".."~", the blank too, as a dot) gives the
// same lines, payload strings included, so preprocessors see one text per traffic.
TEST_F(TodaysTcpdump, SameOutputAsTheOlderLayoutForTheSamePackets) {
    std::string binary("a b\tc\x00\x7f\x80~!\r\n", 12);
    std::vector<TcpPacket> packets = {{"USER anonymous012\r\n"},
                                      {"LIST -la /pub\r\n", {1, 1, 1, 0}},
                                      {"220 Service ready for new user.  Welcome to the test server\r\n"},
                                      {binary},
                                      {"   \r\n"},
                                      {"PASS not shown\r\n"}};
    std::string older;
    std::vector<Bytes> frames;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        Bytes ip = ipPacket(packets[i]);
        frames.push_back(ethernetFrame(ip));
        const std::string n = std::to_string(packets[i].payload.size());
        older += oldPacketLine("09/09/2001 01:46:" + std::to_string(40 + i) + ".123456", "1:" + n + "(" + n + ")") +
                 oldDump(ip);
    }
    // The historic printout's character field, as the older tool wrote it.
    EXPECT_NE(older.find("\tP.......USER.ano\n"), std::string::npos);
    wirefold::Settings jst;
    jst.jst = true;
    const std::string expected = format(older, jst);
    EXPECT_NE(expected.find("\"USER.anonymous012..\""), std::string::npos) << expected;
    EXPECT_NE(expected.find("\"a.b.c...~!..\""), std::string::npos) << expected;
    EXPECT_NE(expected.find("\".....\""), std::string::npos) << expected;
    EXPECT_NE(expected.find("\"PASS ????????\""), std::string::npos) << expected;
    for (const char* option : {"-X", "-XX", "-x", "-xx"})
        EXPECT_EQ(format(print(frames, option), jst), expected) << option;
}

// Today's tcpdump beyond the older layout: the link-level header of -e before the
// addresses, and IPv6 (also behind a VLAN tag, a cooked capture header or a
// hop-by-hop header) in every dump form.
TEST_F(TodaysTcpdump, LinkHeadersOfDashEAndIpv6) {
    const std::string v4 = "10.0.0.1.40000 > 10.0.0.2.21", v6 = "2001:db8::1.40000 > 2001:db8::2.21";
    struct Case {
        Bytes frame;
        std::string endpoints, payload;
    };
    const std::vector<Case> cases = {
        {ethernetFrame(ipPacket({"USER anonymous\r\n"})), v4, "USER.anonymous.."},
        {ethernetFrame(ip6Packet({"USER anonymous\r\n"})), v6, "USER.anonymous.."},
        {ethernetFrame(ip6Packet({"", {}, {}, 0x10})), v6, ""},
        {ethernetFrame(ip6Packet({"RETR a b\r\n", {}, {1, 1, 1, 0}})), v6, "RETR.a.b.."},
        // tcpdump names the ports behind the options header, after the addresses.
        {ethernetFrame(ip6Packet({"NOOP\r\n"}, true)), "2001:db8::1 > 2001:db8::2", "NOOP.."},
        {ethernetFrame(ip6Packet({"PASS secret\r\n"}), true), v6, "PASS ????????"},
        {ethernetFrame(ipPacket({"LIST\r\n"}), true), v4, "LIST.."},
        // A destination address whose first byte reads as an IP version nibble.
        {ethernetFrame(ip6Packet({"STAT\r\n"}), false, 0x62), v6, "STAT.."},
        {ethernetFrame(ipPacket({"SYST\r\n"}), false, 0x45), v4, "SYST.."},
    };
    std::vector<Bytes> frames;
    std::string expected;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        frames.push_back(cases[i].frame);
        expected += "2001-09-09 01:46:" + std::to_string(40 + i) + ".123456 " + cases[i].endpoints + " \"" +
                    cases[i].payload + "\"\n";
    }
    for (const char* option : {"-X", "-x", "-XX", "-xx", "-e -X", "-e -x", "-e -XX", "-e -xx"})
        EXPECT_EQ(format(print(frames, option)), expected) << option;

    const std::vector<Bytes> cooked = {cookedFrame(ipPacket({"USER a\r\n"})), cookedFrame(ip6Packet({"USER b\r\n"}))};
    const std::string both = "2001-09-09 01:46:40.123456 " + v4 + " \"USER.a..\"\n" +
                             "2001-09-09 01:46:41.123456 " + v6 + " \"USER.b..\"\n";
    for (const char* option : {"-e -XX", "-e -X", "-xx"})
        EXPECT_EQ(format(print(cooked, option, false, kCooked)), both) << option;
}

// A packet cut short by the capture length keeps the part of its payload the capture
// holds; one cut inside its headers gets an empty payload.
TEST_F(TodaysTcpdump, PacketsCutByTheCaptureLength) {
    const std::vector<Bytes> frames = {ethernetFrame(ipPacket({"USER anonymous\r\n"})),
                                       ethernetFrame(ip6Packet({"USER anonymous\r\n"})),
                                       ethernetFrame(ip6Packet({"USER anonymous\r\n"}))};
    // 14 + 20 + 20 + 6 bytes of the IPv4 frame and 14 + 40 + 20 + 6 of the IPv6 one.
    std::string cut4 = format(print({frames[0]}, "-X", false, kEthernet, 60));
    EXPECT_EQ(cut4, "2001-09-09 01:46:40.123456 10.0.0.1.40000 > 10.0.0.2.21 \"USER.a\"\n");
    for (const char* option : {"-X", "-e -xx"})
        EXPECT_EQ(format(print({frames[1]}, option, false, kEthernet, 80)),
                  "2001-09-09 01:46:40.123456 2001:db8::1.40000 > 2001:db8::2.21 \"USER.a\"\n")
            << option;
    EXPECT_EQ(format(print({frames[2]}, "-X", false, kEthernet, 70)),
              "2001-09-09 01:46:40.123456 2001:db8::1.40000 > 2001:db8::2.21 \"\"\n");
}
