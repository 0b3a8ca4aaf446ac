// The document builder's package reader: a .docx form or template is a zip archive
// whose parts are taken into memory.
#include "docbuild/package.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Quiet quiet;
    const std::string path = fuzz::scratch("form.docx");
    if (!fuzz::put(path, fuzz::bytesOf(data, size))) return 0;
    docbuild::Package p;
    if (p.load(path) == docbuild::PackageError{}) (void)p.part("word/document.xml");
    unlink(path.c_str());
    return 0;
}
