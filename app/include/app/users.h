// Log-on settings and the user folders of the installation.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace app {

// The three log-on values, kept as strings by their store.
struct LogonSettings {
    int logon = 0;          // non-zero: ask for the user at start-up
    int newUserByCopy = 0;  // kept and written back unchanged
    std::string logonName;  // the user chosen last
};

// Where the log-on settings live: QSettings("KOV", "ChronavaS") in the desktop
// program, an INI file for tests and the command line.
class LogonStore {
public:
    virtual ~LogonStore() = default;
    // Fills `s` (defaults for missing values). False when the settings are missing or
    // the name is empty.
    virtual bool read(LogonSettings& s) = 0;
    // Writes all three values. False on failure.
    virtual bool write(const LogonSettings& s) = 0;
};

// INI form: a [General] section with Logon=, NewUserByCopy= and LogonName= (UTF-8),
// the layout QSettings uses for its own INI files.
class IniLogonStore : public LogonStore {
public:
    explicit IniLogonStore(std::string path) : path_(std::move(path)) {}
    bool read(LogonSettings& s) override;
    bool write(const LogonSettings& s) override;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A store held in memory (tests).
class MemoryLogonStore : public LogonStore {
public:
    bool present = false;
    LogonSettings values;
    int writes = 0;
    bool read(LogonSettings& s) override;
    bool write(const LogonSettings& s) override;
};

// The folder Users in the installation folder.
std::string usersDir(const std::string& installDir);
// Sub-folders of Users (not "." and ".."), in the order the file system returns them.
// `listable` is set false when the folder cannot be listed at all.
std::vector<std::string> listUsers(const std::string& installDir, bool* listable = nullptr);
// The folder of a user: Users/<name>.
std::string userDir(const std::string& installDir, const std::string& user);

// What start-up does about log-on.
struct LogonPlan {
    bool showDialog = false;        // ask for the user
    std::vector<std::string> users; // entries of the list
    int selected = -1;              // entry equal to LogonName (ignoring case), else 0; -1 when empty
    LogonSettings settings;         // as read (and possibly switched off)
};
// Reads the settings; when log-on is on but Users cannot be listed, switches it off
// and writes the settings back; otherwise plans the dialog.
LogonPlan planLogon(LogonStore& store, const std::string& installDir);
// The user chose `name` (OK or double-click): the settings are written with that name,
// the other two values unchanged. Returns the name as the current user.
std::string acceptLogon(LogonStore& store, const LogonPlan& plan, const std::string& name);

}  // namespace app
