// The log-on dialog "LOGINDLG" and the store of the log-on settings in QSettings.
#pragma once

#include <string>
#include <vector>

#include "app/users.h"
#include "helpdialog.h"

class QListWidget;

namespace appqt {

// The log-on values in QSettings ("KOV", "ChronavaS"), stored as strings.
class QSettingsLogonStore : public app::LogonStore {
public:
    bool read(app::LogonSettings& s) override;
    bool write(const app::LogonSettings& s) override;
};

class LoginDialog : public HelpDialog {
    Q_OBJECT
public:
    // `users` in the order the file system gave them; entry `selected` is preselected.
    LoginDialog(const std::vector<std::string>& users, int selected, QWidget* parent = nullptr);
    // The chosen name after OK (empty when the list was empty).
    std::string chosen() const;
    QListWidget* list() const { return list_; }

private:
    QListWidget* list_;
};

}  // namespace appqt
