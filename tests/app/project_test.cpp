#include <gtest/gtest.h>

#include "app/project.h"
#include "base/names.h"
#include "base/services.h"
#include "base/text.h"
#include "testutil.h"

using namespace app;
using apptest::TempDir;

namespace {

std::string crlf(std::initializer_list<std::string> lines) {
    std::string s;
    for (const auto& l : lines) s += base::toCp932(l) + "\r\n";
    return s;
}

struct Fixture {
    TempDir dir;
    base::RecordingServices rec;
    base::ScopedServices scope{rec};
    std::string data = dir / "data";
};

}  // namespace

TEST(ProjectLines, ClassifierFollowsSectionsAndHeaders) {
    auto run = [](std::vector<std::string> lines) {
        std::vector<int> out;
        int state = 0;
        for (auto& l : lines) {
            state = classifyLine(l, state);
            out.push_back(state);
        }
        return out;
    };
    EXPECT_EQ(run({" [KOV:NAM:V2.37 ]", "[Sources]", "\"a.LOG\"", "\"b.txt\"", "\"c.klg\"", "[IncludePath]"}),
              (std::vector<int>{0, 1, 1, 2, 1, -1}));
    EXPECT_EQ(run({" [KOV:NAM:V1.00 ]"}), (std::vector<int>{-2}));
    EXPECT_EQ(run({"[Sources]", "a.log", "/", "b.log"}), (std::vector<int>{1, 1, -1, -1}));
    std::string l = "\"  x y.log\" trailing";
    EXPECT_EQ(classifyLine(l, 1), 1);
    EXPECT_EQ(l, "  x y.log");
}

TEST(ProjectFile, WrittenProjectReadsBackWithItsValues) {
    Fixture f;
    Project p;
    p.path = f.dir / "proj/proj.nam";
    std::filesystem::create_directories(f.dir / "proj");
    p.dataDir = f.dir / "out dir/with  blanks";
    p.baseDir = f.dir / "logs";
    p.inputCode = 3;
    p.includePaths = {"/usr/include", "ソース"};
    // 10,000 sources, some long and some with 0x5C second bytes.
    std::vector<std::string> sources;
    for (int i = 0; i < 10000; ++i) sources.push_back("log" + std::to_string(i) + (i % 3 ? ".log" : ".txt"));
    sources.push_back(std::string(2000, 'L') + ".klg");
    sources.push_back("表示/ソ能.log");
    ASSERT_EQ(saveProject(p, sources), 0);
    EXPECT_EQ(readCssValue(p.path, "sys"), "proj");
    EXPECT_EQ(readCssValue(p.path, "LGT"), "C");

    std::string bytes = apptest::slurp(p.path);
    EXPECT_EQ(bytes.substr(0, 30), " [KOV:NAM:V2.00 ]\r\n[Sources]\r\n");

    std::string path = p.path;
    Project q;
    ASSERT_EQ(openProject(path, f.data, q), 0);
    EXPECT_EQ(path, p.path);
    EXPECT_EQ(q.dataDir, p.dataDir);  // blanks inside the quotes survive
    EXPECT_EQ(q.baseDir, p.baseDir);
    EXPECT_EQ(q.inputCode, 3);
    EXPECT_EQ(q.includePaths, p.includePaths);
    SourceList s = readSources(p.path);
    EXPECT_EQ(s.result, 0);
    EXPECT_EQ(s.entries.size(), sources.size());
    EXPECT_EQ(s.logs.size(), 6666u + 2u);
    EXPECT_EQ(s.logs.back(), "表示/ソ能.log");
    EXPECT_TRUE(f.rec.boxes.empty());
}

TEST(ProjectFile, OpeningHandlesVersionsCodesAndTheEndLine) {
    Fixture f;
    std::string p = f.dir / "a.nam";
    // Minor digits do not count; "SJIS" wins over the "JIS" it contains.
    apptest::put(p, crlf({" [KOV:NAM:V2.99 ]", "[Sources]", "\"x.log\"", "/", "\"after.log\"", "[IncludePath]",
                          "[Common]", "InputFileCode = SJIS JIS"}));
    Project q;
    q.inputCode = 1;
    ASSERT_EQ(openProject(p, f.data, q), 0);
    EXPECT_EQ(q.inputCode, 0);
    EXPECT_EQ(q.baseDir, f.dir.path());
    EXPECT_EQ(q.dataDir, f.data);
    EXPECT_TRUE(base::isDirectory(f.data));
    EXPECT_EQ(readSources(p).logs, std::vector<std::string>{"x.log"});

    // Major version 1: version error at [Sources], with catalogue 104 and the path.
    apptest::put(p, crlf({" [KOV:NAM:V1.00 ]", "[Sources]", "\"x.log\""}));
    Project r;
    r.path = "keep";
    EXPECT_EQ(openProject(p, f.data, r), -2);
    EXPECT_EQ(r.path, "keep");
    EXPECT_EQ(f.rec.boxes.back().text, "システムファイルのバージョンが違います。\n" + p);
    EXPECT_EQ(readSourcesReporting(p).result, -2);

    std::string missing = f.dir / "none.nam";
    EXPECT_EQ(openProject(missing, f.data, r), -1);
    EXPECT_EQ(f.rec.boxes.back().text, "ファイルオープンエラー\n" + missing);
    std::string folder = f.dir.path();
    EXPECT_EQ(openProject(folder, f.data, r), -1);
}

