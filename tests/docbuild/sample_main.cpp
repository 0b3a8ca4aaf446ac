// Writes the builder's test installation under a folder and builds its document, for
// the checks with outside readers. Prints the document's path.
#include <cstdio>

#include "docbuild/builder.h"
#include "fixture.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    docbuild_test::Fixture f;
    f.create(argv[1]);
    f.writeDefinition({"CVP", "IDX", "TCT"});
    docbuild::BuildOptions opt;
    int rc = docbuild::buildDocument(f.install, opt);
    std::printf("%s\n", f.documentPath().c_str());
    return rc;
}
