#include "shellcore.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/catalogue.h"
#include "app/messages.h"
#include "base/files.h"
#include "base/names.h"
#include "base/services.h"
#include "base/text.h"

namespace appqt {
namespace {

const char kHeader[] = " [KOV:PRM:Q98:V2.50 ] \r\n";  // 24 bytes
constexpr int kHeaderLen = 24;

// Offsets in the user parameter record.
constexpr int kOffInputCode = 6;
constexpr int kOffTabWidth = 12;
constexpr int kOffEditor = 16;
constexpr int kOffLayout = 284;
constexpr int kOffRecentCount = 1070;
constexpr int kOffRecent = 1072;
constexpr int kOffLogText = 57168;
constexpr int kOffLogBack = 57171;
constexpr int kOffSound = 63030;
constexpr int kOffNameDisplay = 63676;
constexpr int kSlot = 256;

std::string readLineUtf8(const std::string& raw) { return base::fromCp932(raw); }

// Class of one project line: 0 skip, 1 log file, 2 other entry, -1 end, -2 version error.
int classify(std::string& line, int state) {
    if (line.empty()) return 0;
    if (line == "/") return -1;
    if (state == 0) {
        if (line.rfind(" [KOV:", 0) == 0) return base::headerAccepted(line, base::kHeaderNam) ? 0 : -2;
        return line == "[Sources]" ? 1 : 0;
    }
    if (state == 1 || state == 2) {
        if (line == "[Common]" || line == "[IncludePath]") return -1;
        line = base::unquote(line);
        return (base::hasExtension(line, ".log") || base::hasExtension(line, ".klg")) ? 1 : 2;
    }
    return -1;
}

}  // namespace

const char* inputCodeName(int code) {
    switch (code) {
    case kJis: return "JIS";
    case kEucJp: return "EUC-JP";
    case kUtf8: return "UTF-8";
    default: return "SJIS";
    }
}

ShellCore::ShellCore() : rec_(kRecordSize, 0) {}

std::string ShellCore::userDir() const {
    return userName.empty() ? std::string() : base::joinPath(base::joinPath(installDir, "Users"), userName);
}

std::string ShellCore::defaultDataFolder() const {
    return base::joinPath(userName.empty() ? installDir : userDir(), "Projects");
}

std::vector<std::string> ShellCore::listUsers(bool* listed) const {
    std::vector<std::string> out;
    DIR* d = opendir(base::joinPath(installDir, "Users").c_str());
    if (listed) *listed = d != nullptr;
    if (!d) return out;
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        if (base::isDirectory(base::joinPath(base::joinPath(installDir, "Users"), n))) out.push_back(n);
    }
    closedir(d);
    return out;
}

// --- user parameter record ------------------------------------------------------

std::string ShellCore::paramPath() const {
    return base::joinPath(userName.empty() ? installDir : userDir(), "rq4100s.prm");
}

int ShellCore::readParams() {
    std::string target = paramPath();
    std::string def = base::joinPath(installDir, "rq4100s.pro");
    std::string shown = target;
    if (!base::fileExists(target)) {
        if (!base::fileExists(def)) {
            base::services().messageBox(1, "Chronava", "システムファイルがありません。", def,
                                        "\nChronava を再度インストールしてください。");
            return -1;
        }
        std::string bytes;
        if (!base::readFile(def, bytes) || !base::writeFileAtomic(target, bytes)) {
            base::services().messageBox(1, "Chronava", "ファイルリードエラーです。", def);
            return -2;
        }
        shown = def;
    }
    std::string bytes;
    if (!base::readFile(target, bytes)) {
        base::services().messageBox(1, "Chronava", "ファイルリードエラーです。", shown);
        return -2;
    }
    // Only the current layout is taken here; the record carries every byte unchanged.
    if (bytes.size() != static_cast<size_t>(kHeaderLen + kRecordSize)) {
        base::services().messageBox(1, "Chronava", "ファイルサイズがいずれのバージョンとも一致しません。", shown);
        return -2;
    }
    std::memcpy(rec_.data(), bytes.data() + kHeaderLen, kRecordSize);
    return 0;
}

bool ShellCore::writeParams() {
    std::string bytes(kHeader, kHeaderLen);
    bytes.append(reinterpret_cast<const char*>(rec_.data()), rec_.size());
    if (!base::writeFileAtomic(paramPath(), bytes)) {
        base::services().messageBox(1, "Chronava", "ファイルライトエラーです。", paramPath());
        return false;
    }
    return true;
}

int ShellCore::u16(int off) const { return rec_[off] | (rec_[off + 1] << 8); }

