// Writes the stock template and forms into the installation folder at build time.
#include <cstdio>

#include "docbuild/stock.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s INSTALLATION-FOLDER\n", argc > 0 ? argv[0] : "chronava_mkforms");
        return 2;
    }
    if (!docbuild::writeStockFiles(argv[1])) {
        std::fprintf(stderr, "cannot write the Word template and forms into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
