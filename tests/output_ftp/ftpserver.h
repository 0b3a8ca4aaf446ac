// A real FTP server (pyftpdlib) on 127.0.0.1, started and stopped by a test.
#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "../app/testutil.h"

extern char** environ;

namespace ftptest {

using TempDir = apptest::TempDir;

// The server process. `mode` is "plain", "tls" or "stall" (see ftpserver.py).
class FtpServer {
public:
    FtpServer(const std::string& mode, const std::string& root, const std::string& cert = {}) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
        posix_spawn_file_actions_addclose(&fa, fds[0]);
        std::vector<std::string> args = {"/usr/bin/python3", FTP_SERVER_SCRIPT, "--mode", mode, "--root", root,
                                         "--user", "user", "--password", "secret"};
        if (!cert.empty()) {
            args.push_back("--cert");
            args.push_back(cert);
        }
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
        ::close(fds[1]);
        // The server prints its port once it listens; end of file means it failed.
        std::FILE* out = ::fdopen(fds[0], "r");
        char line[32] = {};
        if (out && std::fgets(line, sizeof line, out)) port_ = std::atoi(line);
        if (out) std::fclose(out);
    }
    ~FtpServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    int port() const { return port_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

// A port on 127.0.0.1 that nothing listens on.
inline int closedPort() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

// A throw-away certificate for 127.0.0.1 (key and certificate in one file).
inline bool makeCertificate(const std::string& pem) {
    std::string cmd = "openssl req -x509 -nodes -newkey rsa:2048 -subj /CN=localhost -addext "
                      "subjectAltName=IP:127.0.0.1 -days 1 -keyout '" +
                      pem + "' -out '" + pem + ".crt' >/dev/null 2>&1 && cat '" + pem + ".crt' >> '" + pem + "'";
    return std::system(cmd.c_str()) == 0;
}

}  // namespace ftptest