void ShellCore::setU16(int off, int v) {
    rec_[off] = static_cast<unsigned char>(v & 0xff);
    rec_[off + 1] = static_cast<unsigned char>((v >> 8) & 0xff);
}

std::string ShellCore::str(int off) const {
    const char* p = reinterpret_cast<const char*>(rec_.data() + off);
    return base::fromCp932(std::string(p, strnlen(p, kSlot)));
}

void ShellCore::setStr(int off, const std::string& s) {
    std::string raw(base::cutCp932Bytes(base::toCp932(s), kSlot - 1));
    std::memset(rec_.data() + off, 0, kSlot);
    std::memcpy(rec_.data() + off, raw.data(), raw.size());
}

bool ShellCore::layout(int group, int entry, LayoutRect& r) const {
    if (group < 0 || group >= 6 || entry < 0 || entry >= 5) return false;
    int off = kOffLayout + 40 * group + 8 * entry;
    r = {u16(off), u16(off + 2), u16(off + 4), u16(off + 6)};
    return r.width != 0 && r.height != 0;
}

void ShellCore::setLayout(int group, int entry, const LayoutRect& r) {
    if (group < 0 || group >= 6 || entry < 0 || entry >= 5) return;
    int off = kOffLayout + 40 * group + 8 * entry;
    int old[4] = {u16(off), u16(off + 2), u16(off + 4), u16(off + 6)};
    int now[4] = {r.x & 0xffff, r.y & 0xffff, r.width & 0xffff, r.height & 0xffff};
    if (std::equal(old, old + 4, now)) return;  // unchanged: spare the write
    for (int i = 0; i < 4; ++i) setU16(off + 2 * i, now[i]);
    writeParams();
}

std::vector<std::string> ShellCore::recent() const {
    std::vector<std::string> out;
    int n = std::clamp(u16(kOffRecentCount), 0, kRecentMax);
    for (int i = 0; i < n; ++i) out.push_back(str(kOffRecent + kSlot * i));
    return out;
}

void ShellCore::setRecent(const std::vector<std::string>& list) {
    int n = static_cast<int>(std::min<size_t>(list.size(), kRecentMax));
    for (int i = 0; i < kRecentMax; ++i) setStr(kOffRecent + kSlot * i, i < n ? list[i] : std::string());
    setU16(kOffRecentCount, n);
}

void ShellCore::addRecent(const std::string& path) {
    std::vector<std::string> list = recent();
    std::erase(list, path);  // paths are case-sensitive on this platform
    list.insert(list.begin(), path);
    if (list.size() > kRecentMax) list.resize(kRecentMax);
    setRecent(list);
    writeParams();
}

void ShellCore::seedSampleProjects() {
    if (!recent().empty()) return;
    std::vector<std::string> list;
    for (int i = 1; i <= 5; ++i) {
        std::string n = "SampleT" + std::to_string(i);
        list.push_back(base::joinPath(base::joinPath(base::joinPath(installDir, "Projects"), n), n + ".nam"));
    }
    setRecent(list);
}

std::string ShellCore::recentLabel(int index, const std::string& path) {
    char key[16];
    if (index < 9)
        std::snprintf(key, sizeof key, "&%d", index + 1);
    else
        std::snprintf(key, sizeof key, "&%c", 'A' + (index - 9));
    return std::string(key) + " " + path;
}

int ShellCore::tabWidth() const { return u16(kOffTabWidth); }
void ShellCore::setTabWidth(int w) { setU16(kOffTabWidth, w); }
std::string ShellCore::editorPath() const { return str(kOffEditor); }
void ShellCore::setEditorPath(const std::string& p) { setStr(kOffEditor, p); }
Rgb ShellCore::logTextColour() const { return {rec_[kOffLogText], rec_[kOffLogText + 1], rec_[kOffLogText + 2]}; }
Rgb ShellCore::logBackColour() const { return {rec_[kOffLogBack], rec_[kOffLogBack + 1], rec_[kOffLogBack + 2]}; }
void ShellCore::setLogColours(Rgb t, Rgb b) {
    unsigned char v[6] = {static_cast<unsigned char>(t.r), static_cast<unsigned char>(t.g),
                          static_cast<unsigned char>(t.b), static_cast<unsigned char>(b.r),
                          static_cast<unsigned char>(b.g), static_cast<unsigned char>(b.b)};
    std::memcpy(rec_.data() + kOffLogText, v, 6);
}
int ShellCore::nameDisplay() const { return u16(kOffNameDisplay); }
void ShellCore::setNameDisplay(int v) { setU16(kOffNameDisplay, v); }
bool ShellCore::completionSound() const { return u16(kOffSound) != 0; }
void ShellCore::setCompletionSound(bool on) { setU16(kOffSound, on ? 1 : 0); }
int ShellCore::lastInputCode() const { return u16(kOffInputCode); }
void ShellCore::setLastInputCode(int code) { setU16(kOffInputCode, code); }

