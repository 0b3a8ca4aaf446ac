// wirefold: formats tcpdump text into one line per packet.
#include <cstdio>
#include <string>
#include <vector>

#include "wirefold/cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return wirefold::run(args, stdin, stdout, stdout);
}
