#include "base/names.h"

#include <gtest/gtest.h>

using namespace base;

TEST(Names, DerivedNames) {
    EXPECT_EQ(replaceExtension("proj.nam", ".css"), "proj.css");
    EXPECT_EQ(replaceExtension("a.log", ".tct"), "a.tct");
    EXPECT_EQ(replaceExtension("a.inc", ".tct"), "a-inc.tct");
    EXPECT_EQ(replaceExtension("a.C", ".tct"), "a-C.tct");
    EXPECT_EQ(replaceExtension("x.htm", ".gif"), "x.gif");
    EXPECT_EQ(replaceExtension("x.HTM", ".gif"), "x.gif");
    EXPECT_EQ(replaceExtension("p.css", ".nam"), "p.nam");
    EXPECT_EQ(replaceExtension("p.cssx", ".nam"), "p-cssx.nam");
    EXPECT_EQ(replaceExtension("/a.b/name", ".tct"), "/a.b/name.tct");
    EXPECT_EQ(replaceExtension("/d/a.log", ""), "/d/a");
    EXPECT_EQ(replaceExtension("/d/a.h", ""), "/d/a-h");
    EXPECT_EQ(replaceExtension("/表.d/ソ.log", ".tct"), "/表.d/ソ.tct");
    EXPECT_EQ(baseName("/x/a-inc.log"), "a-inc");
    EXPECT_EQ(baseName("/x/a.inc"), "a-inc");
    // The chart of a source lies in the data folder whatever folder the log is in.
    EXPECT_EQ(chartFileOf("/inst/Projects/P", "pump.log"), "/inst/Projects/P/pump.tct");
    EXPECT_EQ(chartFileOf("/inst/Projects/P/", "../../awk/ftp001.log"), "/inst/Projects/P/ftp001.tct");
    EXPECT_EQ(chartFileOf("/inst/Projects/P", "/var/log/x.klg"), "/inst/Projects/P/x.tct");
    EXPECT_EQ(chartFileOf("/d", "/e/a.inc"), "/d/a-inc.tct");
    EXPECT_EQ(chartFileOf("", "/e/a.log"), "a.tct");
    EXPECT_TRUE(hasExtension("/x/A.LOG", ".log"));
    EXPECT_FALSE(hasExtension("/x.log/a", ".log"));
}

TEST(Names, HeadersAcceptByMajorDigit) {
    EXPECT_EQ(buildHeader(kHeaderNam), " [KOV:NAM:V2.00 ]");
    EXPECT_EQ(buildHeader(kHeaderDif), " [KOV:DIF:V2.00 ]");
    EXPECT_EQ(buildHeader(kHeaderCtl), " [KOV:CTL:V2.00 ]");
    EXPECT_EQ(buildHeader(11), "");
    EXPECT_EQ(formatHeader("TSG", 1.0), " [KOV:TSG:V1.00 ]");
    EXPECT_TRUE(headerAccepted(" [KOV:NAM:V2.37 ]", kHeaderNam));
    EXPECT_TRUE(headerAccepted(" [KOV:NAM:V2", kHeaderNam));
    EXPECT_FALSE(headerAccepted(" [KOV:NAM:V1.00 ]", kHeaderNam));
    EXPECT_FALSE(headerAccepted(" [KOV:CSS:V2.00 ]", kHeaderNam));
    EXPECT_FALSE(headerAccepted("", kHeaderNam));
}

TEST(Names, SplitJoinQuote) {
    SplitPath s = splitPath("/a/b/c.log");
    EXPECT_EQ(s.folder, "/a/b/");
    EXPECT_EQ(s.name, "c.log");
    s = splitPath("c.log");
    EXPECT_EQ(s.folder, "");
    EXPECT_EQ(s.name, "c.log");
    EXPECT_EQ(folderOf("/a/b/c.log"), "/a/b");
    EXPECT_EQ(folderOf("/c.log"), "/");
    EXPECT_EQ(joinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(joinPath("/a", "b"), "/a/b");
    EXPECT_EQ(makeAbsolute("/inst", "awk/x.sh"), "/inst/awk/x.sh");
    EXPECT_EQ(makeAbsolute("/inst", "/abs"), "/abs");
    EXPECT_EQ(quote("a\"b\nc d"), "\"abc d\"");
    EXPECT_EQ(unquote("  \"a b\" tail\"x\""), "a b");
    EXPECT_EQ(unquote("plain text"), "plain text");
    EXPECT_EQ(unquote("\"open"), "open");
    EXPECT_EQ(unquote(quote("/p/表 ソ.log")), "/p/表 ソ.log");
}
