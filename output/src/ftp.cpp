// FTP publishing over libcurl: one connection per file, passive, binary, TLS when the
// server offers it, and the interface kept alive while the transfer waits.
#include "output/ftp.h"

#include <curl/curl.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <sys/stat.h>

#include "base/files.h"
#include "base/names.h"
#include "base/services.h"
#include "base/text.h"
#include "chart/scramble.h"
#include "output/definition.h"

namespace output {

namespace {

// How long the run waits for the socket before it lets the interface handle events.
constexpr int kPollMs = 50;

void initCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool hasControl(std::string_view s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7f) return true;
    return false;
}

bool isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

std::string percentEncode(std::string_view s, bool keepSlash) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (isUnreserved(c) || (keepSlash && c == '/')) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// What the server's replies showed about how far the session got.
struct Session {
    bool loggedIn = false;  // a 230 reply was seen
};

// libcurl hands every reply line of the control connection to this callback.
size_t onReply(char* data, size_t size, size_t n, void* user) {
    size_t len = size * n;
    auto* s = static_cast<Session*>(user);
    if (len >= 3 && data[0] == '2' && data[1] == '3' && data[2] == '0') s->loggedIn = true;
    return len;
}

struct CurlEasy {
    CURL* h = curl_easy_init();
    ~CurlEasy() {
        if (h) curl_easy_cleanup(h);
    }
};
struct CurlMulti {
    CURLM* h = curl_multi_init();
    ~CurlMulti() {
        if (h) curl_multi_cleanup(h);
    }
};
struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};

// Runs one transfer through the multi interface so that the interface can be kept
// alive between socket waits. Returns libcurl's result of the transfer.
CURLcode perform(CURL* easy) {
    CurlMulti multi;
    if (!multi.h) return CURLE_OUT_OF_MEMORY;
    if (curl_multi_add_handle(multi.h, easy) != CURLM_OK) return CURLE_FAILED_INIT;
    CURLcode result = CURLE_OK;
    int running = 1;
    while (running) {
        if (curl_multi_perform(multi.h, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        if (running) {
            curl_multi_poll(multi.h, nullptr, 0, kPollMs, nullptr);
            base::services().keepAlive();
        }
    }
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi.h, &left))
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) result = msg->data.result;
    curl_multi_remove_handle(multi.h, easy);
    return result;
}

// Turns libcurl's outcome into the result codes: nothing before the login counts as
// a connection, a refused folder after it as a folder failure, anything else as a
// failed transfer.
int mapResult(CURLcode rc, const Session& s, bool folderSet) {
    if (rc == CURLE_OK) return kFtpOk;
    if (!s.loggedIn || rc == CURLE_LOGIN_DENIED) return kFtpNoConnection;
    if (rc == CURLE_REMOTE_ACCESS_DENIED && folderSet) return kFtpFolderRefused;
    return kFtpTransferFailed;
}

bool allDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

bool parseFtpServer(std::string_view server, std::string& host, long& port) {
    std::string s = base::trimBlanks(server);
    std::string_view v = s;
    std::string_view portText;
    port = 21;
    if (v.empty()) return false;
    if (v.front() == '[') {
        size_t close = v.find(']');
        if (close == std::string_view::npos || close == 1) return false;
        host = std::string(v.substr(0, close + 1));
        std::string_view rest = v.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return false;
            portText = rest.substr(1);
            if (portText.empty()) return false;
        }
    } else {
        size_t colon = v.find(':');
        if (colon != std::string_view::npos) {
            // A second colon means a bare IPv6 address without a port.
            if (v.find(':', colon + 1) != std::string_view::npos) {
                host.assign(1, '[');
                host.append(v);
                host.push_back(']');
                return true;
            }
            portText = v.substr(colon + 1);
            v = v.substr(0, colon);
            if (portText.empty()) return false;
        }
        if (v.empty()) return false;
        host = std::string(v);
    }
    for (char c : host)
        if (static_cast<unsigned char>(c) <= ' ' || c == '/' || c == '@' || c == '?' || c == '#') return false;
    if (!portText.empty()) {
        if (!allDigits(portText) || portText.size() > 5) return false;
        port = std::stol(std::string(portText));
        if (port < 1 || port > 65535) return false;
    }
    return true;
}

