// The formatter on hand-written text of the older tcpdump layout.
#include <gtest/gtest.h>

#include "packets.h"
#include "wirefold/timestamp.h"

using namespace wftest;
using wirefold::Settings;

namespace {

const char kEnds[] = " 10.0.0.1.40000 > 10.0.0.2.21 ";

std::string packet(const std::string& stamp, const std::string& payload) {
    TcpPacket p;
    p.payload = payload;
    std::string range = "1:" + std::to_string(1 + payload.size()) + "(" + std::to_string(payload.size()) + ")";
    return oldPacketLine(stamp, range) + oldDump(ipPacket(p));
}

std::string line(const std::string& stamp, const std::string& quoted) {
    return stamp + kEnds + "\"" + quoted + "\"\n";
}

Settings jst() {
    Settings s;
    s.jst = true;
    return s;
}

}  // namespace

TEST(Formatter, WritesStampEndpointsAndPayload) {
    // The hand-made line of the layout as documented: tabs between the fields.
    std::string text =
        "02/03/2001 04:05:06.789012 10.0.0.1.1234 > 10.0.0.2.21: P 1:12(11) ack 1 win 5840 (DF)\n"
        "0x0000\t 4500 0033 0001 4000 4006 0000 0a00 0001 \tE..3..@.@.......\n"
        "0x0010\t 0a00 0002 04d2 0015 0000 0001 0000 0001 \t................\n"
        "0x0020\t 5018 16d0 0000 0000 5553 4552 2061 6e6f \tP.......USER.ano\n"
        "0x0030\t 6e0d 0a\t\t\tn..\n";  // a short last line, its gap padded with tabs
    // The characters come from the character field as printed, blanks shown as dots included.
    EXPECT_EQ(format(text), "02/03/2001 04:05:06.789012 10.0.0.1.1234 > 10.0.0.2.21 \"USER.anon..\"\n");
    EXPECT_EQ(format(packet("02/03/2001 04:05:06.789012", "RETR a.txt\r\n")),
              line("02/03/2001 04:05:06.789012", "RETR.a.txt.."));
}

TEST(Formatter, ShiftsToJapanTimeAcrossDaysMonthsYearsAndLeapDays) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"12/31/2001 20:00:00.000001", "01/01/2002 05:00:00.000001"},
        {"02/28/2000 15:30:00.5", "02/29/2000 00:30:00.5"},
        {"02/28/1900 15:30:00.5", "03/01/1900 00:30:00.5"},
        {"02/28/2004 15:00:00.0", "02/29/2004 00:00:00.0"},
        {"02/29/2004 15:00:00.0", "03/01/2004 00:00:00.0"},
        {"04/30/2003 14:59:59.9", "04/30/2003 23:59:59.9"},
        {"04/30/2003 15:00:00.0", "05/01/2003 00:00:00.0"},
        // Today's layout is shifted into the same form.
        {"2001-12-31 20:00:00.123456789", "01/01/2002 05:00:00.123456789"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(format(packet(c.in, ""), jst()), line(c.out, "")) << c.in;
        // Without -jst the text stands as it is.
        EXPECT_EQ(format(packet(c.in, ""), {}), line(c.in, "")) << c.in;
    }
    // A line that starts with no readable date keeps its text even with -jst.
    EXPECT_EQ(format("13/01/2001 10:00:00.0 a > b: . ack 1\n", jst()), "13/01/2001 10:00:00.0 a > b \"\"\n");
}

TEST(Formatter, LimitsThePayload) {
    std::string payload;
    for (int i = 0; i < 120; ++i) payload += static_cast<char>('A' + i % 26);
    std::string text = packet("01/01/2002 00:00:00.0", payload);
    EXPECT_EQ(format(text), line("01/01/2002 00:00:00.0", payload.substr(0, 80)));
    Settings wide;
    wide.limit = 200;
    EXPECT_EQ(format(text, wide), line("01/01/2002 00:00:00.0", payload));
    Settings none;
    none.limit = 0;
    EXPECT_EQ(format(text, none), line("01/01/2002 00:00:00.0", ""));
    Settings three;
    three.limit = 3;
    EXPECT_EQ(format(text, three), line("01/01/2002 00:00:00.0", "ABC"));
}

TEST(Formatter, PacketsWithoutPayload) {
    TcpPacket ack;
    ack.flags = 0x10;
    std::string text = "01/01/2002 00:00:00.0 10.0.0.1.40000 > 10.0.0.2.21: . ack 20 win 5840 (DF)\n" +
                       oldDump(ipPacket(ack)) +
                       "01/01/2002 00:00:01.0 10.0.0.1.40000 > 10.0.0.2.21: S 5:5(0) win 5840 <mss 1460>\n" +
                       "01/01/2002 00:00:02.0 10.0.0.1.40000 > 10.0.0.2.21: P 1:1(-4) win 5840\n";
    EXPECT_EQ(format(text), line("01/01/2002 00:00:00.0", "") + line("01/01/2002 00:00:01.0", "") +
                                line("01/01/2002 00:00:02.0", ""));
}