TEST(ProjectFile, IncludePathsStopAtOneHundred) {
    Fixture f;
    std::vector<std::string> lines = {" [KOV:NAM:V2.00 ]", "[Sources]", "[IncludePath]", "# comment"};
    for (int i = 1; i <= 101; ++i) lines.push_back("\"/inc/" + std::to_string(i) + "\"");
    lines.push_back("[Common]");
    std::string text;
    for (auto& l : lines) text += l + "\r\n";
    std::string p = f.dir / "inc.nam";
    apptest::put(p, text);
    Project q;
    ASSERT_EQ(openProject(p, f.data, q), 0);
    ASSERT_EQ(q.includePaths.size(), 100u);
    EXPECT_EQ(q.includePaths.front(), "/inc/1");
    EXPECT_EQ(q.includePaths.back(), "/inc/100");
    ASSERT_EQ(f.rec.boxes.size(), 1u);
    EXPECT_EQ(f.rec.boxes[0].text,
              "インクルードファイル検索ディレクトリの数が 100 を超えました。\n\"/inc/101\" は無視されます。");

    // Template values: paths joined by ";" up to 25855 characters.
    q.includePaths.assign(100, std::string(300, 'p'));
    std::string v = projectValue(&q, "Nam.IncludePath", "");
    EXPECT_EQ(v.size(), 85u * 301u - 1u);
    EXPECT_EQ(projectValue(&q, "Nam.Common", "InputFileCode"), "SJIS");
    EXPECT_EQ(projectValue(&q, "Nam.Common", "ProjectName"), "inc");
    EXPECT_EQ(projectValue(nullptr, "Nam.Common", "ComplierName"), "");
    EXPECT_EQ(projectValue(&q, "Nam.Other", "DataDirectory"), "");
}

TEST(ProjectFile, PlainListIsImportedIntoTheDataFolder) {
    Fixture f;
    std::string old = f.dir / "x/a.lst";
    std::string oldBytes = crlf({"one.log", "", "two.klg", "ソース.c"});
    apptest::put(old, oldBytes);
    apptest::put(f.dir / "x/one.log", "");
    std::string path = old;
    Project q;
    bool imported = false;
    ASSERT_EQ(openProject(path, f.data, q, &imported), 0);
    EXPECT_TRUE(imported);
    EXPECT_EQ(path, f.data + "/a/a.lst");
    EXPECT_EQ(q.path, path);
    EXPECT_EQ(q.dataDir, f.data + "/a");
    EXPECT_EQ(q.baseDir, f.dir / "x");
    EXPECT_EQ(apptest::slurp(old), oldBytes);  // the old file is untouched
    EXPECT_FALSE(base::fileExists(f.data + "/a/$$$.nam"));
    EXPECT_EQ(apptest::slurp(path),
              crlf({" [KOV:NAM:V2.00 ]", "[Sources]", "\"one.log\"", "\"\"", "\"two.klg\"", "\"ソース.c\"",
                    "[IncludePath]", "[Common]", "DataDirectory = \"" + f.data + "/a\"",
                    "InputBaseDirectory = \"" + f.dir / "x" + "\"", "InputFileCode = SJIS"}));
    EXPECT_EQ(readCssValue(path, "SYS"), "a");
    EXPECT_EQ(readCssValue(path, "LGT"), "");
    EXPECT_TRUE(q.includePaths.empty());
    EXPECT_EQ(readSources(path).logs, (std::vector<std::string>{"one.log", "two.klg"}));
    // Opening the imported project again needs no import.
    std::string again = path;
    ASSERT_EQ(openProject(again, f.data, q, &imported), 0);
    EXPECT_FALSE(imported);
}