std::string ftpUrl(const std::string& host, long port, std::string_view folder, std::string_view fileName) {
    std::string url = "ftp://" + host + ":" + std::to_string(port) + "/";
    std::string dir = base::trimBlanks(folder);
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    if (!dir.empty()) {
        // An absolute folder keeps its leading "/" as "%2F"; libcurl then sends it as
        // one CWD.
        if (dir.front() == '/') {
            url += "%2F";
            dir.erase(0, 1);
        }
        if (!dir.empty()) url += percentEncode(dir, true) + "/";
    }
    url += percentEncode(fileName, false);
    return url;
}

int uploadFile(const std::string& localPath, const FtpAccount& account, const FtpOptions& options) {
    struct stat st {};
    if (::stat(localPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return kFtpLocalMissing;
    std::unique_ptr<std::FILE, FileCloser> in(std::fopen(localPath.c_str(), "rb"));
    if (!in) return kFtpLocalMissing;

    std::string host;
    long port = 21;
    if (!parseFtpServer(account.server, host, port)) return kFtpNoConnection;
    // Line breaks or other control bytes in the account would end an FTP command early
    // and let the rest pass as a command of its own.
    if (hasControl(account.user) || hasControl(account.password)) return kFtpNoConnection;
    std::string folder = base::trimBlanks(account.folder);
    if (hasControl(folder)) return kFtpFolderRefused;
    std::string name = base::splitPath(localPath).name;
    if (name.empty() || hasControl(name)) return kFtpTransferFailed;

    initCurl();
    CurlEasy easy;
    if (!easy.h) return kFtpLocalMissing;
    CURL* h = easy.h;
    Session session;
    std::string url = ftpUrl(host, port, folder, name);

    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(h, CURLOPT_USERNAME, account.user.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, account.password.c_str());
    curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    if (!options.caFile.empty()) curl_easy_setopt(h, CURLOPT_CAINFO, options.caFile.c_str());
    curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    curl_easy_setopt(h, CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR_NONE));
    curl_easy_setopt(h, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_READDATA, in.get());
    curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(st.st_size));
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, options.connectSeconds);
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, options.replySeconds);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, options.stallSeconds);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onReply);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &session);

    CURLcode rc = perform(h);
    return mapResult(rc, session, !folder.empty());
}

int uploadList(const std::string& listPath, const FtpAccount& account, const FtpOptions& options) {
    base::LineReader reader;
    if (!reader.open(listPath)) return kFtpLocalMissing;
    std::string raw;
    while (reader.next(raw)) {
        std::string line = base::trimBlanks(chart::unscrambleLine(raw));
        if (line.empty()) continue;
        if (line == "/") break;
        if (line.size() < 4) continue;
        std::string key = line.substr(0, 4);
        std::string value = base::fromCp932(base::trimBlanks(std::string_view(line).substr(4)));
        if (key == "DOT:") {
            if (value.empty()) continue;
            int rc = uploadFile(value, account, options);
            if (rc != kFtpOk) return rc;
        } else if (key == "FIG:" || key == "FN1:" || key == "FN2:" || key == "CL1:" || key == "CL2:") {
            const FigureRef fig = parseFigureValue(value);
            for (int k = 1; k <= fig.count; ++k) {
                std::string image = figureImagePath(fig.basePath, k);
                if (!base::fileExists(image)) return kFtpNoConnection;
                int rc = uploadFile(image, account, options);
                if (rc != kFtpOk) return rc;
            }
        }
    }
    return kFtpOk;
}

}  // namespace output
