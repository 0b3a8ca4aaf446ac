// chronava-docbuild: builds the Word document that "word.dif" of the installation
// folder describes. Chronava starts it with the installation folder as its one
// argument and follows its progress in "word.log".
#include <cstdio>
#include <cstring>
#include <string>

#include "docbuild/builder.h"

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fprintf(stderr, "usage: %s INSTALLATION-FOLDER\n"
                             "Builds the document described by INSTALLATION-FOLDER/word.dif and reports\n"
                             "its progress in INSTALLATION-FOLDER/word.log.\n",
                     argc > 0 ? argv[0] : "chronava-docbuild");
        return 2;
    }
    docbuild::BuildOptions options;
    options.openDocument = docbuild::openWithDesktop;
    return docbuild::buildDocument(argv[1], options);
}
