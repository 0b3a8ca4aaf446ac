// Writes the default user parameter file of the installation (rq4100s.pro) and the
// shared parameter file (rq4100s.prm) seeded from it.
// Usage: chronava_mkparams <installation folder>
#include <cstdio>
#include <string>

#include "app/params.h"
#include "base/files.h"
#include "base/names.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <installation folder>\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    std::string bytes = app::paramFileBytes(app::makeDefaultRecord());
    for (const char* name : {app::kDefaultParamName, app::kParamName}) {
        std::string path = base::joinPath(dir, name);
        // The shared file is the user's: once it exists the build leaves it alone.
        if (std::string(name) == app::kParamName && base::fileExists(path)) continue;
        if (!base::writeFileAtomic(path, bytes)) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], path.c_str());
            return 1;
        }
    }
    return 0;
}
