// The log-on settings file (INI form) that names the users and the last one chosen.
#include "app/users.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Quiet quiet;
    const std::string path = fuzz::scratch("logon.ini");
    if (!fuzz::put(path, fuzz::bytesOf(data, size))) return 0;
    app::IniLogonStore store(path);
    app::LogonSettings s;
    (void)store.read(s);
    unlink(path.c_str());
    return 0;
}
