#include "convert/cli.h"

#include "base/files.h"
#include "base/text.h"
#include "chart/chart_file.h"
#include "chart/chart_time.h"
#include "chart/scramble.h"
#include "convert/converter.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace convert {

namespace {

void printTime(std::FILE* out, const char* label, const chart::ChartTime& t, int digits) {
    chart::TimeLabel l = chart::timeLabel(t, 0, digits, chart::powerOfTen(digits));
    std::fprintf(out, "%-13s %s %s\n", label, l.date.c_str(), l.time.c_str());
}

int usage(std::FILE* err) {
    std::fprintf(err,
                 "使い方:\n"
                 "  convert LOG [-o CHART] [--code=sjis|jis|euc|utf8]\n"
                 "  dump CHART [--summary] [--raw]\n");
    return kConvertUsage;
}

}  // namespace

int convertCommand(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    std::string input, output;
    std::optional<base::InputCode> code;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        if (a.substr(0, 7) == "--code=") {
            std::string_view c = a.substr(7);
            if (c == "sjis") code = base::InputCode::Sjis;
            else if (c == "jis") code = base::InputCode::Jis;
            else if (c == "euc") code = base::InputCode::EucJp;
            else if (c == "utf8") code = base::InputCode::Utf8;
            else return usage(err);
        } else if (a == "-o") {
            if (i + 1 >= argc) return usage(err);
            output = argv[++i];
        } else if (a.size() > 2 && a.substr(0, 2) == "-o") {
            output = std::string(a.substr(2));
        } else if (!a.empty() && a[0] == '-') {
            return usage(err);
        } else {
            input = std::string(a);
        }
    }
    if (input.empty()) return usage(err);
    std::vector<std::string> args{kConverterId, input};
    if (!output.empty()) args.push_back("-o" + output);
    std::vector<const char*> av;
    for (const auto& s : args) av.push_back(s.c_str());
    Converter c;
    c.setInputCode(code);
    int r = c.run(static_cast<int>(av.size()), av.data());
    if (r == kConvertOk) {
        const ConvertStats& s = c.stats();
        std::fprintf(out, "変換しました: %s -> %s (信号 %d, イベント %ld, コメント %d, 表示文字列 %d, 小数桁 %d%s)\n",
                     input.c_str(), c.outputPath().c_str(), s.signals, s.eventLines, s.comments, s.displays, s.digits,
                     s.utf8 ? ", UTF-8 のログ" : "");
    } else {
        std::fprintf(err, "変換できませんでした(結果 %d): %s\n", r, c.reason().c_str());
    }
    return r;
}

int dumpCommand(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    std::string path;
    bool summary = false, raw = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        if (a == "--summary") summary = true;
        else if (a == "--raw") raw = true;
        else if (!a.empty() && a[0] == '-') return usage(err);
        else path = std::string(a);
    }
    if (path.empty()) return usage(err);

    if (!summary) {
        base::LineReader in;
        if (!in.open(path)) {
            std::fprintf(err, "ファイルを開けません: %s\n", path.c_str());
            return 1;
        }
        // A chart line is at most 1024 bytes; the rest of a longer one is not shown.
        std::string line;
        while (in.next(line, 1024, false)) {
            std::string text = chart::unscrambleLine(line);
            if (!raw) text = base::fromCp932(text);
            std::fwrite(text.data(), 1, text.size(), out);
            std::fputc('\n', out);
        }
        return 0;
    }

    chart::ChartModel m;
    int slots = 0;
    if (chart::ReadChartFile(false, path, m, &slots) != 0) {
        std::fprintf(err, "チャートファイルを読み込めません: %s\n", path.c_str());
        return 1;
    }
    std::fprintf(out, "file          %s\n", path.c_str());
    std::fprintf(out, "digits        %d%s\n", m.decimalDigits, m.rangeLimited ? " (range limited)" : "");
    printTime(out, "start", m.start, m.decimalDigits);
    printTime(out, "end", m.end, m.decimalDigits);
    printTime(out, "displayStart", m.displayStart, m.decimalDigits);
    printTime(out, "displayEnd", m.displayEnd, m.decimalDigits);
    std::fprintf(out, "signals       %d (slots %d)\n", m.signalCount, slots);
    for (int p = 1; p <= m.signalCount; ++p) {
        int n = m.signalOrder[p];
        std::fprintf(out, "  %04d %-24s %zu events\n", n, m.signalNames[n].c_str(), m.events[n].size());
    }
    std::fprintf(out, "events        %zu\n", m.eventCount());
    std::fprintf(out, "comments      %d\n", m.commentCount);
    std::fprintf(out, "displays      %d\n", m.displayCount);
    return 0;
}

int runCommandLine(int argc, const char* const* argv) {
    if (argc < 2) {
        usage(stderr);
        return 2;
    }
    std::string_view cmd = argv[1];
    if (cmd == "convert") return convertCommand(argc - 1, argv + 1);
    if (cmd == "dump") return dumpCommand(argc - 1, argv + 1);
    usage(stderr);
    return 2;
}

}  // namespace convert
