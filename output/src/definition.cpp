// Definition files and figure lists: writers and readers.
#include "output/definition.h"

#include <cstdio>
#include <cstdlib>

#include "base/files.h"
#include "base/names.h"
#include "base/text.h"
#include "chart/scramble.h"

namespace output {
namespace {

// Type codes a definition file may carry, positions 1..17.
constexpr std::string_view kTypeCodes[] = {"CVP", "IDX", "FCL", "CFL", "CVL", "CCL", "CVR", "TFF", "TFR",
                                           "TCF", "TCR", "FSS", "PAD", "HCP", "SLT", "FLW", "TCT"};

// Collects the scrambled lines of one file in memory; nothing reaches the disk
// before write(), which goes through a temporary file.
class ScrambledText {
public:
    // Adds one line (UTF-8). False when it has no CP932 form.
    bool line(std::string_view utf8) {
        base::Conversion c = base::utf8ToCp932(utf8);
        if (!c.ok) ok_ = false;
        bytes_ += chart::scrambleLine(c.text, ++lineNo_);
        bytes_ += "\r\n";
        return c.ok;
    }
    bool entry(std::string_view key, std::string_view value) {
        std::string s(key);
        s += ':';
        s += value;
        return line(s);
    }
    int write(const std::string& path) const {
        if (!ok_) return kWriteNotCp932;
        return base::writeFileAtomic(path, bytes_) ? kWriteOk : kWriteFailed;
    }

private:
    std::string bytes_;
    int lineNo_ = 0;
    bool ok_ = true;
};

// The comment line that introduces a target in the Word definition file.
std::string wordComment(std::string_view title) { return "#            " + std::string(title); }

// The target whose order number is `order`, or -1.
int targetWithOrder(const TargetList& t, int order) {
    for (int k = 0; k < kTargetCount; ++k)
        if (isProducedTarget(k) && targetOrder(t[k]) == order) return k;
    return -1;
}

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

}  // namespace

bool isProducedTarget(int target) {
    return target == kTargetCover || target == kTargetContents || target == kTargetChart;
}

std::string_view targetTypeCode(int target) {
    switch (target) {
    case kTargetCover: return "CVP";
    case kTargetContents: return "IDX";
    case kTargetChart: return "TCT";
    default: return {};
    }
}

std::string_view targetName(int target) {
    switch (target) {
    case kTargetCover: return "表紙";
    case kTargetContents: return "目次";
    case kTargetChart: return "タイミングチャート";
    default: return {};
    }
}

std::string_view typeCodeName(std::string_view code) {
    for (int t : {kTargetCover, kTargetContents, kTargetChart})
        if (targetTypeCode(t) == code) return targetName(t);
    return {};
}

int typeCodePosition(std::string_view code) {
    for (int i = 0; i < 17; ++i)
        if (kTypeCodes[i] == code) return i + 1;
    return 0;
}

bool prepareTargets(TargetList& targets) {
    for (int k = 0; k < kTargetCount; ++k)
        if (!isProducedTarget(k)) targets[k] = 0;
    const int produced[] = {kTargetCover, kTargetContents, kTargetChart};
    bool shared = false, hasFirst = false;
    for (int i = 0; i < 3; ++i) {
        int p = targetPosition(targets[produced[i]]);
        if (p == 1) hasFirst = true;
        for (int j = i + 1; j < 3; ++j)
            if (p == targetPosition(targets[produced[j]])) shared = true;
    }
    if (!shared && hasFirst) return false;
    for (int i = 0; i < 3; ++i) targets[produced[i]] = targetEntry(i + 1, 0);
    return true;
}

TargetList targetsFromRows(const std::vector<TargetRow>& rows) {
    TargetList t{};
    int order = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        int k = rows[i].target;
        if (k < 0 || k >= kTargetCount) continue;
        t[k] = targetEntry(static_cast<int>(i) + 1, rows[i].ticked ? ++order : 0);
    }
    return t;
}

// --- File names -------------------------------------------------------------------

std::string projectName(const std::string& projectPath) { return base::baseName(projectPath); }

std::string wordDefinitionPath(const std::string& installDir) {
    return base::joinPath(installDir, kWordDefinitionName);
}

std::string htmlDefinitionPath(const std::string& projectPath) {
    return base::joinPath(base::folderOf(projectPath), projectName(projectPath) + "-html.dif");
}

std::string wordFigureListPath(const std::string& folder) { return base::joinPath(folder, "TC-WORD.tsg"); }
std::string htmlFigureListPath(const std::string& folder) { return base::joinPath(folder, "TC-HTML.tsg"); }

std::string htmlPagePath(const std::string& outputFolder, const std::string& projectPath, int target) {
    std::string folder = outputFolder.empty() ? base::folderOf(projectPath) : outputFolder;
    std::string code(targetTypeCode(target));
    for (char& c : code)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return base::joinPath(folder, projectName(projectPath) + "-" + code + ".html");
}

