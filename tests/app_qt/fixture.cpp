#include "fixture.h"

#include <fstream>

#include "app/params.h"
#include "base/files.h"
#include "base/names.h"
#include "base/text.h"

void writeText(const std::string& path, const std::string& text, bool cp932) {
    base::makeDirectories(base::folderOf(path));
    std::ofstream f(path, std::ios::binary);
    f << (cp932 ? base::toCp932(text) : text);
}

void writeProject(const std::string& path, const std::vector<std::string>& sources, const std::string& base) {
    std::string s = " [KOV:NAM:V2.00 ]\r\n[Sources]\r\n";
    for (const auto& l : sources) s += "\"" + l + "\"\r\n";
    std::string b = base.empty() ? base::folderOf(path) : base;
    s += "[IncludePath]\r\n[Common]\r\nDataDirectory = \"" + base::folderOf(path) + "\"\r\nInputBaseDirectory = \"" + b +
         "\"\r\nInputFileCode = SJIS\r\n";
    writeText(path, s);
}

void FrameTest::SetUp() {
    ASSERT_TRUE(tmp.isValid());
    ASSERT_EQ(app::writeParamFile(app::makeDefaultRecord(), path("rq4100s.pro")), 0);
    ASSERT_EQ(core.startup(dir(), logon, nullptr), 0);
    services.boxHook = [this](int kind, bool warning, const std::string& caption, const std::string& text) {
        boxes.push_back({kind, warning, caption, text});
        return true;
    };
    services.openHook = [this](const std::string& p) {
        opened.push_back(p);
        return openResult;
    };
    services.beepHook = [] {};
    installed = std::make_unique<base::ScopedServices>(services);
    frame = std::make_unique<appqt::MainFrame>(core, services, QString::fromStdString(path("help")));
    frame->resize(880, 600);
    frame->show();
}

void FrameTest::TearDown() {
    frame.reset();
    installed.reset();
}

std::string FrameTest::makeDemoProject() {
    std::string p = path("Projects/demo/demo.nam");
    writeText(path("Projects/demo/a.log"), "x\n");
    writeText(path("Projects/demo/b.klg"), "y\n");
    writeProject(p, {"a.log", "b.klg", "note.txt"});
    return p;
}