TEST(Formatter, MasksPasswords) {
    const std::string t = "01/01/2002 00:00:00.0";
    EXPECT_EQ(format(packet(t, "PASS secret\r\n")), line(t, "PASS ????????"));
    EXPECT_EQ(format(packet(t, "pass secret\r\n")), line(t, "PASS ????????"));
    // The password command behind another command in the same segment.
    EXPECT_EQ(format(packet(t, "USER anonymous\r\nPASS secret\r\n")), line(t, "USER.anonymous..PASS ????????"));
    // Other text that merely contains the word is kept.
    EXPECT_EQ(format(packet(t, "331 Need PASS\r\n")), line(t, "331.Need.PASS.."));
}

TEST(Formatter, WalksIpAndTcpOptions) {
    const std::string t = "01/01/2002 00:00:00.0";
    TcpPacket p;
    p.payload = "STOR report-with-a-long-name.txt\r\n";
    p.ipOptions = {1, 1, 1, 0};                                    // header length 6 words
    p.tcpOptions = {1, 1, 8, 10, 0, 0, 0, 1, 0, 0, 0, 2};          // data offset 8
    std::string text = oldPacketLine(t, "1:35(34)") + oldDump(ipPacket(p));
    EXPECT_EQ(format(text), line(t, "STOR.report-with-a-long-name.txt.."));
    // The longest headers: 15 words each.
    p.ipOptions.assign(40, 1);
    p.tcpOptions.assign(40, 1);
    text = oldPacketLine(t, "1:35(34)") + oldDump(ipPacket(p));
    EXPECT_EQ(format(text), line(t, "STOR.report-with-a-long-name.txt.."));
}

TEST(Formatter, ClosesAnOpenStringAtTheNextPacketAndAtTheEnd) {
    const std::string t = "01/01/2002 00:00:00.0";
    TcpPacket p;
    p.payload = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string dump = oldDump(ipPacket(p));
    // Only the first three dump lines arrive: 8 payload bytes.
    std::string cut = dump.substr(0, dump.find("0x0030"));
    std::string text = oldPacketLine(t, "1:37(36)") + cut + oldPacketLine(t, "1:37(36)");
    EXPECT_EQ(format(text), line(t, "01234567") + line(t, ""));
    // Two packet lines in a row, the first without a dump at all.
    text = oldPacketLine(t, "1:37(36)") + packet(t, "second");
    EXPECT_EQ(format(text), line(t, "") + line(t, "second"));
    // The input ends inside a packet.
    EXPECT_EQ(format(oldPacketLine(t, "1:37(36)") + cut), line(t, "01234567"));
}

TEST(Formatter, TakesTheRangeWordAndEndpointsFromTheLine) {
    // The first word that begins with a digit and holds ":", "(" and ")".
    EXPECT_EQ(format("01/01/2002 00:00:00.0 h.1 > h.2: P x:1(5) 7:9 3:4(2) win 1\n"
                     "0x0000\t 4500 002a 0001 4000 4006 0000 0a00 0001 \t.\n"
                     "0x0010\t 0a00 0002 04d2 0015 0000 0001 0000 0001 \t.\n"
                     "0x0020\t 5018 16d0 0000 0000 4142 4344 \t........ABCD\n"),
              "01/01/2002 00:00:00.0 h.1 > h.2 \"AB\"\n");
    // Newer tcpdump writes a protocol word before the addresses.
    EXPECT_EQ(format("01/01/2002 00:00:00.0 IP h.1 > h.2: P 1:1(0) win 1\n"), "01/01/2002 00:00:00.0 h.1 > h.2 \"\"\n");
    // The endpoints end at a ":" before a blank, so IPv6 addresses stay whole; -e link
    // headers are passed over, one echoing "ethertype" in its payload text too.
    const char* t = "2002-01-01 00:00:00.0 ";
    for (const std::string rest :
         {"IP6 2001:db8::1.4 > fe80::2.21: Flags [.], ack 1, length 0",
          "02:00:00:00:00:01 > 00:11:22:33:44:55, ethertype IPv6 (0x86dd), length 74: 2001:db8::1.4 > fe80::2.21: "
          "Flags [.], length 0",
          "02:00:00:00:00:01 > 00:11:22:33:44:55, ethertype 802.1Q (0x8100), length 78: vlan 100, p 0, ethertype "
          "IPv6 (0x86dd), 2001:db8::1.4 > fe80::2.21: Flags [.], length 0",
          " In 02:00:00:00:00:01 ethertype IPv6 (0x86dd), length 76: 2001:db8::1.4 > fe80::2.21: Flags [P.], "
          "length 0: FTP: SITE ethertype (x), length 9: y"})
        EXPECT_EQ(format(t + rest + "\n"), std::string(t) + "2001:db8::1.4 > fe80::2.21 \"\"\n") << rest;
}

TEST(Stamp, ReadsBothLayoutsAndRejectsNonsense) {
    wirefold::Stamp s;
    ASSERT_TRUE(wirefold::parseStamp("02/03/2001 04:05:06", s));
    EXPECT_EQ(s.month * 1000000 + s.day * 10000 + s.year, 2032001);
    ASSERT_TRUE(wirefold::parseStamp("2001-02-03 04:05:06", s));
    EXPECT_EQ(s.month * 1000000 + s.day * 10000 + s.year, 2032001);
    EXPECT_EQ(s.hour, 4);
    for (const char* bad : {"", "00/03/2001 04:", "02/32/2001 04:", "02/03/2001 24:", "201-02-03 04:",
                            "02-03-2001 04:", "02/03/2001T04:", "123/03/2001 04:", "04:05:06.789"})
        EXPECT_FALSE(wirefold::parseStamp(bad, s)) << bad;
}
