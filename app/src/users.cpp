#include "app/users.h"

#include <cstdlib>
#include <dirent.h>

#include "base/files.h"
#include "base/names.h"

namespace app {

namespace {

int toInt(const std::string& s) {
    // The values are decimal texts; anything else reads as 0.
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (end == s.c_str()) return 0;
    if (v > 32767) v = 32767;
    if (v < -32768) v = -32768;
    return static_cast<int>(v);
}

}  // namespace

bool IniLogonStore::read(LogonSettings& s) {
    s = LogonSettings{};
    base::LineReader in;
    if (!in.open(path_)) return false;
    std::string line;
    bool inGeneral = true;  // keys before any section belong to [General] too
    bool any = false;
    while (in.next(line)) {
        std::string t = base::trimBlanks(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t.front() == '[') {
            inGeneral = t == "[General]";
            continue;
        }
        if (!inGeneral) continue;
        std::size_t eq = t.find('=');
        if (eq == std::string::npos) continue;
        std::string key = base::trimBlanks(t.substr(0, eq));
        std::string value = base::trimBlanks(t.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (key == "Logon") {
            s.logon = toInt(value);
            any = true;
        } else if (key == "NewUserByCopy") {
            s.newUserByCopy = toInt(value);
            any = true;
        } else if (key == "LogonName") {
            s.logonName = value;
            any = true;
        }
    }
    return any && !s.logonName.empty();
}

bool IniLogonStore::write(const LogonSettings& s) {
    std::string folder = base::folderOf(path_);
    if (!folder.empty()) base::makeDirectories(folder);
    std::string name;
    for (char c : s.logonName)
        if (c != '\n' && c != '\r') name += c;
    std::string text = "[General]\n";
    text += "Logon=" + std::to_string(s.logon) + "\n";
    text += "NewUserByCopy=" + std::to_string(s.newUserByCopy) + "\n";
    text += "LogonName=" + name + "\n";
    return base::writeFileAtomic(path_, text);
}

bool MemoryLogonStore::read(LogonSettings& s) {
    s = present ? values : LogonSettings{};
    return present && !s.logonName.empty();
}

bool MemoryLogonStore::write(const LogonSettings& s) {
    values = s;
    present = true;
    ++writes;
    return true;
}

std::string usersDir(const std::string& installDir) { return base::joinPath(installDir, "Users"); }

std::string userDir(const std::string& installDir, const std::string& user) {
    return base::joinPath(usersDir(installDir), user);
}

std::vector<std::string> listUsers(const std::string& installDir, bool* listable) {
    std::vector<std::string> out;
    std::string dir = usersDir(installDir);
    DIR* d = ::opendir(dir.c_str());
    if (listable) *listable = d != nullptr;
    if (!d) return out;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (base::isDirectory(base::joinPath(dir, name))) out.push_back(name);
    }
    ::closedir(d);
    return out;
}

LogonPlan planLogon(LogonStore& store, const std::string& installDir) {
    LogonPlan plan;
    store.read(plan.settings);
    if (plan.settings.logon == 0) return plan;
    bool listable = false;
    plan.users = listUsers(installDir, &listable);
    if (!listable) {
        plan.settings.logon = 0;
        store.write(plan.settings);
        plan.users.clear();
        return plan;
    }
    plan.showDialog = true;
    plan.selected = plan.users.empty() ? -1 : 0;
    for (std::size_t i = 0; i < plan.users.size(); ++i) {
        if (base::equalsNoCase(plan.users[i], plan.settings.logonName)) {
            plan.selected = static_cast<int>(i);
            break;
        }
    }
    return plan;
}

std::string acceptLogon(LogonStore& store, const LogonPlan& plan, const std::string& name) {
    if (name.empty()) return {};
    LogonSettings s = plan.settings;
    s.logonName = name;
    store.write(s);
    return name;
}

}  // namespace app
