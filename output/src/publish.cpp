// The user's publishing settings file and the password kept for this run.
#include "output/publish.h"

#include <sys/stat.h>

#include "base/files.h"
#include "base/names.h"
#include "base/text.h"
#include "chart/scramble.h"

namespace output {

namespace {

std::string& memoryPassword() {
    static std::string pw;
    return pw;
}

bool flag(std::string_view v) { return !v.empty() && v != "0"; }

}  // namespace

std::string publishSettingsPath(const std::string& paramPath) {
    return base::joinPath(base::folderOf(paramPath), kPublishFileName);
}

int readPublishSettings(const std::string& path, PublishSettings& out) {
    out = PublishSettings{};
    if (!base::fileExists(path)) return 0;
    base::LineReader reader;
    if (!reader.open(path)) return -1;
    std::string line;
    while (reader.next(line, 1023, false)) {
        if (line.size() < 4 || line[3] != ':') continue;
        const std::string key = line.substr(0, 4);
        const std::string raw = line.substr(4);
        if (key == "PWD:") {
            out.savedPassword = raw;
            continue;
        }
        const std::string value = base::fromCp932(raw);
        if (key == "TRN:") out.upload = flag(value);
        else if (key == "SRV:") out.server = value;
        else if (key == "DIR:") out.folder = value;
        else if (key == "USR:") out.user = value;
        else if (key == "SPW:") out.savePassword = flag(value);
        else if (key == "OUT:") out.outputFolder = value;
    }
    return 0;
}

int writePublishSettings(const std::string& path, const PublishSettings& s) {
    std::string bytes = std::string(kPublishHeader) + "\r\n";
    bool ok = true;
    auto text = [&](const char* key, const std::string& value) {
        base::Conversion c = base::utf8ToCp932(value);
        if (!c.ok) ok = false;
        bytes += key + c.text + "\r\n";
    };
    text("TRN:", s.upload ? "1" : "0");
    text("SRV:", s.server);
    text("DIR:", s.folder);
    text("USR:", s.user);
    text("SPW:", s.savePassword ? "1" : "0");
    // A line break in the password would split its line.
    if (s.savedPassword.find_first_of("\r\n") != std::string::npos) ok = false;
    if (!s.savedPassword.empty()) bytes += "PWD:" + s.savedPassword + "\r\n";
    text("OUT:", s.outputFolder);
    if (!ok) return -2;
    // The file may hold the password: an existing copy is narrowed to its owner first
    // (the replacement keeps that mode), a new one is created that way.
    ::chmod(path.c_str(), 0600);
    mode_t old = ::umask(077);
    base::AtomicFile f(path);
    ::umask(old);
    if (!f.isOpen()) return -1;
    f.write(bytes);
    return f.commit() ? 0 : -1;
}

std::string scramblePassword(std::string_view password) {
    return chart::scrambleLine(base::toCp932(password), 1);
}

std::string unscramblePassword(std::string_view stored) {
    return base::fromCp932(chart::unscrambleLine(stored));
}

void setSessionPassword(std::string_view password) { memoryPassword() = std::string(password); }
const std::string& sessionPassword() { return memoryPassword(); }

void takePasswordField(PublishSettings& s, std::string_view field, bool save) {
    s.savePassword = save;
    if (field.empty()) return;
    setSessionPassword(field);
    if (save) s.savedPassword = scramblePassword(field);
}

std::string uploadPassword(const PublishSettings& s) {
    if (s.savePassword && !s.savedPassword.empty()) return unscramblePassword(s.savedPassword);
    return sessionPassword();
}

}  // namespace output
