#include "wirefold/cli.h"

#include <sys/stat.h>

#include "wirefold/io.h"

namespace wirefold {
namespace {

const char kUsage[] =
    "USAGE: wirefold [入力ファイル [出力ファイル]] オプション\n"
    "       入力ファイル   tcpdumpの出力（省略時は標準入力）\n"
    "       出力ファイル   整形結果（省略時は標準出力）\n"
    "       オプション\n"
    "         -help        使用方法の表示\n"
    "         -jst         時刻をJST表記（UTC+9）にする\n"
    "         -nxx         データをxxバイトまで出力する\n"
    "                      （省略時８０バイト）\n";

// Output is handed to the file in pieces of about this size.
constexpr std::size_t kFlushBytes = 1 << 16;

int cannotOpen(std::FILE* console, const std::string& name) {
    std::fprintf(console, "%sがオープンできません。\n", name.c_str());
    std::fputs(kUsage, console);
    return 0;
}

}  // namespace

const char* usageText() { return kUsage; }

Options parseCommandLine(const std::vector<std::string>& args) {
    Options o;
    int files = 0;
    for (const std::string& a : args) {
        if (!a.empty() && a[0] == '-') {
            if (a == "-jst") {
                o.settings.jst = true;
            } else if (a.compare(0, 2, "-n") == 0) {
                o.settings.limit = readDecimal(std::string_view(a).substr(2));
            } else {
                o.usage = true;  // -help and every unknown option
            }
        } else if (files == 0) {
            o.input = a;
            ++files;
        } else if (files == 1) {
            o.output = a;
            ++files;
        } else {
            o.usage = true;
        }
    }
    return o;
}

int run(const std::vector<std::string>& args, std::FILE* in, std::FILE* out, std::FILE* console) {
    Options o = parseCommandLine(args);
    if (o.usage) {
        std::fputs(kUsage, console);
        return 0;
    }
    std::FILE* opened = nullptr;
    if (!o.input.empty()) {
        opened = std::fopen(o.input.c_str(), "rb");
        struct stat st;
        if (opened && (::fstat(fileno(opened), &st) != 0 || S_ISDIR(st.st_mode))) {
            std::fclose(opened);
            opened = nullptr;
        }
        if (!opened) return cannotOpen(console, o.input);
        in = opened;
    }
    OutputFile file;
    if (!o.output.empty() && !file.open(o.output)) {
        if (opened) std::fclose(opened);
        return cannotOpen(console, o.output);
    }

    std::string text;
    bool writeFailed = false;
    auto flush = [&](bool sync) {
        if (o.output.empty()) {
            if (!text.empty() && std::fwrite(text.data(), 1, text.size(), out) != text.size()) writeFailed = true;
            if (sync && std::fflush(out) != 0) writeFailed = true;
        } else {
            file.write(text);
        }
        text.clear();
    };

    LineInput lines(in, kMaxLineBytes);
    Formatter formatter(o.settings, text);
    std::string_view line;
    for (;;) {
        // Before the input may block, hand on what is ready, so a live capture
        // piped through the program shows each packet as it comes.
        if (!lines.pending()) flush(true);
        else if (text.size() >= kFlushBytes) flush(false);
        if (!lines.next(line)) break;
        formatter.line(line);
    }
    formatter.finish();
    flush(true);
    if (opened) std::fclose(opened);

    if (lines.failed()) {
        std::fprintf(stderr, "%sを読み込めません。\n", o.input.empty() ? "標準入力" : o.input.c_str());
        return 0;  // the old output file stays as it was
    }
    bool ok = o.output.empty() ? !writeFailed && !std::ferror(out) : file.commit();
    if (!ok) {
        std::fprintf(stderr, "%sに書き込めません。\n", o.output.empty() ? "標準出力" : o.output.c_str());
        return 0;
    }
    return 1;
}

}  // namespace wirefold
