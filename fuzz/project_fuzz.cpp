// The project file reader, the line classifier behind every reader of [Sources],
// and the import of a plain list. The bytes are the project file; an import lands in
// a scratch data folder that is emptied after each input.
#include "app/project.h"
#include "fuzz_common.h"

#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Quiet quiet;
    const std::string folder = fuzz::scratch("project");
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/p.nam";
    if (!fuzz::put(path, fuzz::bytesOf(data, size))) return 0;
    std::string opened = path;
    app::Project p;
    if (app::openProject(opened, fuzz::scratch("data"), p) == 0) {
        (void)app::projectValue(&p, "Nam.IncludePath", "");
        for (const char* key : {"DataDirectory", "InputBaseDirectory", "InputFileCode", "ProjectName", "ComplierName"})
            (void)app::projectValue(&p, "Nam.Common", key);
    }
    app::SourceList s = app::readSources(path);
    for (std::string line : s.entries) (void)app::classifyLine(line, app::kLineLog);
    std::filesystem::remove_all(folder);
    std::filesystem::remove_all(fuzz::scratch("data"));
    return 0;
}
