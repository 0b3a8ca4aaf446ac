// The command line and whole runs of the program over files.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "packets.h"
#include "wirefold/cli.h"

using wirefold::parseCommandLine;

namespace {

std::string tempDir() {
    char tmpl[] = "/tmp/wirefold-test-XXXXXX";
    return mkdtemp(tmpl);
}

void writeText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string readText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

struct Result {
    int status;
    std::string console;
    std::string out;
};

// Runs the program with the given arguments; standard input holds `input`.
Result runWith(const std::vector<std::string>& args, const std::string& input = "") {
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    std::FILE* console = std::tmpfile();
    std::fwrite(input.data(), 1, input.size(), in);
    std::fflush(in);
    lseek(fileno(in), 0, SEEK_SET);
    Result r;
    r.status = wirefold::run(args, in, out, console);
    auto slurp = [](std::FILE* f) {
        std::fflush(f);
        std::rewind(f);
        std::string s;
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
        std::fclose(f);
        return s;
    };
    r.out = slurp(out);
    r.console = slurp(console);
    std::fclose(in);
    return r;
}

const std::string kPacket = "12/31/2001 20:00:00.000001 a.1 > b.2: P 1:3(2) ack 1\n"
                            "0x0000\t 4500 002a 0001 4000 4006 0000 0a00 0001 \tE..*..@.@.......\n"
                            "0x0010\t 0a00 0002 04d2 0015 0000 0001 0000 0001 \t................\n"
                            "0x0020\t 5018 16d0 0000 0000 6869 \tP.......hi\n";

}  // namespace

TEST(CommandLine, TakesFilesAndOptionsInAnyOrder) {
    auto o = parseCommandLine({"-n12", "in.txt", "-jst", "out.txt"});
    EXPECT_FALSE(o.usage);
    EXPECT_EQ(o.input, "in.txt");
    EXPECT_EQ(o.output, "out.txt");
    EXPECT_TRUE(o.settings.jst);
    EXPECT_EQ(o.settings.limit, 12);
    o = parseCommandLine({});
    EXPECT_TRUE(o.input.empty() && o.output.empty());
    EXPECT_FALSE(o.settings.jst);
    EXPECT_EQ(o.settings.limit, 80);
    EXPECT_EQ(parseCommandLine({"-n"}).settings.limit, 0);
    EXPECT_EQ(parseCommandLine({"-nabc"}).settings.limit, 0);
    EXPECT_EQ(parseCommandLine({"-n-3"}).settings.limit, -3);
    EXPECT_EQ(parseCommandLine({"-n200", "-n5"}).settings.limit, 5);
    for (auto args : std::vector<std::vector<std::string>>{
             {"-help"}, {"-x"}, {"-"}, {"-JST"}, {"-jstx"}, {"a", "b", "c"}, {"a", "-help", "b"}})
        EXPECT_TRUE(parseCommandLine(args).usage) << args[0];
}

TEST(Run, UsageTextAndExitStatuses) {
    const std::string usage = wirefold::usageText();
    EXPECT_EQ(std::count(usage.begin(), usage.end(), '\n'), 8);
    EXPECT_EQ(usage.rfind("USAGE: wirefold [入力ファイル [出力ファイル]] オプション\n", 0), 0u);
    // An unknown option prints the usage text and nothing else, even with input waiting.
    Result r = runWith({"-x"}, kPacket);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.console, usage);
    EXPECT_EQ(r.out, "");
    r = runWith({"a", "b", "c"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.console, usage);
    // A run over standard input to standard output.
    r = runWith({"-jst"}, kPacket);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.console, "");
    EXPECT_EQ(r.out, "01/01/2002 05:00:00.000001 a.1 > b.2 \"hi\"\n");
    r = runWith({}, "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
}

TEST(Run, FilesOpenFailuresAndSafeReplacement) {
    std::string d = tempDir();
    std::string in = d + "/dump.txt", out = d + "/out.txt";
    writeText(in, kPacket);
    Result r = runWith({"-n1", in, out});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(readText(out), "12/31/2001 20:00:00.000001 a.1 > b.2 \"h\"\n");

    // A missing input: the message with its name, then the usage text; the output is untouched.
    r = runWith({d + "/missing.txt", out});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.console, d + "/missing.txtがオープンできません。\n" + wirefold::usageText());
    EXPECT_EQ(readText(out), "12/31/2001 20:00:00.000001 a.1 > b.2 \"h\"\n");
    r = runWith({d});  // a folder is no input
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.console, d + "がオープンできません。\n" + wirefold::usageText());
    r = runWith({in, d + "/no/such/folder/out.txt"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.console, d + "/no/such/folder/out.txtがオープンできません。\n" + wirefold::usageText());

    // The output may be the input itself: it is replaced only when complete.
    r = runWith({in, in});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(readText(in), "12/31/2001 20:00:00.000001 a.1 > b.2 \"hi\"\n");
    // An existing output keeps its permissions; no temporary file is left behind.
    chmod(out.c_str(), 0640);
    writeText(in, kPacket);
    EXPECT_EQ(runWith({in, out}).status, 1);
    struct stat st;
    ASSERT_EQ(stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(readText(out), "12/31/2001 20:00:00.000001 a.1 > b.2 \"hi\"\n");
    // Special files are written in place.
    EXPECT_EQ(runWith({in, "/dev/null"}).status, 1);
    EXPECT_EQ(system(("test $(ls " + d + " | wc -l) -eq 2").c_str()), 0);
    EXPECT_EQ(system(("rm -rf " + d).c_str()), 0);
}

TEST(Run, SampleSessionGivesTheSameLinesInBothLayouts) {
    // The sample FTP session as the older tcpdump printed it and as today's prints it.
    std::string older = std::string(WIREFOLD_SAMPLES) + "/ftp-session-older.txt";
    std::string today = std::string(WIREFOLD_SAMPLES) + "/ftp-session-today.txt";
    Result a = runWith({"-jst", older});
    Result b = runWith({today, "-jst"});
    EXPECT_EQ(a.status, 1);
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(std::count(a.out.begin(), a.out.end(), '\n'), 10);
    EXPECT_NE(a.out.find("01/01/2002 03:00:00.256666 10.0.0.1.40000 > 10.0.0.2.21 \"PASS ????????\"\n"),
              std::string::npos);
    EXPECT_EQ(a.out.find("secret"), std::string::npos);
}
