// The log-on dialog "LOGINDLG" and the log-on settings kept in QSettings
// ("KOV", "ChronavaS"): "Logon", "NewUserByCopy" and "LogonName", as strings.
#pragma once

#include <string>
#include <vector>

#include "helpdialog.h"

class QListWidget;

namespace appqt {

struct LogonSettings {
    int logon = 0;
    int newUserByCopy = 0;
    std::string name;
};
// False when the values are missing (the defaults are returned).
bool readLogonSettings(LogonSettings& s);
void writeLogonSettings(const LogonSettings& s);

class LoginDialog : public HelpDialog {
    Q_OBJECT
public:
    // `users` in the order the file system gave them; `last` is preselected.
    LoginDialog(const std::vector<std::string>& users, const std::string& last, QWidget* parent = nullptr);
    // The chosen name after OK (empty when the list was empty).
    std::string chosen() const;
    QListWidget* list() const { return list_; }

private:
    QListWidget* list_;
};

}  // namespace appqt
