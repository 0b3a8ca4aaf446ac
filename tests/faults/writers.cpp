// Runs one file writer of the system on a target in a given folder, for the
// write-failure driver. Usage: fault_writers KIND FOLDER [LOG | INSTALLATION]
// Exit status 0 when the writer reports success, 1 when it reports a failure, 2 for
// a usage error.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/params.h"
#include "app/project.h"
#include "app/users.h"
#include "base/files.h"
#include "celvane.h"
#include "convert/cli.h"
#include "output/definition.h"
#include "output/generator.h"

namespace {

int params(const std::string& dir) {
    app::ParamRecord rec;
    rec.setRecentProjects({dir + "/a.nam", dir + "/b.nam"});
    return app::writeParamFile(rec, dir + "/user.prm") == 0 ? 0 : 1;
}

int users(const std::string& dir) {
    app::IniLogonStore store(dir + "/users.ini");
    app::LogonSettings s;
    s.logon = 1;
    s.newUserByCopy = 0;
    s.logonName = "山田";
    return store.write(s) ? 0 : 1;
}

app::Project project(const std::string& dir) {
    app::Project p;
    p.path = dir + "/p.nam";
    p.dataDir = dir;
    p.baseDir = dir;
    p.includePaths = {dir + "/inc"};
    return p;
}

int projectFile(const std::string& dir) {
    return app::writeProjectFile(project(dir), {"one.klg", "two.klg"}) == 0 ? 0 : 1;
}

int css(const std::string& dir) { return app::writeCss(dir + "/p.nam", "システム", "ロジック") == 0 ? 0 : 1; }

int definition(const std::string& dir) {
    output::HtmlDefinition d;
    d.installDir = dir;
    d.projectPath = dir + "/p.nam";
    d.targets[output::kTargetCover] = output::targetEntry(1, 1);
    d.targets[output::kTargetChart] = output::targetEntry(2, 2);
    d.forms[output::kTargetCover] = dir + "/cover.htm";
    d.forms[output::kTargetChart] = dir + "/chart.htm";
    d.figureListPath = dir + "/fig.lst";
    d.chartPages = true;
    return output::writeHtmlDefinition(d, dir + "/h.dif") == output::kWriteOk ? 0 : 1;
}

int figures(const std::string& dir) {
    output::FigureListWriter w;
    if (!w.open(dir + "/fig.lst")) return 1;
    w.add("one", dir + "/one", 3);
    w.add("two", dir + "/two", 12);
    return w.commit() == output::kWriteOk ? 0 : 1;
}

int workbook(const std::string& dir, bool biff8) {
    std::string file = dir + (biff8 ? "/b8.xls" : "/b5.xls");
    int book = biff8 ? XM_Create97(file.c_str(), 2) : XM_Create(file.c_str(), 2);
    if (book < 0) return 1;
    for (int r = 0; r < 300; ++r) {
        XM_WriteStr(book, 0, 0, r, "日本語のテキスト");
        XM_WriteDouble(book, 1, 1, r, r * 1.5);
    }
    return XM_Close(book) == 0 ? 0 : 1;
}

// Rewrites a book in place (a book of "xls8" must be there).
int rewrite(const std::string& dir) {
    std::string file = dir + "/b8.xls";
    int book = XM_Open(file.c_str(), nullptr);
    if (book < 0) return 1;
    XM_WriteStr(book, 0, 3, 3, "書き換え");
    return XM_OpenClose(book) == 0 ? 0 : 1;
}

int chart(const std::string& dir, const char* log) {
    std::string out = dir + "/c.tct";
    const char* argv[] = {"convert", log, "-o", out.c_str()};
    std::FILE* sink = std::fopen("/dev/null", "w");
    int rc = convert::convertCommand(4, argv, sink, stderr);
    std::fclose(sink);
    return rc == 0 ? 0 : 1;
}

// The cover page of a project from the installation's control file and form.
int htmlPage(const std::string& dir, const std::string& dist) {
    output::ControlFile control;
    if (output::readControlFile(dist + "/rq4100.ctl", control) != 0) return 2;
    output::RunDate date;
    output::parseRunDate("2024-05-06", date);
    return output::producePage(control, dist + "/Projects/SampleT1/SampleT1.css", dist + "/Forms/Html/pxd98cvp.htm",
                               dir + "/cover.htm", "SampleT1", date) == output::kGenerateOk
               ? 0
               : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: fault_writers KIND FOLDER [LOG]\n");
        return 2;
    }
    std::string kind = argv[1], dir = argv[2];
    if (kind == "params") return params(dir);
    if (kind == "users") return users(dir);
    if (kind == "project") return projectFile(dir);
    if (kind == "css") return css(dir);
    if (kind == "definition") return definition(dir);
    if (kind == "figures") return figures(dir);
    if (kind == "xls5") return workbook(dir, false);
    if (kind == "xls8") return workbook(dir, true);
    if (kind == "xls-rewrite") return rewrite(dir);
    if (kind == "html" && argc > 3) return htmlPage(dir, argv[3]);
    if (kind == "chart" && argc > 3) return chart(dir, argv[3]);
    std::fprintf(stderr, "fault_writers: unknown kind %s\n", kind.c_str());
    return 2;
}