TEST(ProjectFile, GarbageInputNeverBreaksTheReaders) {
    Fixture f;
    std::string p = f.dir / "g.nam";
    std::string garbage;
    for (int i = 0; i < 70000; ++i) garbage += static_cast<char>((i * 131) % 256);
    std::string longLine = " [KOV:NAM:V2.00 ]\r\n[Sources]\r\n\"" + std::string(300000, 'x') + ".log\"\r\n";
    for (const std::string& content : {std::string(), garbage, longLine,
                                       std::string(" [KOV:NAM:V2.00 ]\r\n[Common]\r\nDataDirectory")}) {
        apptest::put(p, content);
        apptest::put(cssPath(p), content);
        std::string path = p;
        Project q;
        int r = openProject(path, f.data, q);
        EXPECT_TRUE(r == 0 || r == -1 || r == -2);
        SourceList sl = readSources(p);
        EXPECT_LE(sl.logs.size(), 1u);
        EXPECT_LE(readCssValue(p, "SYS", 255).size(), 255u * 3);
    }
}

// Only a list of files is imported. Binary bytes, an empty file, overlong lines, a
// file too large for a list or one naming no existing file are refused with a
// message, and nothing is written anywhere.
TEST(ProjectFile, ImportRefusesWhatIsNoListOfFiles) {
    Fixture f;
    apptest::put(f.dir / "x/real.log", "");
    std::string random;
    for (int i = 0; i < 5000; ++i) random += static_cast<char>((i * 131 + i / 7) % 256);
    const std::string nulLine = std::string("real.log\r\n") + std::string(10, '\0') + "\r\n";
    std::string huge;
    while (huge.size() <= kMaxPlainListBytes) huge += "real.log\r\n";
    const std::string cases[] = {std::string(), random, nulLine, huge,
                                 "real.log\r\n" + std::string(kMaxPlainListLine + 1, 'a') + "\r\n",
                                 crlf({"missing.log", "other.c"}), crlf({"x"})};
    int n = 0;
    for (const std::string& bytes : cases) {
        std::string p = f.dir / ("x/list" + std::to_string(n++) + ".lst");
        apptest::put(p, bytes);
        std::string path = p;
        Project q;
        bool imported = true;
        f.rec.boxes.clear();
        EXPECT_EQ(openProject(path, f.data, q, &imported), -1) << n;
        EXPECT_FALSE(imported);
        EXPECT_EQ(path, p);
        ASSERT_EQ(f.rec.boxes.size(), 1u) << n;
        EXPECT_EQ(f.rec.boxes[0].text, "プロジェクトファイルではありません。\n" + p);
        EXPECT_FALSE(std::filesystem::exists(f.data + "/" + base::baseName(p))) << n;
    }
    // A list naming one existing file is imported.
    std::string ok = f.dir / "x/good.lst";
    apptest::put(ok, crlf({"\"real.log\"", "gone.log"}));
    Project q;
    EXPECT_EQ(openProject(ok, f.data, q), 0);
}

// The text of a file without header does not choose where the import writes.
TEST(ProjectFile, ImportedListStaysInTheDataFolder) {
    Fixture f;
    std::string elsewhere = f.dir / "elsewhere";
    std::string old = f.dir / "x/b.lst";
    apptest::put(f.dir / "x/one.log", "");
    apptest::put(old, crlf({"one.log", "DataDirectory = \"" + elsewhere + "\"", "InputFileCode = EUC-JP"}));
    std::string path = old;
    Project q;
    ASSERT_EQ(openProject(path, f.data, q), 0);
    EXPECT_EQ(path, f.data + "/b/b.lst");
    EXPECT_EQ(q.dataDir, f.data + "/b");
    EXPECT_FALSE(std::filesystem::exists(elsewhere));
    EXPECT_TRUE(base::fileExists(f.data + "/b/b.css"));
}

TEST(ProjectInfo, CssKeysAndMissingFile) {
    Fixture f;
    std::string p = f.dir / "proj.nam";
    EXPECT_EQ(readCssValue(p, "SYS"), "proj");
    EXPECT_EQ(readCssValue(p, "LGT"), "");
    apptest::put(cssPath(p), crlf({" sys : first ", "SYS:  システム名  ", "LGT:C", "junk"}));
    EXPECT_EQ(readCssValue(p, "Sys"), "システム名");  // the last matching line wins
    EXPECT_EQ(readCssValue(p, "SYS", 4), "シス");
    EXPECT_EQ(writeCss("", "a", "b"), -1);
    EXPECT_EQ(writeCss(f.dir / "no/such/p.nam", "a", "b"), -2);
    EXPECT_EQ(cssPath("/x/a.inc"), "/x/a-inc.css");
}