// --- project -----------------------------------------------------------------------

int ShellCore::openProject(std::string& path) {
    base::LineReader in(path);
    if (!in.isOpen()) {
        base::services().messageBox(1, "Chronava", message(100), path);
        return -1;
    }
    std::string data = defaultDataFolder();
    base::makeDirectories(data);
    std::string basef = base::folderOf(path);
    int code = kSjis;
    std::vector<std::string> includes;
    std::string raw, header;
    in.next(header);
    bool headerOk = base::headerAccepted(header, base::kHeaderNam);
    bool inInclude = false, inCommon = false;
    while (in.next(raw)) {
        std::string line = readLineUtf8(raw);
        bool section = line.rfind("[Sources]", 0) == 0 || line.rfind("[IncludePat", 0) == 0 ||
                       line.rfind("[Common]", 0) == 0;
        if (section && !headerOk) {
            base::services().messageBox(1, "Chronava", message(104), path);
            return -2;
        }
        if (line.rfind("[Sources]", 0) == 0) {
            inInclude = inCommon = false;
        } else if (line.rfind("[IncludePat", 0) == 0) {
            inInclude = true, inCommon = false;
        } else if (line.rfind("[Common]", 0) == 0) {
            inCommon = true, inInclude = false;
        } else if (inCommon && (line.rfind("DataDirectory", 0) == 0 || line.rfind("InputBaseDirectory", 0) == 0)) {
            size_t eq = line.find('=');
            std::string v = eq == std::string::npos ? "" : base::unquote(base::trimBlanks(line.substr(eq + 1)));
            (line[0] == 'D' ? data : basef) = v;
        } else if (inCommon && line.rfind("InputFileCode", 0) == 0) {
            if (line.find("SJIS") != std::string::npos) code = kSjis;
            else if (line.find("UTF-8") != std::string::npos) code = kUtf8;
            else if (line.find("JIS") != std::string::npos) code = kJis;
            else if (line.find("EUC-JP") != std::string::npos) code = kEucJp;
        } else if (inInclude) {
            if (line.rfind("/", 0) == 0) break;
            if (line.rfind("#", 0) == 0 || line.empty()) continue;
            if (includes.size() < 100) includes.push_back(base::unquote(line));
        }
    }
    if (!headerOk) {
        // A plain list from an older release needs importing; this reader takes only
        // current project files.
        base::services().messageBox(1, "Chronava", message(104), path);
        return -2;
    }
    projectPath = path;
    dataFolder = data;
    baseFolder = basef;
    inputCode = code;
    includePaths = includes;
    return 0;
}

bool ShellCore::readSources(const std::string& path, std::vector<std::string>& out, bool* versionError) const {
    if (versionError) *versionError = false;
    base::LineReader in(path);
    if (!in.isOpen()) return false;
    std::string raw;
    int state = 0;
    while (in.next(raw)) {
        std::string line = readLineUtf8(raw);
        // An empty line is passed over without leaving the list it stands in, so a
        // blank line typed into [Sources] does not hide the entries after it.
        if (line.empty()) continue;
        int c = classify(line, state);
        if (c == -2) {
            if (versionError) *versionError = true;
            return false;
        }
        if (c == -1) break;
        if ((c == 1 || c == 2) && line != "[Sources]") out.push_back(line);
        state = c;
    }
    return true;
}

bool ShellCore::writeProject(const std::string& path, const std::vector<std::string>& sources) {
    base::AtomicFile f(path);
    if (!f.isOpen()) return false;
    auto line = [&](const std::string& s) { f.writeLine(base::toCp932(s)); };
    line(base::buildHeader(base::kHeaderNam));
    line("[Sources]");
    for (const auto& s : sources) line(base::quote(s));
    line("[IncludePath]");
    for (const auto& s : includePaths) line(base::quote(s));
    line("[Common]");
    line("DataDirectory = " + base::quote(dataFolder));
    line("InputBaseDirectory = " + base::quote(baseFolder));
    line(std::string("InputFileCode = ") + inputCodeName(inputCode));
    if (!f.commit()) return false;
    projectPath = path;
    std::string css = base::replaceExtension(path, ".css");
    if (!base::fileExists(css)) writeProjectInfo(base::baseName(path), "C");
    return true;
}

