// Damaged input: the formatter copies or skips, never reads past what it was given.
#include <gtest/gtest.h>

#include "packets.h"
#include "wirefold/io.h"
#include "wirefold/lines.h"

using namespace wftest;

namespace {

const std::string kStamp = "01/01/2002 00:00:00.0";

std::string expect(const std::string& quoted) { return kStamp + " 10.0.0.1.40000 > 10.0.0.2.21 \"" + quoted + "\"\n"; }

std::string dumpOf(const std::string& payload) {
    TcpPacket p;
    p.payload = payload;
    return oldDump(ipPacket(p));
}

// Reads a text through LineInput from a file.
std::vector<std::string> readLines(const std::string& text, std::size_t max) {
    std::FILE* f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    std::fflush(f);
    std::vector<std::string> got;
    wirefold::LineInput in(f, max);
    std::string_view line;
    while (in.next(line)) got.emplace_back(line);
    std::fclose(f);
    return got;
}

}  // namespace

TEST(LineInput, CutsLongLinesNulsAndLineBreaks) {
    std::string longLine(5000, 'x');
    auto got = readLines("a\r\nb\n" + longLine + std::string("\r\nc\0d\ne\r", 9), 1023);
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0], "a");
    EXPECT_EQ(got[1], "b");
    EXPECT_EQ(got[2], std::string(1023, 'x'));  // the rest is dropped, not a new line
    EXPECT_EQ(got[3], "c");
    EXPECT_EQ(got[4], "e\r");  // no line break: nothing to strip
    // Lines longer than the read buffer, and a line of exactly the limit plus CR.
    std::string huge(200000, 'y');
    got = readLines(huge + "\n" + std::string(1023, 'z') + "\r\nend\n", 1023);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], std::string(1023, 'y'));
    EXPECT_EQ(got[1], std::string(1023, 'z'));
    EXPECT_EQ(got[2], "end");
    EXPECT_TRUE(readLines("", 1023).empty());
}

TEST(Robustness, GarbageHexLinesEndTheUsableDump) {
    std::string dump = dumpOf("0123456789abcdefghijklmnopqrstuvwxyz");
    std::size_t third = dump.find("0x0020");
    std::string head = oldPacketLine(kStamp, "1:37(36)") + dump.substr(0, third);
    // Unusable lines: odd digit counts, non-hex, too many groups, no fields, a gap.
    for (const std::string bad : {"0x0020\t 5018 16d 0000\t.", "0x0020\t 50g8 16d0\t.", "0x0020\t 501",
                                  "0x0020\t 5018 16d0 0000 0000 3031 3233 3435 3637 3839\t.", "0x0020", "0x",
                                  "0x0030\t 5018 16d0 0000 0000 3031 3233 3435 3637\t........01234567"}) {
        std::string text = head + bad + "\n" + dump.substr(third);
        EXPECT_EQ(format(text), expect("")) << bad;
    }
    // A short line that is not the last one.
    std::string text = head + "0x0020\t 5018 16d0 0000 0000 3031 \tP.......01\n" + dump.substr(dump.find("0x0030"));
    EXPECT_EQ(format(text), expect("01"));
}

TEST(Robustness, HeaderLengthsThatDoNotFit) {
    // IP header length 15 words but the dump ends after 20 bytes.
    std::string text = oldPacketLine(kStamp, "1:11(10)") +
                       "0x0000\t 4f00 0030 0001 4000 4006 0000 0a00 0001 \tO..0..@.@.......\n"
                       "0x0010\t 0a00 0002 \t....\n";
    EXPECT_EQ(format(text), expect(""));
    // IP header length 0 and TCP data offset 0: no payload can be placed.
    text = oldPacketLine(kStamp, "1:11(10)") +
           "0x0000\t 4000 0030 0001 4000 4006 0000 0a00 0001 \t@..0..@.@.......\n";
    EXPECT_EQ(format(text), expect(""));
    TcpPacket p;
    p.payload = "hello";
    auto bytes = ipPacket(p);
    bytes[32] = 0x10;  // data offset 1 word
    EXPECT_EQ(format(oldPacketLine(kStamp, "1:6(5)") + oldDump(bytes)), expect(""));
    // The announced length is longer than the dump: what is there is written.
    EXPECT_EQ(format(oldPacketLine(kStamp, "1:61(60)") + oldDump(bytes = ipPacket(p))), expect("hello"));
}

TEST(Robustness, OddPacketLines) {
    // Lines that are not packets are skipped and leave an open packet alone.
    std::string text = oldPacketLine(kStamp, "1:6(5)") +
                       "\n   \ntcpdump: listening on eth0\n" + dumpOf("hello");
    EXPECT_EQ(format(text), expect("hello"));
    // A time-stamped line without the usual fields is copied as far as it goes.
    EXPECT_EQ(format("12345\n"), "12345:  \"\"\n");
    EXPECT_EQ(format("1:2\n"), "1:2  \"\"\n");
    EXPECT_EQ(format("1:2 3\n"), "1:2 3 \"\"\n");
    // Huge and negative lengths.
    EXPECT_EQ(wirefold::readDecimal("99999999999999999999"), 2147483647);
    EXPECT_EQ(wirefold::readDecimal("-99999999999999999999"), -2147483648LL);
    EXPECT_EQ(wirefold::readDecimal(" 12abc"), 12);
    EXPECT_EQ(wirefold::readDecimal("abc"), 0);
    EXPECT_EQ(format(oldPacketLine(kStamp, "1:2(99999999999999999999)") + dumpOf("hi")), expect("hi"));
}

