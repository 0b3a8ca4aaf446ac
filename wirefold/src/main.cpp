// wirefold: formats tcpdump text into one line per packet.
#include <cstdio>
#include <string>
#include <vector>

#include "wirefold/cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
#ifndef WIREFOLD_VERSION
#define WIREFOLD_VERSION "0.1"
#endif
    if (args.size() == 1 && (args[0] == "--version" || args[0] == "-version")) {
        std::printf("wirefold %s\n", WIREFOLD_VERSION);
        return 0;
    }
    return wirefold::run(args, stdin, stdout, stdout);
}
