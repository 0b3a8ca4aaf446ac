// The user's publishing settings: whether the HTML output uploads its pages, the
// server, its folder and the account, the saved password and the HTML output folder.
//
// They live in "rq4100s.ftp" beside the user's parameter file: a CP932 line file with
// CR LF whose password line holds the password through the line scrambling (as line
// 1, marker byte included). The file is readable and writable by its owner only. A
// password that is not saved is kept in memory until the program ends.
#pragma once

#include <string>
#include <string_view>

namespace output {

inline constexpr const char* kPublishFileName = "rq4100s.ftp";
inline constexpr const char* kPublishHeader = " [KOV:FTP:V1.00 ]";

struct PublishSettings {
    bool upload = false;         // "サーバーへ転送(&N)"
    std::string server;          // "サーバーアドレス(&A):", "host" or "host:port"
    std::string folder;          // "転送先ディレクトリ(&D):"
    std::string user;            // "ユーザー名(&U):"
    bool savePassword = false;   // "パスワードを保存(&S)"
    std::string savedPassword;   // the password as stored: scrambled CP932 bytes
    std::string outputFolder;    // where the pages go; empty: the project folder
};

// "rq4100s.ftp" in the folder of the parameter file `paramPath`.
std::string publishSettingsPath(const std::string& paramPath);

// Reads the settings. A missing file gives the defaults and 0; -1 when the file exists
// but cannot be read. Unknown lines are ignored.
int readPublishSettings(const std::string& path, PublishSettings& out);
// Writes the settings through a temporary file, owner-only. 0, -1 when the file cannot
// be written, -2 when a text has no CP932 form or the password holds a line break
// (nothing written).
int writePublishSettings(const std::string& path, const PublishSettings& s);

// The password as stored, and back. UTF-8 at this interface.
std::string scramblePassword(std::string_view password);
std::string unscramblePassword(std::string_view stored);

// The password held in memory for this run of the program.
void setSessionPassword(std::string_view password);
const std::string& sessionPassword();

// Takes over the dialog's password field on OK: a non-empty field is stored scrambled
// when `save` is on (and the memory copy follows it), else held in memory only; an
// empty field leaves both as they were.
void takePasswordField(PublishSettings& s, std::string_view field, bool save);

// The password an upload uses: the saved one when saving is on, else the one in
// memory.
std::string uploadPassword(const PublishSettings& s);

}  // namespace output