std::vector<TreeItem> ShellCore::projectTree(int tab) const {
    std::vector<TreeItem> items;
    if (projectPath.empty()) return items;
    items.push_back({-1, "プロジェクト " + base::baseName(projectPath), 0, 0, {}});
    std::vector<std::string> all;
    bool versionError = false;
    readSources(projectPath, all, &versionError);
    if (versionError) base::services().messageBox(1, "Chronava", message(104), projectPath);
    std::vector<std::string> logs;
    for (const auto& s : all)
        if (base::hasExtension(s, ".log") || base::hasExtension(s, ".klg")) logs.push_back(s);
    auto shown = [&](const std::string& s) {
        switch (nameDisplay()) {
        case 0: return base::splitPath(s).name;
        case 2: return resolve(s);
        default: return s;
        }
    };
    int n = static_cast<int>(logs.size());
    if (tab == 1) {
        for (int i = 0; i < n; ++i) {
            int node = static_cast<int>(items.size());
            items.push_back({0, shown(logs[i]), 7, 10 * i + 10, logs[i]});
            items.push_back({node, "タイミングチャート", 10, 10 * i + 18, logs[i]});
            items.push_back({node, "ログファイル", 6, 10 * i + 16, logs[i]});
        }
    } else {
        int charts = static_cast<int>(items.size());
        items.push_back({0, "タイミングチャート", 10, 300, {}});
        for (int i = 0; i < n; ++i) items.push_back({charts, shown(logs[i]), 7, 10 * i + 18, logs[i]});
        int sources = static_cast<int>(items.size());
        items.push_back({0, "ログファイル", 6, 300, {}});
        for (int i = 0; i < n; ++i) items.push_back({sources, shown(logs[i]), 7, 10 * i + 16, logs[i]});
    }
    return items;
}

std::string ShellCore::systemName() const {
    std::string fallback = base::baseName(projectPath);
    base::LineReader in(base::replaceExtension(projectPath, ".css"));
    if (!in.isOpen()) return fallback;
    std::string raw, value;
    bool found = false;
    while (in.next(raw)) {
        std::string line = readLineUtf8(raw);
        size_t c = line.find(':');
        if (c == std::string::npos) continue;
        if (base::toUpperAscii(base::trimBlanks(line.substr(0, c))) == "SYS") {
            value = base::trimBlanks(line.substr(c + 1));
            found = true;
        }
    }
    return found ? value : std::string();
}

bool ShellCore::writeProjectInfo(const std::string& sys, const std::string& lgt) const {
    if (projectPath.empty()) return false;
    base::AtomicFile f(base::replaceExtension(projectPath, ".css"));
    if (!f.isOpen()) return false;
    f.writeLine(base::toCp932("SYS:" + sys));
    f.writeLine(base::toCp932("LGT:" + lgt));
    return f.commit();
}

bool ShellCore::rewriteInputCode(int code) {
    inputCode = code;
    if (projectPath.empty()) return true;
    std::string bytes;
    if (!base::readFile(projectPath, bytes)) return false;
    base::LineReader in(projectPath);
    base::AtomicFile out(projectPath);
    if (!in.isOpen() || !out.isOpen()) return false;
    std::string fresh = std::string("InputFileCode = ") + inputCodeName(code);
    bool written = false;
    std::string raw;
    while (in.next(raw)) {
        if (raw.rfind("InputFileCode", 0) == 0) {
            out.writeLine(fresh);
            written = true;
            continue;
        }
        if (raw.rfind("/", 0) == 0 && !written) {
            out.writeLine(fresh);
            written = true;
        }
        out.writeLine(raw);
    }
    if (!written) out.writeLine(fresh);
    return out.commit();
}

std::string ShellCore::title() const {
    std::string name = base::baseName(projectPath);
    if (!projectPath.empty() && !userName.empty()) return name + " - Chronava[" + userName + "]";
    if (!projectPath.empty()) return name + " - Chronava";
    if (!userName.empty()) return "Chronava[" + userName + "]";
    return "Chronava";
}

std::string ShellCore::resolve(const std::string& name) const { return base::makeAbsolute(baseFolder, name); }

// --- messages --------------------------------------------------------------------

std::string ShellCore::message(int number) { return std::string(app::message(number)); }

bool ShellCore::clickablePath(std::string_view line, std::string& path) {
    path = app::clickablePath(line);
    return !path.empty();
}

}  // namespace appqt