TEST(Robustness, HexLinesOutsideAPacketAndRepeatedStarts) {
    std::string dump = dumpOf("hello");
    // Dump lines before any packet line are ignored.
    EXPECT_EQ(format(dump + oldPacketLine(kStamp, "1:6(5)") + dump), expect("hello"));
    // A dump that starts again replaces what was collected.
    std::string other = dumpOf("world");
    std::string text = oldPacketLine(kStamp, "1:6(5)") + other.substr(0, other.find("0x0020")) + dump;
    EXPECT_EQ(format(text), expect("hello"));
}

TEST(Robustness, MutatedDumpsKeepOneClosedLinePerPacket) {
    // Random damage to a valid text: every packet line still gives exactly one output
    // line, closed by its quote, and nothing reads out of bounds (run under ASan).
    TcpPacket opts("PASS x\r\nsome payload that spans lines", {1, 1, 1, 0}, {1, 1, 8, 10, 0, 0, 0, 1, 0, 0, 0, 2});
    std::string base = oldPacketLine(kStamp, "1:40(39)") + oldDump(ipPacket(opts)) +
                       oldPacketLine(kStamp, "1:6(5)") + dumpOf("hello") +
                       "2001-01-01 00:00:00.1 IP a.1 > b.2: Flags [P.], seq 1:6, ack 1, win 1, length 5\n"
                       "\t0x0000:  4500 002d 0001 4000 4006 0000 0a00 0001  E..-..@.@.......\n"
                       "\t0x0010:  0a00 0002 9c40 0015 0000 0001 0000 0001  .....@..........\n"
                       "\t0x0020:  5018 01f6 0000 0000 6865 6c6c 6f         P.......hello\n"
                       "2001-09-09 01:46:40.1 02:00:00:00:00:01 > 00:11:22:33:44:55, ethertype IPv6 (0x86dd), "
                       "length 98: 2001:db8::1 > 2001:db8::2: HBH 40000 > 21: Flags [P.], seq 1:17, length 16\n"
                       "\t0x0000:  0011 2233 4455 0200 0000 0001 86dd 6000  ..\"3DU........`.\n"
                       "\t0x0010:  0000 002c 0040 2001 0db8 0000 0000 0000  ...,.@..........\n"
                       "\t0x0020:  0000 0000 0001 2001 0db8 0000 0000 0000  ................\n"
                       "\t0x0030:  0000 0000 0002 0600 0104 0000 0000 9c40  ...............@\n"
                       "\t0x0040:  0015 0000 0001 0000 0001 5018 01f6 0000  ..........P.....\n"
                       "\t0x0050:  0000 5553 4552 2061 6e6f 6e79 6d6f 7573  ..USER.anonymous\n"
                       "\t0x0060:  0d0a                                     ..\n";
    // The undamaged text gives its four packets.
    EXPECT_NE(format(base).find("2001:db8::1 > 2001:db8::2 \"USER.anonymous..\"\n"), std::string::npos);
    unsigned seed = 7;
    auto rnd = [&](unsigned n) { return seed = seed * 1103515245u + 12345u, (seed >> 8) % n; };
    const char alphabet[] = "0x \t:()9a.\n\r\0-P[Flags6d,ethertype";
    for (int round = 0; round < 3000; ++round) {
        std::string text = base;
        for (int k = 1 + static_cast<int>(rnd(6)); k > 0 && !text.empty(); --k) {
            std::size_t at = rnd(static_cast<unsigned>(text.size()));
            switch (rnd(4)) {
            case 0: text[at] = alphabet[rnd(sizeof alphabet - 1)]; break;
            case 1: text.erase(at, 1 + rnd(40)); break;
            case 2: text.insert(at, std::string(1 + rnd(30), alphabet[rnd(sizeof alphabet - 1)])); break;
            default: text.resize(at); break;
            }
        }
        for (bool jst : {false, true}) {
            wirefold::Settings s;
            s.jst = jst;
            s.limit = static_cast<long long>(rnd(120));
            std::string out = format(text, s);
            std::size_t packets = 0, pos = 0;
            while (pos < text.size()) {
                std::size_t nl = text.find('\n', pos);
                if (nl == std::string::npos) nl = text.size();
                if (wirefold::classify(std::string_view(text).substr(pos, nl - pos)) == wirefold::LineKind::Packet)
                    ++packets;
                pos = nl + 1;
            }
            std::size_t lines = 0;
            for (std::size_t i = 0; i < out.size(); ++i)
                if (out[i] == '\n') {
                    ++lines;
                    ASSERT_TRUE(i > 0 && out[i - 1] == '"') << text;
                }
            ASSERT_EQ(lines, packets) << text;
        }
    }
}
