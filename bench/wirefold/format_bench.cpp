// Formats 100 MB of tcpdump text in each layout through the whole program, against
// reading the same file line by line with the same reader.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "packets.h"
#include "wirefold/cli.h"
#include "wirefold/formatter.h"
#include "wirefold/io.h"

using namespace wftest;

namespace {

constexpr std::size_t kTextBytes = 100u << 20;

enum class Layout { Older, TodayX, TodayXX };

// Today's hex lines: "<TAB>0x0000:  4500 003c ...  E..<..", the characters optional.
std::string todayDump(const Bytes& b, bool ascii) {
    std::string out;
    char buf[32];
    for (std::size_t line = 0; line < b.size(); line += 16) {
        std::snprintf(buf, sizeof buf, "\t0x%04x: ", static_cast<unsigned>(line & 0xffff));
        std::string hex, chars;
        for (std::size_t i = line; i < b.size() && i < line + 16; i += 2) {
            if (i + 1 < b.size())
                std::snprintf(buf + 16, 16, " %02x%02x", b[i], b[i + 1]);
            else
                std::snprintf(buf + 16, 16, " %02x", b[i]);
            hex += buf + 16;
        }
        for (std::size_t i = line; i < b.size() && i < line + 16; ++i)
            chars += b[i] > 0x20 && b[i] < 0x7f ? static_cast<char>(b[i]) : '.';
        std::snprintf(buf, sizeof buf, "\t0x%04x: ", static_cast<unsigned>(line & 0xffff));
        out += buf;
        if (ascii) {
            hex.resize(40, ' ');
            out += hex + "  " + chars + "\n";
        } else {
            out += hex + "\n";
        }
    }
    return out;
}

// The traffic of a capture: with `bulk`, a mix of acknowledgements (40 %), short
// commands and replies (30 %) and full-size data segments (30 %); without, only
// acknowledgements and payloads of up to 300 bytes, so that nearly every dump line
// must be read.
std::string makeText(Layout layout, bool bulk) {
    std::string text;
    text.reserve(kTextBytes + 4096);
    unsigned seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
    for (unsigned n = 0; text.size() < kTextBytes; ++n) {
        std::size_t len;
        if (bulk) {
            unsigned kind = next() % 10;
            len = kind < 4 ? 0 : kind < 7 ? 5 + next() % 75 : 1448;
        } else {
            len = next() % 4 == 0 ? 0 : next() % 300;
        }
        std::string payload;
        for (std::size_t i = 0; i < len; ++i) payload += static_cast<char>(0x20 + next() % 95);
        TcpPacket p(payload);
        if (len == 0) p.flags = 0x10;
        Bytes ip = ipPacket(p);
        char stamp[64];
        unsigned s = n / 100;
        if (layout == Layout::Older) {
            std::snprintf(stamp, sizeof stamp, "12/31/2001 %02u:%02u:%02u.%06u", s / 3600 % 24, s / 60 % 60, s % 60,
                          n % 100 * 10000);
            text += oldPacketLine(stamp, len ? "1:" + std::to_string(1 + len) + "(" + std::to_string(len) + ")" : ".");
            text += oldDump(ip);
        } else {
            std::snprintf(stamp, sizeof stamp, "2001-12-31 %02u:%02u:%02u.%06u", s / 3600 % 24, s / 60 % 60, s % 60,
                          n % 100 * 10000);
            text += std::string(stamp) + " IP 10.0.0.1.40000 > 10.0.0.2.21: Flags [P.], seq 1:" +
                    std::to_string(1 + len) + ", ack 1, win 502, length " + std::to_string(len) + "\n";
            text += layout == Layout::TodayX ? todayDump(ip, true) : todayDump(ethernetFrame(ip), false);
        }
    }
    return text;
}

struct Files {
    std::string dir, older, olderShort, todayX, todayXX;
    Files() {
        char tmpl[] = "/tmp/wirefold-bench-XXXXXX";
        dir = mkdtemp(tmpl);
        older = write("older.txt", Layout::Older, true);
        olderShort = write("older-short.txt", Layout::Older, false);
        todayX = write("today-X.txt", Layout::TodayX, true);
        todayXX = write("today-xx.txt", Layout::TodayXX, true);
    }
    ~Files() {
        for (const std::string& f : {older, olderShort, todayX, todayXX}) std::remove(f.c_str());
        rmdir(dir.c_str());
    }
    std::string write(const char* name, Layout layout, bool bulk) {
        std::string path = dir + "/" + name;
        std::string text = makeText(layout, bulk);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        return path;
    }
};

Files& files() {
    static Files f;
    return f;
}

void readLines(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        wirefold::LineInput in(f, wirefold::kMaxLineBytes);
        std::string_view line;
        std::size_t bytes = 0;
        while (in.next(line)) bytes += line.size();
        benchmark::DoNotOptimize(bytes);
        std::fclose(f);
    }
}

void formatFile(benchmark::State& state, const std::string& path, bool jst) {
    std::vector<std::string> args = {path, "/dev/null"};
    if (jst) args.push_back("-jst");
    for (auto _ : state) benchmark::DoNotOptimize(wirefold::run(args, stdin, stdout, stdout));
}

// The baseline reads the older layout's text; the other texts are read as well, so
// each layout's figure can be set against reading its own file.
void Baseline_ReadLines(benchmark::State& s) { readLines(s, files().older); }
void Read_OlderShortPayloads(benchmark::State& s) { readLines(s, files().olderShort); }
void Read_TodayX(benchmark::State& s) { readLines(s, files().todayX); }
void Read_TodayXX(benchmark::State& s) { readLines(s, files().todayXX); }
void Format_Older(benchmark::State& s) { formatFile(s, files().older, false); }
void Format_OlderJst(benchmark::State& s) { formatFile(s, files().older, true); }
void Format_OlderShortPayloads(benchmark::State& s) { formatFile(s, files().olderShort, false); }
void Format_TodayX(benchmark::State& s) { formatFile(s, files().todayX, false); }
void Format_TodayXX(benchmark::State& s) { formatFile(s, files().todayXX, false); }

}  // namespace

BENCHMARK(Baseline_ReadLines)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Read_OlderShortPayloads)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Read_TodayX)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Read_TodayXX)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Format_Older)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Format_OlderJst)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Format_OlderShortPayloads)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Format_TodayX)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Format_TodayXX)->Unit(benchmark::kMillisecond)->Iterations(3);
