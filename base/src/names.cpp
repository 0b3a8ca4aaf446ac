#include "base/names.h"

#include <cstdio>

namespace base {

namespace {
const char* const kHeaderTypes[] = {"NAM", "CSS", "PDS", "TRD", "FSS", "FSM",
                                    "LIN", "LTD", "LTS", "DIF", "CTL"};

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Position of the "." that starts the extension of the last component, or npos.
size_t extensionDot(std::string_view path) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return dot;
    if (slash != std::string_view::npos && dot < slash) return std::string_view::npos;
    return dot;
}
}  // namespace

std::string formatHeader(std::string_view type, double version) {
    char buf[64];
    std::snprintf(buf, sizeof buf, " [KOV:%.*s:V%.2f ]", static_cast<int>(type.size()), type.data(), version);
    return buf;
}

std::string buildHeader(int type) {
    if (type < 0 || type > 10) return {};
    return formatHeader(kHeaderTypes[type], 2.00);
}

bool headerAccepted(std::string_view line, int type) {
    std::string h = buildHeader(type);
    if (h.empty() || line.size() < 12) return false;
    return line.substr(0, 12) == std::string_view(h).substr(0, 12);
}

std::string replaceExtension(std::string_view path, std::string_view newExt) {
    std::string out(path);
    size_t dot = extensionDot(path);
    if (dot != std::string_view::npos) {
        std::string_view old = path.substr(dot + 1);
        char first = old.empty() ? '\0' : lowerAscii(old[0]);
        bool keep = (first == 'c' || first == 'h' || first == 'i') && !equalsNoCase(old, "css") &&
                    !equalsNoCase(old, "htm");
        if (keep)
            out[dot] = '-';
        else
            out.resize(dot);
    }
    out += newExt;
    return out;
}

SplitPath splitPath(std::string_view path) {
    size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return {std::string(), std::string(path)};
    return {std::string(path.substr(0, slash + 1)), std::string(path.substr(slash + 1))};
}

std::string folderOf(std::string_view path) {
    SplitPath s = splitPath(path);
    if (s.folder.empty()) return {};
    return stripTrailingSlash(s.folder);
}

std::string chartFileOf(std::string_view dataFolder, std::string_view source) {
    return joinPath(dataFolder, replaceExtension(splitPath(source).name, ".tct"));
}

std::string baseName(std::string_view path) { return replaceExtension(splitPath(path).name, ""); }

std::string extensionOf(std::string_view path) {
    size_t dot = extensionDot(path);
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

bool hasExtension(std::string_view path, std::string_view ext) { return equalsNoCase(extensionOf(path), ext); }

std::string joinPath(std::string_view folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    std::string out(folder);
    if (out.back() != '/') out += '/';
    size_t i = 0;
    while (i < name.size() && name[i] == '/') ++i;
    out += name.substr(i);
    return out;
}

bool isAbsolutePath(std::string_view path) { return !path.empty() && path[0] == '/'; }

std::string makeAbsolute(std::string_view base, std::string_view path) {
    if (isAbsolutePath(path) || path.empty()) return std::string(path);
    std::string_view p = path;
    while (p.starts_with("./")) p.remove_prefix(2);
    return joinPath(base, p);
}

std::string stripTrailingSlash(std::string_view path) {
    std::string out(path);
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

std::string quote(std::string_view value) {
    std::string out = "\"";
    for (char c : value)
        if (c != '"' && c != '\n' && c != '\r') out += c;
    out += '"';
    return out;
}

std::string unquote(std::string_view line) {
    size_t q1 = line.find('"');
    std::string_view v = line;
    if (q1 != std::string_view::npos) {
        size_t q2 = line.find('"', q1 + 1);
        v = line.substr(q1 + 1, q2 == std::string_view::npos ? std::string_view::npos : q2 - q1 - 1);
    }
    std::string out;
    out.reserve(v.size());
    for (char c : v)
        if (c != '\n' && c != '\r') out += c;
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && equalsNoCase(s.substr(0, prefix.size()), prefix);
}

std::string toUpperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string trimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return std::string(s.substr(b, e - b));
}

}  // namespace base