// --- Writers ----------------------------------------------------------------------

int writeWordDefinition(const WordDefinition& d, const std::string& path) {
    ScrambledText t;
    t.line(base::formatHeader("DIF", 2.00));
    t.line("//");
    t.line(wordComment("共通情報"));
    t.entry("NAM", d.projectPath);
    t.entry("CSS", base::replaceExtension(d.projectPath, ".css"));
    t.entry("PRJ", projectName(d.projectPath));
    t.entry("CTL", base::joinPath(d.installDir, kControlFileName));
    t.entry("DOT", d.documentPath.empty() ? base::replaceExtension(d.projectPath, ".doc") : d.documentPath);
    t.entry("TPL", d.templatePath);
    t.entry("OPT", d.hidden ? "-vis=off" : "-vis=on");
    t.line("//");
    for (int order = 1; order <= kTargetCount; ++order) {
        int k = targetWithOrder(d.targets, order);
        if (k < 0) break;
        if (k == kTargetChart && !d.chartPages) continue;
        t.line(wordComment(targetName(k)));
        t.entry("TYP", targetTypeCode(k));
        if (k == kTargetContents && d.romanPages) t.entry("OPT", "-pagefont=roman");
        if (k == kTargetChart) t.entry("DIN", d.figureListPath);
        t.entry("FRM", d.forms[k]);
        t.entry("EXE", "");
        t.line("//");
    }
    t.line("/");
    return t.write(path);
}

int writeHtmlDefinition(const HtmlDefinition& d, const std::string& path) {
    const std::string css = base::replaceExtension(d.projectPath, ".css");
    ScrambledText t;
    t.line(base::formatHeader("DIF", 2.00));
    t.entry("PRJ", projectName(d.projectPath));
    t.line("//");
    for (int order = 1; order <= kTargetCount; ++order) {
        int k = targetWithOrder(d.targets, order);
        if (k < 0) continue;
        if (k == kTargetChart && !d.chartPages) continue;
        t.entry("TYP", targetTypeCode(k));
        if (k == kTargetChart) {
            // The project information file first, then the figure list, which is
            // the input the generator takes (the last "DIN:" of a block wins).
            t.entry("DIN", css);
            t.entry("DIN", d.figureListPath);
        } else {
            t.entry("DIN", css);
        }
        t.entry("CTL", base::joinPath(d.installDir, kControlFileName));
        t.entry("FRM", d.forms[k]);
        t.entry("DOT", htmlPagePath(d.outputFolder, d.projectPath, k));
        t.entry("EXE", "");
        t.line("//");
    }
    t.line("/");
    return t.write(path);
}

std::string figureValue(std::string_view chartPathNoExt, int pages) {
    char num[16];
    std::snprintf(num, sizeof num, "%03d", pages < 0 ? 0 : pages);
    return std::string(chartPathNoExt) + "-tct/" + num;
}

bool FigureListWriter::open(const std::string& path) {
    // Try the folder now, so that a run learns at the start that its list cannot be
    // written; the list itself reaches the disk on commit().
    base::AtomicFile probe;
    if (!probe.open(path)) return false;
    probe.abandon();
    path_ = path;
    bytes_.clear();
    lineNo_ = 0;
    open_ = true;
    bytes_ += chart::scrambleLine(base::formatHeader("TSG", 1.00), ++lineNo_);
    bytes_ += "\r\n";
    return true;
}

bool FigureListWriter::isOpen() const { return open_; }

bool FigureListWriter::add(std::string_view title, std::string_view chartPathNoExt, int pages) {
    if (!open_) return false;
    const std::string lines[] = {"TLN:" + std::string(title), "FIG:" + figureValue(chartPathNoExt, pages), "///:"};
    std::string add;
    int n = lineNo_;
    for (const std::string& l : lines) {
        base::Conversion c = base::utf8ToCp932(l);
        if (!c.ok) return false;
        add += chart::scrambleLine(c.text, ++n);
        add += "\r\n";
    }
    bytes_ += add;
    lineNo_ = n;
    return true;
}

int FigureListWriter::commit() {
    if (!open_) return kWriteFailed;
    open_ = false;
    return base::writeFileAtomic(path_, bytes_) ? kWriteOk : kWriteFailed;
}

FigureListWriter::~FigureListWriter() = default;

// --- Readers ----------------------------------------------------------------------

