// The HTML document generator: definition file → control file, input and form →
// HTML page.
//
// Inputs, forms and pages are CP932 and handled as bytes: "$", "#", "/", "<" and the
// other ASCII marks the generator looks for are never the second byte of a CP932
// character, so a byte search finds only real ones. Only the paths of the definition
// file are UTF-8 here, because they are file names.
#include "output/generator.h"

#include <cstdio>
#include <ctime>

#include "base/files.h"
#include "base/names.h"
#include "base/services.h"
#include "base/text.h"
#include "chart/scramble.h"
#include "output/definition.h"

namespace output {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Fills the "%s" places of a message text in order.
std::string message(const char* format, std::string_view a, std::string_view b = {}) {
    std::string out;
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += a;
            a = b;
            b = {};
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

void report(std::string_view text) { base::services().appendMessage(base::kListHtml, text); }

// Reads the lines of a file through the unscrambling, each cut to `maxBytes` bytes at
// a character boundary. `cut` becomes true when a line was longer.
bool readLines(const std::string& path, std::size_t maxBytes, std::vector<std::string>& lines, bool& cut) {
    lines.clear();
    cut = false;
    base::LineReader r;
    if (!r.open(path)) return false;
    std::string raw;
    // Two bytes beyond the limit: the marker of a scrambled line, and one byte to see
    // whether the limit falls inside a two-byte character.
    while (r.next(raw, maxBytes + 2, false)) {
        std::string text = chart::unscrambleLine(raw);
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (text.size() > maxBytes || r.lastWasCut()) {
            text = std::string(base::cutCp932Bytes(text, maxBytes));
            cut = true;
        }
        lines.push_back(std::move(text));
    }
    return true;
}

// Replaces every byte sequence that is not CP932 by the substitute mark "〓", so a
// page never carries a broken character. True when the text was clean.
bool repairCp932(std::string& s) {
    static const std::string kSubstitute = "\x81\xAC";
    std::string out;
    bool clean = true;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) {
            out += static_cast<char>(b);
        } else if (base::isCp932Lead(b) && i + 1 < s.size()) {
            unsigned char t = static_cast<unsigned char>(s[i + 1]);
            if ((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC)) {
                out += static_cast<char>(b);
                out += static_cast<char>(t);
                ++i;
            } else {
                out += kSubstitute;
                clean = false;
            }
        } else {
            out += kSubstitute;
            clean = false;
        }
    }
    if (!clean) s = std::move(out);
    return clean;
}

// The control file tokeniser: a field runs up to the next blank or comma; behind the
// delimiter further blanks are skipped; an empty field ends the fields.
std::vector<std::string> fields(std::string_view line) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < line.size()) {
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != ',' && line[i] != '\t') ++i;
        if (i == start) break;
        out.emplace_back(line.substr(start, i - start));
        if (i < line.size()) ++i;
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    }
    return out;
}

std::string withColon(std::string key) {
    if (key.size() == 3) key += ':';
    return key;
}

bool containsNoCase(std::string_view line, std::string_view what) {
    if (what.size() > line.size()) return false;
    for (size_t i = 0; i + what.size() <= line.size(); ++i)
        if (base::equalsNoCase(line.substr(i, what.size()), what)) return true;
    return false;
}

// Tag values of one record, kept within the text pool's size.
class TagValues {
public:
    TagValues(const ControlFile& control) : control_(control), values_(control.tags.size()) {}

    // Offers one input line ("KEY:value") to every tag whose key matches.
    void offer(std::string_view line) {
        if (line.size() < 4) return;
        std::string_view key = line.substr(0, 4);
        std::string_view value = line.substr(4);
        for (size_t t = 0; t < control_.tags.size(); ++t) {
            if (!matches(control_.tags[t].key, key)) continue;
            std::vector<std::string>& v = values_[t];
            if (single(control_.tags[t].type)) {
                size_t old = v.empty() ? 0 : v[0].size() + 1;
                if (used_ - old + value.size() + 1 > kTextPoolBytes) continue;
                used_ = used_ - old + value.size() + 1;
                v.assign(1, std::string(value));
            } else {
                if (used_ + value.size() + 1 > kTextPoolBytes) continue;
                used_ += value.size() + 1;
                v.emplace_back(value);
            }
        }
    }
    void clear() {
        for (auto& v : values_) v.clear();
        used_ = 0;
    }
    const std::vector<std::string>& of(size_t tag) const { return values_[tag]; }

    // The index of the tag named by the four bytes at `p`, or -1.
    int find(std::string_view name) const {
        for (size_t t = 0; t < control_.tags.size(); ++t)
            if (control_.tags[t].name == name) return static_cast<int>(t);
        return -1;
    }
    // The first tag of type P, or -1.
    int firstPaired() const {
        for (size_t t = 0; t < control_.tags.size(); ++t)
            if (control_.tags[t].type == 'P') return static_cast<int>(t);
        return -1;
    }
    const ControlFile& control() const { return control_; }

private:
    static bool single(char type) { return type != 'V' && type != 'P' && type != 'M'; }

