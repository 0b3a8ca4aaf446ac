// The command-line form of the project generation: chronava generate PROJECT.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <string>

#include "app/generation.h"
#include "app/shell.h"
#include "app/users.h"
#include "base/names.h"
#include "base/services.h"

namespace app {
namespace {

// The console services with the message pane on standard output, so the lines a run
// reports can be piped and compared.
class GenerateConsole : public base::ConsoleServices {
public:
    explicit GenerateConsole(std::FILE* out) : out_(out) {}
    void appendMessage(int, std::string_view text) override {
        std::fprintf(out_, "%.*s\n", static_cast<int>(text.size()), text.data());
        std::fflush(out_);
    }

private:
    std::FILE* out_;
};

}  // namespace

int generateCommand(int argc, const char* const* argv, const std::string& installDir, std::FILE* out,
                    std::FILE* err) {
    std::string projectPath, user;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--user=", 7) == 0) {
            user = argv[i] + 7;
        } else if (argv[i][0] == '-' || !projectPath.empty()) {
            std::fprintf(err, "usage: chronava generate PROJECT.nam [--user=NAME]\n");
            return 2;
        } else {
            projectPath = argv[i];
        }
    }
    if (projectPath.empty()) {
        std::fprintf(err, "usage: chronava generate PROJECT.nam [--user=NAME]\n");
        return 2;
    }
    if (!base::isAbsolutePath(projectPath)) {
        char* cwd = getcwd(nullptr, 0);
        if (cwd) {
            projectPath = base::joinPath(cwd, projectPath);
            std::free(cwd);
        }
    }

    GenerateConsole console(out);
    base::ScopedServices scope(console);
    MemoryLogonStore store;
    if (!user.empty()) {
        store.present = true;
        store.values.logon = 1;
        store.values.logonName = user;
    }
    AppCore core;
    int rc = core.startup(installDir, store, [&user](const LogonPlan&, std::string& name) {
        name = user;
        return !user.empty();
    });
    if (rc != 0) return rc < 0 ? 3 : rc;
    if (core.openProject(projectPath, false) != 0) return 1;
    int r = generateProject(core, true, "生成実行");
    return r == 0 ? 0 : 1;
}

}  // namespace app