int readScrambledLines(const std::string& path, std::vector<std::string>& lines, bool* allCp932) {
    lines.clear();
    if (allCp932) *allCp932 = true;
    // A folder opens like a file and reads as no line at all: it is no file to read.
    if (base::isDirectory(path)) return -1;
    base::LineReader r;
    if (!r.open(path)) return -1;
    std::string raw;
    // Room for the marker of a scrambled line and one byte beyond the limit, so a cut
    // never splits a two-byte character.
    while (r.next(raw, kDefinitionLineBytes + 2, false)) {
        std::string text = chart::unscrambleLine(raw);
        if (!text.empty() && text.back() == '\r') text.pop_back();
        text = std::string(base::cutCp932Bytes(text, kDefinitionLineBytes));
        base::Conversion c = base::cp932ToUtf8(text);
        if (!c.ok && allCp932) *allCp932 = false;
        lines.push_back(std::move(c.text));
    }
    return 0;
}

bool cleanDefinitionLine(std::string& line) {
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
            line.resize(i);
            break;
        }
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) line.pop_back();
    return !line.empty() && line[0] != '*';
}

int readDefinitionRecords(const std::string& path, std::vector<DefinitionRecord>& records, bool* headerOk) {
    records.clear();
    if (headerOk) *headerOk = false;
    std::vector<std::string> lines;
    if (readScrambledLines(path, lines) != 0) return -1;
    if (headerOk && !lines.empty()) *headerOk = base::headerAccepted(lines[0], base::kHeaderDif);
    for (std::string& line : lines) {
        if (!cleanDefinitionLine(line)) continue;
        if (line == "/") break;
        if (line == "//") {
            records.push_back({"//", {}});
            continue;
        }
        if (line.size() < 4 || line[3] != ':') continue;
        records.push_back({line.substr(0, 3), line.substr(4)});
    }
    return 0;
}

int readDefinition(const std::string& path, Definition& out) {
    out = Definition{};
    std::vector<DefinitionRecord> records;
    if (readDefinitionRecords(path, records, &out.headerOk) != 0) return -1;
    DefinitionBlock* block = nullptr;
    for (const DefinitionRecord& r : records) {
        if (r.key == "TYP") {
            out.blocks.emplace_back();
            block = &out.blocks.back();
            block->type = r.value;
        } else if (r.key == "//") {
            block = nullptr;
        } else if (block) {
            if (r.key == "DIN") block->inputs.push_back(r.value);
            else if (r.key == "FRM") block->form = r.value;
            else if (r.key == "DOT") block->output = r.value;
            else if (r.key == "CTL") block->control = r.value;
            else if (r.key == "OPT") block->options.push_back(r.value);
            else if (r.key == "EXE") block->execute = true;
        } else {
            if (r.key == "NAM") out.projectFile = r.value;
            else if (r.key == "CSS") out.infoFile = r.value;
            else if (r.key == "PRJ") out.project = r.value;
            else if (r.key == "CTL") out.control = r.value;
            else if (r.key == "DOT") out.document = r.value;
            else if (r.key == "TPL") out.templatePath = r.value;
            else if (r.key == "OPT") out.options.push_back(r.value);
        }
    }
    return 0;
}

FigureRef parseFigureValue(std::string_view value) {
    FigureRef ref;
    size_t slash = value.rfind('/');
    if (slash != std::string_view::npos && slash + 1 < value.size()) {
        std::string_view digits = value.substr(slash + 1);
        // Page counts have three digits, four beyond 999; a longer number is no count.
        bool allDigits = digits.size() <= 4;
        for (char c : digits)
            if (c < '0' || c > '9') allDigits = false;
        if (allDigits) {
            ref.basePath = std::string(value.substr(0, slash));
            ref.count = std::atoi(std::string(digits).c_str());
            return ref;
        }
    }
    ref.basePath = std::string(value);
    return ref;
}

std::string figureImagePath(std::string_view basePath, int k) {
    char num[24];
    std::snprintf(num, sizeof num, "-%03d.gif", k);
    return std::string(basePath) + num;
}

int readFigureList(const std::string& path, std::vector<FigureEntry>& entries, bool* headerOk) {
    entries.clear();
    if (headerOk) *headerOk = false;
    std::vector<std::string> lines;
    if (readScrambledLines(path, lines) != 0) return -1;
    if (headerOk && !lines.empty()) *headerOk = startsWith(lines[0], " [KOV:TSG:V1.");
    FigureEntry cur;
    bool any = false;
    for (size_t i = 1; i < lines.size(); ++i) {
        std::string_view l = lines[i];
        if (startsWith(l, "///:")) {
            if (any) entries.push_back(cur);
            cur = FigureEntry{};
            any = false;
        } else if (startsWith(l, "TLN:")) {
            cur.title = std::string(l.substr(4));
            any = true;
        } else if (startsWith(l, "FIG:")) {
            cur.figure = std::string(l.substr(4));
            FigureRef ref = parseFigureValue(cur.figure);
            cur.basePath = ref.basePath;
            cur.pages = ref.count;
            any = true;
        }
    }
    if (any) entries.push_back(cur);
    return 0;
}

}  // namespace output
