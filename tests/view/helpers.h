// Shared helpers of the view tests: temporary folders and running outside readers.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace viewtest {

inline std::string tempDir() {
    char tmpl[] = "/tmp/chronava-view-XXXXXX";
    return mkdtemp(tmpl);
}

struct Run {
    int status = -1;
    std::string out;
};

// Runs a shell command and collects its standard output.
inline Run run(const std::string& cmd) {
    Run r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

inline bool haveProgram(const std::string& name) { return run("command -v " + name + " >/dev/null 2>&1").status == 0; }

}  // namespace viewtest
