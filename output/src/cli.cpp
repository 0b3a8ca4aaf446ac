// chronava html-generate DEFINITION.dif [--date YYYY-MM-DD]: the HTML document
// generator alone, for people who keep their own definition files and forms.
#include "output/cli.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "output/generator.h"

namespace output {
namespace {

void usage(std::FILE* out) {
    std::fprintf(out,
                 "usage: chronava html-generate DEFINITION.dif [--date YYYY-MM-DD]\n"
                 "  Builds the HTML pages a definition file names, from its forms and inputs.\n"
                 "  --date  the date the pages carry (default: today), so pages can be reproduced.\n"
                 "  Exit status: 0 all pages written, 10 a target failed, 11 the definition file\n"
                 "  does not open, 2 usage error.\n");
}

}  // namespace

int htmlGenerateCommand(int argc, char** argv) {
    std::string definition;
    GeneratorOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            usage(stdout);
            return 0;
        }
        std::string date;
        if (a == "--date") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "chronava html-generate: --date needs a date\n");
                return 2;
            }
            date = argv[++i];
        } else if (a.rfind("--date=", 0) == 0) {
            date = a.substr(7);
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "chronava html-generate: unknown option %s\n", a.c_str());
            usage(stderr);
            return 2;
        } else if (definition.empty()) {
            definition = a;
            continue;
        } else {
            std::fprintf(stderr, "chronava html-generate: only one definition file\n");
            return 2;
        }
        if (!parseRunDate(date, options.date)) {
            std::fprintf(stderr, "chronava html-generate: not a date (YYYY-MM-DD): %s\n", date.c_str());
            return 2;
        }
    }
    if (definition.empty()) {
        usage(stderr);
        return 2;
    }
    return generate(kGenerateMode, {kGenerateEntry, definition}, options);
}

}  // namespace output