TEST(ProjectFile, KanjiCodeRewriteKeepsOtherLines) {
    Fixture f;
    std::string p = f.dir / "k.nam";
    apptest::put(p, crlf({" [KOV:NAM:V2.00 ]", "[Sources]", "\"ソ.log\"", "[Common]", "InputFileCode = SJIS"}));
    ASSERT_EQ(rewriteInputFileCode(p, 2), 0);
    EXPECT_EQ(apptest::slurp(p), crlf({" [KOV:NAM:V2.00 ]", "[Sources]", "\"ソ.log\"", "[Common]", "InputFileCode = EUC-JP"}));
    // Without the line: inserted before "/", else appended.
    apptest::put(p, crlf({"[Sources]", "/", "x"}));
    ASSERT_EQ(rewriteInputFileCode(p, 3), 0);
    EXPECT_EQ(apptest::slurp(p), crlf({"[Sources]", "InputFileCode = UTF-8", "/", "x"}));
    apptest::put(p, crlf({"[Sources]"}));
    ASSERT_EQ(rewriteInputFileCode(p, 1), 0);
    EXPECT_EQ(apptest::slurp(p), crlf({"[Sources]", "InputFileCode = JIS"}));
    EXPECT_EQ(rewriteInputFileCode(f.dir / "none.nam", 1), -1);
}

TEST(ProjectDialog, CreatingAndCheckingFiles) {
    Fixture f;
    Project p;
    EXPECT_EQ(createProject(f.dir / "missing/parent/loc", "n", "", {}, p), -1);
    EXPECT_EQ(f.rec.boxes.back().text, "指定フォルダが見つかりません。\n" + f.dir / "missing/parent");
    EXPECT_TRUE(f.rec.boxes.back().warning);
    EXPECT_EQ(createProject(f.dir / "loc", "", "", {}, p), -2);
    ASSERT_EQ(createProject(f.dir / "loc/", "new", "", {"a.log"}, p), 0);
    EXPECT_EQ(p.path, f.dir / "loc/new.nam");
    EXPECT_EQ(p.dataDir, f.dir / "loc");
    EXPECT_EQ(p.baseDir, f.dir / "loc");
    EXPECT_EQ(readSources(p.path).logs, std::vector<std::string>{"a.log"});

    std::vector<std::string> list = {"/l/a.klg", "/l/a.inc"};
    EXPECT_EQ(checkFileToAdd(list, "/l/a.log"), kAddSameStem);
    EXPECT_EQ(checkFileToAdd(list, "/m/a-inc.log"), kAddSameStem);
    EXPECT_EQ(checkFileToAdd(list, "/l/a.klg"), kAddDuplicate);
    EXPECT_EQ(checkFileToAdd(list, "/l/b.txt"), kAddNotSource);
    EXPECT_EQ(checkFileToAdd(list, "/l/b.HXX"), kAddOk);
    EXPECT_EQ(checkFileToAdd(list, "/l/b.cs"), kAddOk);
    EXPECT_EQ(displayEntry("sub/a.log", "/base", false), "sub/a.log");
    EXPECT_EQ(displayEntry("/base/sub/a.log", "/base/", false), "sub/a.log");
    EXPECT_EQ(displayEntry("/basement/a.log", "/base", false), "/basement/a.log");
    EXPECT_EQ(displayEntry("sub/a.log", "/base", true), "/base/sub/a.log");
}

TEST(ProjectDialog, ListModelKeepsOrderLimitsAndLinking) {
    Fixture f;
    ProjectListModel m;
    m.setBaseDir("/base");
    m.load({"a.log", "/elsewhere/b.klg", "sub/c.c"});
    EXPECT_EQ(m.stored(false), (std::vector<std::string>{"a.log", "/elsewhere/b.klg", "sub/c.c"}));
    EXPECT_EQ(m.stored(true)[0], "/base/a.log");
    int at = -1;
    EXPECT_EQ(m.add("/base/d.log", 0, &at), kAddOk);
    EXPECT_EQ(at, 1);
    EXPECT_EQ(m.add("/x/a.klg", -1), kAddSameStem);
    EXPECT_EQ(f.rec.boxes.back().text, "ファイル名の拡張子を除く部分が同名のファイルが既に選択されています。\n/x/a.klg");
    EXPECT_EQ(m.add("/x/" + std::string(300, 'n') + ".log", -1), kAddTooLong);
    m.remove(0);
    EXPECT_EQ(m.shown(0, false), "d.log");
    m.clear();
    for (int i = 0; i < kMaxListEntries; ++i) {
        std::string name = std::to_string(i);
        name.append(".log");
        ASSERT_EQ(m.add(name, -1), kAddOk);
    }
    EXPECT_EQ(m.add("one-more.log", -1), kAddListFull);
    EXPECT_EQ(m.size(), kMaxListEntries);

    EXPECT_EQ(linkNameIntoFolder("/inst/Projects/", "a", false), "/inst/Projects/a");
    EXPECT_EQ(linkNameIntoFolder("/inst/Projects/a", "ab", false), "/inst/Projects/ab");
    EXPECT_EQ(linkNameIntoFolder("/mine/here", "p/q", true), "/mine/here/pq");
    EXPECT_EQ(linkNameIntoFolder("/mine/here/", "p", true), "/mine/here/p");
}
