// Publishing the produced HTML pages to a server over FTP (libcurl).
//
// Every file goes up on a connection of its own: connect and log in, change into the
// server folder when one is set, store the file under its own name in binary mode
// through a passive data connection, close. TLS is used when the server offers it.
// Connection, reply and stall time-outs keep a dead server from freezing the program;
// while a transfer waits, the interface is kept alive through base::services().
//
// The password is handed to libcurl as an option only: it never appears in a URL,
// a message, a log line or a command line.
#pragma once

#include <string>
#include <string_view>

namespace output {

// Results of an upload.
enum FtpResult {
    kFtpOk = 0,
    kFtpLocalMissing = -1,   // the local file is missing, or libcurl could not start
    kFtpNoConnection = -2,   // no connection, or the login was refused
    kFtpFolderRefused = -3,  // the server folder cannot be entered
    kFtpTransferFailed = -4, // the file could not be stored
};

// Where and as whom the pages go.
struct FtpAccount {
    std::string server;    // "host", "host:port", "[v6address]" or "[v6address]:port"
    std::string folder;    // folder on the server to change into; empty: the login folder
    std::string user;
    std::string password;  // plain text, held only as long as the run needs it
};

// Limits and trust settings of a connection.
struct FtpOptions {
    long connectSeconds = 20;  // to reach the server and finish the TLS handshake
    long replySeconds = 30;    // for each reply of the server
    long stallSeconds = 30;    // a transfer that moves no byte this long is abandoned
    // A CA bundle to verify the server's certificate with (empty: the system's).
    std::string caFile;
};

// The server field split into its host and port (21 when none is given). False when
// the field is empty or the port is not a number from 1 to 65535.
bool parseFtpServer(std::string_view server, std::string& host, long& port);

// The URL a file is stored at: the host, the folder (each part percent-encoded, a
// leading "/" kept as an absolute folder) and the file name. No account data.
std::string ftpUrl(const std::string& host, long port, std::string_view folder, std::string_view fileName);

// Uploads one local file under its own name (without its folder). One of FtpResult.
int uploadFile(const std::string& localPath, const FtpAccount& account, const FtpOptions& options = {});

// Uploads every file that a list file names (a definition file is such a list), one at
// a time, and stops at the first failure. The list is read through the line
// unscrambling, CP932: "DOT:" names one file (an empty value is skipped); "FIG:",
// "FN1:", "FN2:", "CL1:" and "CL2:" name numbered images, a base path optionally
// followed by "/" and a count n, for the files "<base>-001.gif" ... "<base>-<n>.gif"
// (a missing image ends the list with kFtpNoConnection); a line "/" ends the list;
// other lines are ignored. 0, the first failure's code, or kFtpLocalMissing when the
// list itself cannot be read.
int uploadList(const std::string& listPath, const FtpAccount& account, const FtpOptions& options = {});

}  // namespace output