    bool matches(const std::string& tagKey, std::string_view key) const {
        if (tagKey.empty() || tagKey[0] != '@') return tagKey == key;
        std::string_view list = std::string_view(tagKey).substr(1);
        bool named = false;
        for (const KeyList& l : control_.keyLists) {
            if (!list.empty() && l.name != list) continue;
            named = true;
            for (const std::string& k : l.keys)
                if (k == key) return true;
        }
        // A list name that no list carries stands for every key list.
        if (!named)
            for (const KeyList& l : control_.keyLists)
                for (const std::string& k : l.keys)
                    if (k == key) return true;
        return false;
    }

    const ControlFile& control_;
    std::vector<std::vector<std::string>> values_;
    std::size_t used_ = 0;
};

// Writes one form line with its tags replaced.
void replaceTags(std::string_view line, const TagValues& values, std::string& out) {
    const ControlFile& control = values.control();
    std::string cur;
    size_t i = 0;
    while (i < line.size()) {
        int t = line[i] == '$' && i + 4 <= line.size() ? values.find(line.substr(i, 4)) : -1;
        if (t < 0) {
            cur += line[i++];
            continue;
        }
        const std::vector<std::string>& v = values.of(t);
        i += 4;
        if (v.empty()) continue;  // a tag without a value is replaced by nothing
        switch (control.tags[t].type) {
        case 'M':
            out += cur;
            for (const std::string& s : v) {
                out += s;
                out += " <BR>";
                out += kLineEnd;
            }
            return;
        case 'V': {
            int p = values.firstPaired();
            static const std::vector<std::string> none;
            const std::vector<std::string>& pv = p >= 0 ? values.of(p) : none;
            out += cur;
            for (size_t j = 0; j < v.size(); ++j) {
                out += v[j];
                out += ' ';
                if (j < pv.size()) out += pv[j];
                out += " <BR>";
                out += kLineEnd;
            }
            return;
        }
        case 'F':
        case 'G': {
            FigureRef ref = parseFigureValue(v[0]);
            size_t slash = ref.basePath.rfind('/');
            std::string base = slash == std::string::npos ? ref.basePath : ref.basePath.substr(slash + 1);
            std::string_view rest = line.substr(i);
            for (int k = 1; k <= ref.count; ++k) {
                out += cur;
                out += figureImagePath(base, k);
                out += rest;
                out += kLineEnd;
            }
            return;
        }
        default:  // S, P and letters without a rule of their own show their first value
            cur += v[0];
            break;
        }
    }
    out += cur;
    out += kLineEnd;
}

// Writes one part of the form. The text goes to the page in pieces, so a form line
// repeated for thousands of images never has to fit in memory at once.
bool writePart(const std::vector<std::string>& lines, const TagValues& values, base::AtomicFile& page) {
    std::string out;
    for (const std::string& l : lines) {
        replaceTags(l, values, out);
        if (out.size() >= (1u << 16)) {
            if (!page.write(out)) return false;
            out.clear();
        }
    }
    return page.write(out);
}

}  // namespace

// --- Dates ------------------------------------------------------------------------

RunDate today() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}

std::string formatRunDate(const RunDate& d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%4d 年 %2d 月 %2d 日", d.year, d.month, d.day);
    return buf;
}

