#include "app/project.h"

#include "app/catalogue.h"
#include "base/files.h"
#include "base/names.h"
#include "base/services.h"

namespace app {

namespace {

constexpr std::string_view kEditCaption = "プロジェクトファイル編集";

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

bool isLogName(std::string_view name) { return base::hasExtension(name, ".log") || base::hasExtension(name, ".klg"); }

// The first `n` characters (bytes; the compared texts are ASCII) of the current
// project file header.
std::string headerPrefix(std::size_t n) { return base::buildHeader(base::kHeaderNam).substr(0, n); }

}  // namespace

const char* inputCodeName(int code) {
    switch (code) {
    case 1: return "JIS";
    case 2: return "EUC-JP";
    case 3: return "UTF-8";
    default: return "SJIS";
    }
}

int inputCodeFromText(std::string_view value) {
    // "SJIS" is tested before "JIS", which it contains.
    if (value.find("SJIS") != std::string_view::npos) return 0;
    if (value.find("JIS") != std::string_view::npos) return 1;
    if (value.find("EUC-JP") != std::string_view::npos) return 2;
    if (value.find("UTF-8") != std::string_view::npos) return 3;
    return -1;
}

int classifyLine(std::string& line, int state) {
    if (line.empty()) return kLineSkip;
    if (line == "/") return kLineEnd;
    if (state == 0) {
        if (startsWith(line, " [KOV:")) return base::headerAccepted(line, base::kHeaderNam) ? kLineSkip : kLineVersion;
        if (line == "[Sources]") return kLineLog;
        return kLineSkip;
    }
    if (state == kLineLog || state == kLineOther) {
        if (line == "[Common]" || line == "[IncludePath]") return kLineEnd;
        line = base::unquote(line);
        return isLogName(line) ? kLineLog : kLineOther;
    }
    return kLineEnd;
}

std::string defaultDataDir(const std::string& installDir, const std::string& user) {
    if (user.empty()) return base::joinPath(installDir, "Projects");
    return base::joinPath(base::joinPath(base::joinPath(installDir, "Users"), user), "Projects");
}

// ---- opening --------------------------------------------------------------------

namespace {

// Writes the project file of an imported plain list. The old lines go in as they
// were read (raw CP932), each quoted.
bool writeImported(const std::string& path, const std::vector<std::string>& rawLines, const Project& p) {
    base::AtomicFile f(path);
    if (!f.isOpen()) return false;
    f.writeLine(base::buildHeader(base::kHeaderNam));
    f.writeLine("[Sources]");
    for (const auto& l : rawLines) f.writeLine(base::quote(l));
    f.writeLine("[IncludePath]");
    f.writeLine("[Common]");
    f.writeLine(base::toCp932("DataDirectory = " + base::quote(p.dataDir)));
    f.writeLine(base::toCp932("InputBaseDirectory = " + base::quote(p.baseDir)));
    f.writeLine(std::string("InputFileCode = ") + inputCodeName(p.inputCode));
    return f.commit();
}

// Collects the lines of a file without header and judges whether it is a plain list
// of files: text lines (no NUL byte, none over the line limit), all together no
// larger than a list can sensibly be, at least one naming an existing file.
class PlainListCheck {
public:
    // Keeps a raw line; false once the file can no longer be a list (reading may stop).
    bool take(const std::string& line, bool cut, std::vector<std::string>& raw) {
        bytes_ += line.size() + 1;
        if (cut || line.size() > kMaxPlainListLine || bytes_ > kMaxPlainListBytes ||
            line.find('\0') != std::string::npos)
            bad_ = true;
        if (!bad_) raw.push_back(line);
        lines_ = &raw;
        return !bad_;
    }
    bool acceptable(const std::string& path) const {
        if (bad_ || !lines_ || base::fileSize(path) > static_cast<long long>(kMaxPlainListBytes)) return false;
        const std::string folder = base::folderOf(path);
        for (const auto& l : *lines_) {
            std::string name = base::unquote(base::trimBlanks(base::fromCp932(l)));
            if (name.empty()) continue;
            std::string full = base::isAbsolutePath(name) ? name : base::joinPath(folder, name);
            if (base::fileExists(full) && !base::isDirectory(full)) return true;
        }
        return false;
    }

private:
    std::size_t bytes_ = 0;
    bool bad_ = false;
    const std::vector<std::string>* lines_ = nullptr;
};

void includeLimitMessage(const std::string& line) {
    base::services().messageBox(base::kBoxInfo, "Chronava",
                                formatMessage("インクルードファイル検索ディレクトリの数が %d を超えました。",
                                              std::to_string(kMaxIncludePaths)),
                                formatMessage("%s は無視されます。", line));
}

}  // namespace

int openProject(std::string& path, const std::string& defaultData, Project& out, bool* imported) {
    if (imported) *imported = false;
    Project p;
    p.path = path;
    p.dataDir = defaultData;
    base::makeDirectories(p.dataDir);
    p.baseDir = base::folderOf(path);

    base::LineReader in;
    // A folder opens for reading on Linux but is no project (and no list to import).
    if (!base::fileExists(path) || !in.open(path)) {
        base::services().messageBox(base::kBoxInfo, "Chronava", message(100), path);
        return -1;
    }
    std::vector<std::string> raw;  // every line, for an import
    PlainListCheck list;
    std::string first;
    // Only the start of the first line counts (a header is short); the rest of a long
    // one comes back as a further line, which ends the reading of a file without header.
    bool haveFirst = in.next(first, kMaxPlainListLine, true);
    if (haveFirst) list.take(first, in.lastWasCut(), raw);
    std::string firstText = base::fromCp932(first);
    bool accepted = haveFirst && base::headerAccepted(firstText, base::kHeaderNam);
    const std::string prefix11 = headerPrefix(11);

    bool current = false;
    bool includeOn = true, commonOn = true;
    bool versionError = false, ended = false;
    std::string rawLine;
    // Without a header a long line is not skipped through: its first piece already
    // shows that the file is no list.
    while (in.next(rawLine, base::LineReader::kMaxLineBytes, !accepted)) {
        // A file with an accepted header is never imported: its lines are not kept.
        if (!accepted && !list.take(rawLine, in.lastWasCut(), raw)) break;
        if (ended) continue;  // keep collecting the raw lines for an import
        std::string line = base::fromCp932(rawLine);
        if (startsWith(line, prefix11)) {
            current = true;
        } else if (startsWith(line, "[Sources]") || startsWith(line, "[IncludePat") || startsWith(line, "[Common]")) {
            if (!accepted) {
                versionError = true;
                break;
            }
            current = true;
            includeOn = startsWith(line, "[IncludePat");
            commonOn = startsWith(line, "[Common]");
        } else if (commonOn && (startsWith(line, "DataDirectory") || startsWith(line, "InputBaseDirectory"))) {
            std::size_t eq = line.find('=');
            std::string v = eq == std::string::npos ? std::string() : base::unquote(base::trimBlanks(line.substr(eq + 1)));
            if (startsWith(line, "DataDirectory"))
                p.dataDir = v;
            else
                p.baseDir = v;
        } else if (commonOn && startsWith(line, "InputFileCode")) {
            int c = inputCodeFromText(line);
            if (c >= 0) p.inputCode = c;
        } else if (includeOn) {
            if (!line.empty() && line[0] == '/') {
                ended = true;
                continue;
            }
            if (line[0] == '#' || line.empty()) continue;
            // Lines before any section are include paths only in a file with a
            // header; a plain list holds file names, which the import takes over.
            if (!accepted) continue;
            std::string v = base::unquote(line);
            if (p.includePaths.size() >= static_cast<std::size_t>(kMaxIncludePaths)) {
                includeLimitMessage(line);
                continue;
            }
            p.includePaths.push_back(v);
        }
    }
    in.close();

    if (versionError) {
        base::services().messageBox(base::kBoxInfo, "Chronava", message(104), path);
        return -2;
    }
    if (current) {
        out = std::move(p);
        return 0;
    }

    // A plain list of an older release: import it into its own folder of the default
    // data folder (a DataDirectory line in a file without header does not move it).
    // Anything that is not a list of files is refused before a byte is written.
    if (!list.acceptable(path)) {
        base::services().messageBox(base::kBoxInfo, "Chronava", "プロジェクトファイルではありません。", path);
        return -1;
    }
    std::string name = base::splitPath(path).name;
    p.dataDir = base::joinPath(defaultData, base::baseName(path));
    base::makeDirectories(p.dataDir);
    p.baseDir = base::folderOf(path);
    p.includePaths.clear();
    std::string tmp = base::joinPath(p.dataDir, "$$$.nam");
    if (!writeImported(tmp, raw, p)) {
        base::services().messageBox(base::kBoxInfo, "Chronava", message(100), tmp);
        return -1;
    }
    std::string target = base::joinPath(p.dataDir, name);
    // rename(2) replaces an existing file of that name in one step. When it fails the
    // project stays under its temporary name, which then is the project to open.
    p.path = base::renameFile(tmp, target) ? target : tmp;
    if (!base::fileExists(cssPath(p.path))) writeCss(p.path, base::baseName(p.path), "");
    path = p.path;
    out = std::move(p);
    if (imported) *imported = true;
    return 0;
}

// ---- writing --------------------------------------------------------------------

std::string projectFileBytes(const Project& p, const std::vector<std::string>& sources, bool* ok) {
    std::string text;
    auto line = [&text](std::string_view l) {
        text += l;
        text += "\r\n";
    };
    line(base::buildHeader(base::kHeaderNam));
    line("[Sources]");
    for (const auto& s : sources) line(base::quote(s));
    line("[IncludePath]");
    for (const auto& s : p.includePaths) line(base::quote(s));
    line("[Common]");
    line("DataDirectory = " + base::quote(p.dataDir));
    line("InputBaseDirectory = " + base::quote(p.baseDir));
    line(std::string("InputFileCode = ") + inputCodeName(p.inputCode));
    base::Conversion c = base::utf8ToCp932(text);
    if (ok) *ok = c.ok;
    return c.text;
}

int writeProjectFile(const Project& p, const std::vector<std::string>& sources, std::string_view caption) {
    bool ok = true;
    std::string bytes = projectFileBytes(p, sources, &ok);
    if (!ok) {
        // A character without a CP932 form would be stored damaged: name it instead.
        std::string all = p.dataDir + p.baseDir;
        for (const auto& s : sources) all += s;
        for (const auto& s : p.includePaths) all += s;
        base::services().warningBox(base::kBoxInfo, caption, formatMessage(message(0), base::utf8ToCp932(all).bad),
                                    p.path);
        return -1;
    }
    if (p.path.empty() || !base::writeFileAtomic(p.path, bytes)) {
        base::services().warningBox(base::kBoxInfo, caption, message(100), p.path);
        return -1;
    }
    return 0;
}

int saveProject(const Project& p, const std::vector<std::string>& sources) {
    if (writeProjectFile(p, sources) != 0) return -1;
    if (!base::fileExists(cssPath(p.path))) writeCss(p.path, base::baseName(p.path), "C");
    return 0;
}

int createProject(const std::string& location, const std::string& name, const std::string& baseDir,
                  const std::vector<std::string>& sources, Project& p) {
    std::string loc = location.empty() ? std::string("/") : base::stripTrailingSlash(location);
    const std::string folder = base::folderOf(loc);
    const std::string parent = folder.empty() ? std::string(".") : folder;
    if (!base::isDirectory(parent)) {
        base::services().warningBox(base::kBoxInfo, kEditCaption, "指定フォルダが見つかりません。", parent);
        return -1;
    }
    if (name.empty()) {
        base::services().warningBox(base::kBoxInfo, kEditCaption, "プロジェクトファイル名を入力してください。");
        return -2;
    }
    Project np = p;
    np.dataDir = loc;
    base::makeDirectories(loc);
    np.path = base::replaceExtension(base::joinPath(loc, name), ".nam");
    std::string b = base::stripTrailingSlash(baseDir);
    np.baseDir = b.empty() ? base::folderOf(np.path) : b;
    if (saveProject(np, sources) != 0) {
        p.path.clear();
        return -3;
    }
    p = std::move(np);
    return 0;
}

// ---- reading [Sources] ----------------------------------------------------------

SourceList readSources(const std::string& projectPath) {
    SourceList out;
    base::LineReader in;
    if (!in.open(projectPath)) {
        out.result = -1;
        return out;
    }
    std::string raw;
    int state = 0;
    while (in.next(raw)) {
        std::string line = base::fromCp932(raw);
        if (line.empty()) continue;  // a blank line does not end the list
        int c = classifyLine(line, state);
        if (c == kLineEnd) break;
        if (c == kLineVersion) {
            out.result = -2;
            break;
        }
        if (c == kLineLog && state != 0) {
            out.logs.push_back(line);
            out.entries.push_back(line);
        } else if (c == kLineOther) {
            out.entries.push_back(line);
        }
        state = c;
    }
    return out;
}

SourceList readSourcesReporting(const std::string& projectPath) {
    SourceList s = readSources(projectPath);
    if (s.result == -2) base::services().messageBox(base::kBoxInfo, "Chronava", message(104), projectPath);
    return s;
}

// ---- project information file ---------------------------------------------------

std::string cssPath(const std::string& projectPath) { return base::replaceExtension(projectPath, ".css"); }

std::string readCssValue(const std::string& projectPath, std::string_view key, std::size_t maxLen) {
    std::string wanted = base::toUpperAscii(base::trimBlanks(key));
    base::LineReader in;
    if (projectPath.empty() || !in.open(cssPath(projectPath))) {
        if (wanted == "SYS" && !projectPath.empty()) return base::cutToCp932(base::baseName(projectPath), maxLen);
        return {};
    }
    std::string raw, value;
    while (in.next(raw)) {
        std::string line = base::fromCp932(raw);
        std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        if (base::toUpperAscii(base::trimBlanks(line.substr(0, colon))) != wanted) continue;
        value = base::trimBlanks(line.substr(colon + 1));
    }
    return base::cutToCp932(value, maxLen);
}

int writeCss(const std::string& projectPath, std::string_view sys, std::string_view lgt) {
    if (projectPath.empty()) return -1;
    auto clean = [](std::string_view v) {
        std::string s;
        for (char c : v)
            if (c != '\r' && c != '\n') s += c;
        return s;
    };
    std::string text = "SYS:" + clean(sys) + "\r\nLGT:" + clean(lgt) + "\r\n";
    base::Conversion c = base::utf8ToCp932(text);
    if (!c.ok) return -2;
    return base::writeFileAtomic(cssPath(projectPath), c.text) ? 0 : -2;
}

// ---- template values ------------------------------------------------------------

std::string projectValue(const Project* p, std::string_view section, std::string_view key, std::size_t maxLen) {
    std::string v;
    bool open = p && !p->path.empty();
    if (section == "Nam.Common") {
        if (key == "DataDirectory")
            v = p ? p->dataDir : "";
        else if (key == "InputBaseDirectory")
            v = p ? p->baseDir : "";
        else if (key == "InputFileCode")
            v = inputCodeName(p ? p->inputCode : 0);
        else if (key == "ProjectName")
            v = open ? readCssValue(p->path, "SYS") : "";
        else if (key == "ComplierName")
            v = open ? readCssValue(p->path, "LGT") : "";
    } else if (section == "Nam.IncludePath" && p) {
        for (const auto& inc : p->includePaths) {
            std::size_t add = inc.size() + (v.empty() ? 0 : 1);
            if (v.size() + add > kMaxIncludeText) break;
            if (!v.empty()) v += ';';
            v += inc;
        }
    }
    if (v.size() > maxLen) v = base::cutToCp932(v, maxLen);
    return v;
}

// ---- kanji code rewrite ---------------------------------------------------------

int rewriteInputFileCode(const std::string& projectPath, int code) {
    base::LineReader in;
    if (!in.open(projectPath)) return -1;
    const std::string newLine = std::string("InputFileCode = ") + inputCodeName(code);
    std::string out, raw;
    bool written = false;
    while (in.next(raw)) {
        if (startsWith(raw, "InputFileCode")) {
            out += newLine + "\r\n";
            written = true;
            continue;
        }
        if (!written && startsWith(raw, "/")) {
            out += newLine + "\r\n";
            written = true;
        }
        out += raw + "\r\n";
    }
    if (!written) out += newLine + "\r\n";
    return base::writeFileAtomic(projectPath, out) ? 0 : -1;
}

// ---- project dialog list checks ------------------------------------------------

bool isListableFile(std::string_view path) {
    std::string ext = base::toUpperAscii(base::extensionOf(path));
    if (ext == ".LOG" || ext == ".KLG" || ext == ".INC") return true;
    return ext.size() >= 2 && (ext[1] == 'C' || ext[1] == 'H');
}

int checkFileToAdd(const std::vector<std::string>& entries, const std::string& file) {
    if (!isListableFile(file)) return kAddNotSource;
    for (const auto& e : entries)
        if (e == file) return kAddDuplicate;
    std::string stem = base::baseName(file);
    for (const auto& e : entries)
        if (base::baseName(e) == stem) return kAddSameStem;
    return kAddOk;
}

void reportAddCheck(int check, const std::string& file) {
    auto& s = base::services();
    switch (check) {
    case kAddNotSource: s.warningBox(base::kBoxInfo, kEditCaption, formatMessage("Cソースファイルではありません(%s)。", file)); break;
    case kAddDuplicate: s.warningBox(base::kBoxInfo, kEditCaption, formatMessage("ファイル名が重複しています。(%s)", file)); break;
    case kAddSameStem:
        s.warningBox(base::kBoxInfo, kEditCaption, "ファイル名の拡張子を除く部分が同名のファイルが既に選択されています。", file);
        break;
    default: break;
    }
}

std::string displayEntry(const std::string& entry, const std::string& baseDir, bool absolute) {
    std::string abs = base::makeAbsolute(baseDir, entry);
    if (absolute || baseDir.empty()) return abs;
    std::string prefix = base::stripTrailingSlash(baseDir);
    if (prefix != "/") prefix += '/';
    if (abs.size() > prefix.size() && abs.compare(0, prefix.size(), prefix) == 0) return abs.substr(prefix.size());
    return abs;
}

void ProjectListModel::load(const std::vector<std::string>& entries) {
    entries_.clear();
    for (const auto& e : entries) entries_.push_back(base::makeAbsolute(baseDir_, e));
}

int ProjectListModel::add(const std::string& file, int selected, int* inserted) {
    std::string abs = base::makeAbsolute(baseDir_, file);
    int check = checkFileToAdd(entries_, abs);
    if (check == kAddOk && entries_.size() >= static_cast<std::size_t>(kMaxListEntries)) check = kAddListFull;
    if (check == kAddOk && base::cp932Length(abs) > 255) check = kAddTooLong;
    if (check == kAddListFull) {
        base::services().warningBox(base::kBoxInfo, kEditCaption, message(512), abs);
    } else if (check == kAddTooLong) {
        base::services().warningBox(base::kBoxInfo, kEditCaption, message(102), abs);
    } else if (check != kAddOk) {
        reportAddCheck(check, abs);
    }
    if (check != kAddOk) return check;
    int at = (selected >= 0 && selected < size()) ? selected + 1 : size();
    entries_.insert(entries_.begin() + at, abs);
    if (inserted) *inserted = at;
    return kAddOk;
}

void ProjectListModel::remove(int i) {
    if (i >= 0 && i < size()) entries_.erase(entries_.begin() + i);
}

std::vector<std::string> ProjectListModel::stored(bool absolute) const {
    std::vector<std::string> out;
    for (int i = 0; i < size(); ++i) out.push_back(shown(i, absolute));
    return out;
}

std::string linkNameIntoFolder(const std::string& folder, const std::string& name, bool editedByHand) {
    std::string n;
    for (char c : name)
        if (c != '/') n += c;
    if (editedByHand && !folder.empty() && folder.back() != '/') return folder + "/" + n;
    std::size_t slash = folder.rfind('/');
    return (slash == std::string::npos ? std::string() : folder.substr(0, slash + 1)) + n;
}

}  // namespace app
