// Readers of the definition file, the figure list and the project information file.
#include "docbuild/definition.h"

#include <cstdio>

#include "base/files.h"
#include "base/names.h"
#include "base/text.h"
#include "chart/scramble.h"
#include "output/definition.h"

namespace docbuild {

namespace {

// Lines beyond the limit or bytes that are not CP932 make a file invalid here, rather
// than being cut or replaced, so a damaged file is reported instead of half-read.
// False with a reason when the file is missing or such a line is met.
bool checkLineFile(const std::string& path, const char* what, std::string& error) {
    base::LineReader in;
    if (!in.open(path)) {
        error = std::string(what) + "が見つかりません。[" + path + "]";
        return false;
    }
    std::string raw;
    int lineNo = 0;
    // One byte more for the marker of a scrambled line.
    while (in.next(raw, kMaxLineBytes + 1, false)) {
        ++lineNo;
        if (in.lastWasCut()) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%d 行目が長すぎます。", lineNo);
            error = std::string(what) + "の" + buf + "[" + path + "]";
            return false;
        }
        if (!base::cp932ToUtf8(chart::unscrambleLine(raw)).ok) {
            error = std::string(what) + "の内容が不正です。[" + path + "]";
            return false;
        }
    }
    return true;
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
    if (!checkLineFile(path, "定義ファイル", r.error)) return r;
    output::Definition d;
    if (output::readDefinition(path, d) != 0 || !d.headerOk) {
        r.error = "定義ファイルの内容が不正です。[" + path + "]";
        return r;
    }
    out.project = base::trimBlanks(d.projectFile);
    out.info = base::trimBlanks(d.infoFile);
    out.name = base::trimBlanks(d.project);
    out.control = base::trimBlanks(d.control);
    out.document = base::trimBlanks(d.document);
    out.templ = base::trimBlanks(d.templatePath);
    for (const std::string& o : d.options) {
        if (base::equalsNoCase(base::trimBlanks(o), "-vis=on")) out.visible = true;
        else if (base::equalsNoCase(base::trimBlanks(o), "-vis=off")) out.visible = false;
    }
    for (const output::DefinitionBlock& b : d.blocks) {
        if (!b.execute) continue;  // a block is carried out only when its EXE line came
        if (out.targets.size() >= kMaxTargets) {
            r.error = "定義ファイルの内容が不正です。[" + path + "]";
            return r;
        }
        Target t;
        t.typeCode = base::toUpperAscii(base::trimBlanks(b.type));
        t.type = typeOf(t.typeCode);
        for (const std::string& in : b.inputs) t.inputs.push_back(base::trimBlanks(in));
        t.form = base::trimBlanks(b.form);
        for (const std::string& o : b.options)
            if (base::equalsNoCase(base::trimBlanks(o), "-pagefont=roman")) t.romanPages = true;
        out.targets.push_back(std::move(t));
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
    if (!checkLineFile(path, "図リスト", r.error)) return r;
    std::vector<output::FigureEntry> entries;
    bool headerOk = false;
    if (output::readFigureList(path, entries, &headerOk) != 0 || !headerOk || entries.size() > kMaxSources) {
        r.error = "図リストの内容が不正です。[" + path + "]";
        return r;
    }
    for (const output::FigureEntry& e : entries) {
        // The pictures are "<chart path without extension>-tct-NNN.wmf".
        if (e.pages < 0 || e.pages > kMaxPages || e.basePath.size() < 4 ||
            e.basePath.compare(e.basePath.size() - 4, 4, "-tct") != 0) {
            r.error = "図リストの内容が不正です。[" + path + "]";
            return r;
        }
        out.push_back({e.title, e.basePath.substr(0, e.basePath.size() - 4), e.pages});
    }
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