bool parseRunDate(std::string_view text, RunDate& out) {
    int y = 0, m = 0, d = 0;
    char tail = 0;
    std::string s(text);
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
    if (std::sscanf(s.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3) return false;
    if (y < 1 || m < 1 || m > 12 || d < 1) return false;
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (d > days[m - 1] + (m == 2 && leap ? 1 : 0)) return false;
    out = {y, m, d};
    return true;
}

// --- Control file and form --------------------------------------------------------

int readControlFile(const std::string& path, ControlFile& out) {
    out = ControlFile{};
    std::vector<std::string> lines;
    bool cut = false;
    if (!readLines(path, kInputLineBytes, lines, cut)) return -1;
    enum { None, Tags, Keys } section = None;
    for (std::string& line : lines) {
        if (!cleanDefinitionLine(line)) continue;
        if (line == "/") break;
        if (line == "//") {
            section = None;
            continue;
        }
        std::vector<std::string> f = fields(line);
        if (f.empty()) continue;
        if (section == None) {
            if (f[0] == "TAG") {
                section = Tags;
                out.tags.clear();
            } else if (f[0] == "KEY") {
                section = Keys;
                out.keyLists.push_back({f.size() > 1 ? f[1] : std::string(), {}});
            }
        } else if (section == Tags) {
            if (f.size() < 3 || f[0].size() != 4 || f[0][0] != '$' || f[1].empty()) continue;
            TagDef t;
            t.name = f[0];
            t.type = f[1][0];
            t.key = f[2][0] == '@' ? f[2] : withColon(f[2]);
            if (f.size() > 3) t.description = f[3];
            out.tags.push_back(std::move(t));
        } else {
            out.keyLists.back().keys.push_back(withColon(f[0]));
        }
    }
    return static_cast<int>(out.tags.size()) < kMinTags ? -2 : 0;
}

int readForm(const std::string& path, Form& out) {
    out = Form{};
    base::LineReader r;
    if (!r.open(path)) return -1;
    enum { Head, Body, Tail } part = Head;
    std::string line;
    while (r.next(line, kFormLineBytes, true)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (part == Head) {
            out.head.push_back(line);
            if (containsNoCase(line, "<BODY")) part = Body;
        } else if (part == Body && !containsNoCase(line, "</BODY")) {
            out.body.push_back(line);
        } else {
            part = Tail;
            out.tail.push_back(line);
        }
    }
    return 0;
}

// --- One page ---------------------------------------------------------------------

int producePage(const ControlFile& control, const std::string& inputPath, const std::string& formPath,
                const std::string& outputPath, std::string_view projectName, const RunDate& date) {
    std::vector<std::string> input;
    bool cut = false;
    if (!readLines(inputPath, kInputLineBytes, input, cut)) {
        report(message(kMsgNotFound, inputPath));
        return kGenerateFailed;
    }
    Form form;
    if (readForm(formPath, form) != 0) {
        report(message(kMsgNotFound, formPath));
        return kGenerateFailed;
    }
    base::AtomicFile page;
    if (!page.open(outputPath)) {
        report(message(kMsgNotWritable, outputPath));
        return kGenerateFailed;
    }

    const std::string prj = "PRJ:" + base::utf8ToCp932(projectName).text;
    const std::string dtd = "DTD:" + base::toCp932(formatRunDate(date));
    TagValues values(control);
    auto start = [&] {
        values.clear();
        values.offer(prj);
        values.offer(dtd);
    };
    start();

    bool written = writePart(form.head, values, page);
    bool recordEnded = false, clean = true;
    std::string prevKey;
    for (std::string& line : input) {
        if (line.empty()) continue;
        if (line.compare(0, 4, "///:") == 0) {
            written = writePart(form.body, values, page) && written;
            start();
            recordEnded = true;
            prevKey.clear();
            continue;
        }
        if (!repairCp932(line)) clean = false;
        // A separator line continues the key of the line before it.
        if (line.compare(0, 3, "===") == 0 && prevKey.size() == 3) line.replace(0, 3, prevKey);
        prevKey = line.substr(0, 3);
        values.offer(line);
    }
    if (!recordEnded) {
        written = writePart(form.body, values, page) && written;
        start();
    }
    written = writePart(form.tail, values, page) && written;

    if (!written || !page.commit()) {
        report(message(kMsgNotWritable, outputPath));
        return kGenerateFailed;
    }
    // The page is written; an input that needed repair is named so it can be fixed.
    if (cut || !clean) report(message(kMsgInvalid, inputPath));
    return kGenerateOk;
}

// --- The run ----------------------------------------------------------------------

int generateFromDefinition(const std::string& definitionPath, const GeneratorOptions& options) {
    std::vector<DefinitionRecord> records;
    if (readDefinitionRecords(definitionPath, records) != 0) {
        report(message(kMsgNotFound, definitionPath));
        return kGenerateNoDefinition;
    }
    const RunDate date = options.date.isSet() ? options.date : today();
    std::string type, input, control, project, form, output;
    for (const DefinitionRecord& r : records) {
        if (r.key == "TYP") type = r.value;
        else if (r.key == "DIN") input = r.value;
        else if (r.key == "CTL") control = r.value;
        else if (r.key == "PRJ") project = r.value;
        else if (r.key == "FRM") form = r.value;
        else if (r.key == "DOT") output = r.value;
        else if (r.key == "EXE") {
            base::services().keepAlive();
            ControlFile ctl;
            int rc = readControlFile(control, ctl);
            if (rc != 0) {
                report(message(rc == -1 ? kMsgNotFound : kMsgInvalid, control));
                return kGenerateFailed;
            }
            if (producePage(ctl, input, form, output, project, date) != kGenerateOk) return kGenerateFailed;
            std::string_view name = typeCodeName(type);
            report(message(kMsgPageWritten, name.empty() ? std::string_view(type) : name, output));
        }
    }
    return kGenerateOk;
}

int generate(int mode, const std::vector<std::string>& args, const GeneratorOptions& options) {
    if (mode != kGenerateMode || args.size() < 2 || args[0] != kGenerateEntry) {
        report(message(kMsgNotFound, args.size() >= 2 ? std::string_view(args[1]) : std::string_view()));
        return kGenerateNoDefinition;
    }
    return generateFromDefinition(args[1], options);
}

}  // namespace output
