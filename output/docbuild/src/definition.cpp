// Readers of the definition file, the figure list and the project information file.
#include "docbuild/definition.h"

#include <cstdio>

#include "base/files.h"
#include "base/names.h"
#include "base/text.h"
#include "chart/scramble.h"

namespace docbuild {

namespace {

// Reads the lines of a line file, unscrambled, decoded and with trailing blanks removed.
// False with a reason when the file is missing, a line is too long or not CP932.
bool readLines(const std::string& path, const char* what, std::vector<std::string>& lines, std::string& error) {
    base::LineReader in;
    if (!in.open(path)) {
        error = std::string(what) + "が見つかりません。[" + path + "]";
        return false;
    }
    std::string raw;
    int lineNo = 0;
    while (in.next(raw, kMaxLineBytes, false)) {
        ++lineNo;
        if (in.lastWasCut()) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%d 行目が長すぎます。", lineNo);
            error = std::string(what) + "の" + buf + "[" + path + "]";
            return false;
        }
        base::Conversion c = base::cp932ToUtf8(chart::unscrambleLine(raw));
        if (!c.ok) {
            error = std::string(what) + "の内容が不正です。[" + path + "]";
            return false;
        }
        std::string& t = c.text;
        while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r' || t.back() == '\n'))
            t.pop_back();
        lines.push_back(std::move(t));
    }
    return true;
}

// The versioned header of the file type, any version.
bool isHeader(const std::string& line, const char* type) {
    return base::startsWithNoCase(base::trimBlanks(line), std::string("[KOV:") + type + ":V");
}

TargetType typeOf(const std::string& code) {
    if (code == "CVP") return TargetType::Cover;
    if (code == "IDX") return TargetType::Contents;
    if (code == "TCT") return TargetType::Chart;
    return TargetType::Other;
}

}  // namespace

ReadResult readDefinition(const std::string& path, Definition& out) {
    out = Definition{};
    ReadResult r;
    std::vector<std::string> lines;
    if (!readLines(path, "定義ファイル", lines, r.error)) return r;
    if (lines.empty() || !isHeader(lines[0], "DIF")) {
        r.error = "定義ファイルの内容が不正です。[" + path + "]";
        return r;
    }
    Target cur;
    bool inTarget = false;
    bool ended = false;
    for (std::size_t i = 1; i < lines.size() && !ended; ++i) {
        const std::string& l = lines[i];
        if (l.empty() || l[0] == '#' || l[0] == '*') continue;
        if (l == "/") {
            ended = true;
            continue;
        }
        if (l == "//") continue;
        if (l.size() < 4 || l[3] != ':') continue;
        std::string key = base::toUpperAscii(l.substr(0, 3));
        std::string value = base::trimBlanks(l.substr(4));
        if (key == "TYP") {
            cur = Target{};
            cur.typeCode = base::toUpperAscii(value);
            cur.type = typeOf(cur.typeCode);
            inTarget = true;
        } else if (key == "DIN") {
            cur.inputs.push_back(value);
        } else if (key == "FRM") {
            cur.form = value;
        } else if (key == "OPT") {
            if (base::equalsNoCase(value, "-vis=on")) out.visible = true;
            else if (base::equalsNoCase(value, "-vis=off")) out.visible = false;
            else if (base::equalsNoCase(value, "-pagefont=roman")) cur.romanPages = true;
        } else if (key == "EXE") {
            if (inTarget) {
                if (out.targets.size() >= kMaxTargets) {
                    r.error = "定義ファイルの内容が不正です。[" + path + "]";
                    return r;
                }
                out.targets.push_back(cur);
            }
            cur = Target{};
            inTarget = false;
        } else if (key == "NAM") {
            out.project = value;
        } else if (key == "CSS") {
            out.info = value;
        } else if (key == "PRJ") {
            out.name = value;
        } else if (key == "CTL") {
            out.control = value;
        } else if (key == "DOT") {
            out.document = value;
        } else if (key == "TPL") {
            out.templ = value;
        }
    }
    if (out.document.empty()) {
        r.error = "定義ファイルに出力ドキュメントがありません。[" + path + "]";
        return r;
    }
    if (out.templ.empty()) {
        r.error = "定義ファイルにテンプレートがありません。[" + path + "]";
        return r;
    }
    return r;
}

ReadResult readFigureList(const std::string& path, std::vector<FigureSource>& out) {
    out.clear();
    ReadResult r;
    std::vector<std::string> lines;
    if (!readLines(path, "図リスト", lines, r.error)) return r;
    if (lines.empty() || !isHeader(lines[0], "TSG")) {
        r.error = "図リストの内容が不正です。[" + path + "]";
        return r;
    }
    FigureSource cur;
    bool open = false;
    auto close = [&]() {
        if (!open) return true;
        if (out.size() >= kMaxSources) return false;
        out.push_back(cur);
        cur = FigureSource{};
        open = false;
        return true;
    };
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (l.size() < 4 || l[3] != ':') continue;
        std::string key = l.substr(0, 3);
        std::string value = l.substr(4);
        if (key == "///") {
            if (!close()) {
                r.error = "図リストの内容が不正です。[" + path + "]";
                return r;
            }
        } else if (key == "TLN") {
            cur.title = value;
            open = true;
        } else if (key == "FIG") {
            // "<chart path without extension>-tct/NNN"
            std::size_t slash = value.rfind('/');
            std::string count = slash == std::string::npos ? std::string() : value.substr(slash + 1);
            std::string stem = slash == std::string::npos ? value : value.substr(0, slash);
            int pages = 0;
            bool digits = !count.empty() && count.size() <= 3;
            for (char c : count) {
                if (c < '0' || c > '9') digits = false;
                else pages = pages * 10 + (c - '0');
            }
            if (!digits || stem.size() < 4 || stem.compare(stem.size() - 4, 4, "-tct") != 0 || pages > kMaxPages) {
                r.error = "図リストの内容が不正です。[" + path + "]";
                return r;
            }
            cur.base = stem.substr(0, stem.size() - 4);
            cur.pages = pages;
            open = true;
        }
    }
    if (!close()) r.error = "図リストの内容が不正です。[" + path + "]";
    return r;
}

std::string readInfoValue(const std::string& path, const std::string& key) {
    base::LineReader in;
    std::string value;
    if (!in.open(path)) return value;
    std::string raw;
    while (in.next(raw, kMaxLineBytes, false)) {
        std::string line = base::fromCp932(raw);
        std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        if (base::equalsNoCase(base::trimBlanks(line.substr(0, colon)), key))
            value = base::trimBlanks(line.substr(colon + 1));
    }
    return value;
}

std::string documentSibling(const std::string& path) {
    if (base::hasExtension(path, ".doc") || base::hasExtension(path, ".dot"))
        return path.substr(0, path.size() - 4) + ".docx";
    return path;
}

std::string pagePicturePath(const FigureSource& src, int page) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "-tct-%03d.wmf", page);
    return src.base + buf;
}

}  // namespace docbuild
