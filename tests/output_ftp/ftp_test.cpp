// Publishing against a real FTP server on 127.0.0.1.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/files.h"
#include "base/services.h"
#include "base/text.h"
#include "chart/scramble.h"
#include "ftpserver.h"
#include "output/ftp.h"

namespace {

using ftptest::FtpServer;
using ftptest::TempDir;
namespace fs = std::filesystem;

std::string slurp(const std::string& path) {
    std::string s;
    base::readFile(path, s);
    return s;
}

void put(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    ASSERT_TRUE(base::writeFileAtomic(path, bytes));
}

// A definition-file style list, scrambled line by line as the writers do.
std::string scrambledList(const std::vector<std::string>& lines) {
    std::string out;
    int n = 0;
    for (const auto& l : lines) out += chart::scrambleLine(base::toCp932(l), ++n) + "\r\n";
    return out;
}

output::FtpAccount account(const FtpServer& server, const std::string& folder = {},
                           const std::string& password = "secret") {
    return {server.address(), folder, "user", password};
}

// Bytes that a text-mode transfer would change.
std::string binaryBytes(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char>((i * 7 + (i >> 8)) & 0xff);
    return s + "\r\n\n\r\x1a";
}

TEST(FtpServerField, HostPortAndUrls) {
    std::string host;
    long port = 0;
    EXPECT_TRUE(output::parseFtpServer("ftp.example.net", host, port));
    EXPECT_EQ(host, "ftp.example.net");
    EXPECT_EQ(port, 21);
    EXPECT_TRUE(output::parseFtpServer(" 127.0.0.1:2121 ", host, port));
    EXPECT_EQ(host, "127.0.0.1");
    EXPECT_EQ(port, 2121);
    EXPECT_TRUE(output::parseFtpServer("[::1]:990", host, port));
    EXPECT_EQ(host, "[::1]");
    EXPECT_EQ(port, 990);
    EXPECT_TRUE(output::parseFtpServer("fe80::1", host, port));
    EXPECT_EQ(host, "[fe80::1]");
    EXPECT_EQ(port, 21);
    for (const char* bad : {"", "   ", "host:", "host:0", "host:65536", "host:12x", ":21", "user@host",
                            "host/dir", "[::1", "[::1]x"})
        EXPECT_FALSE(output::parseFtpServer(bad, host, port)) << bad;

    EXPECT_EQ(output::ftpUrl("h", 21, "", "a b.html"), "ftp://h:21/a%20b.html");
    EXPECT_EQ(output::ftpUrl("h", 21, "pub/web/", "x.html"), "ftp://h:21/pub/web/x.html");
    EXPECT_EQ(output::ftpUrl("h", 21, "/srv/web", "x.html"), "ftp://h:21/%2Fsrv/web/x.html");
    EXPECT_EQ(output::ftpUrl("h", 21, "ページ", "#?.html"),
              "ftp://h:21/%E3%83%9A%E3%83%BC%E3%82%B8/%23%3F.html");
}

class FtpUpload : public ::testing::Test {
protected:
    TempDir dir;
    std::string root = dir / "server";
    std::string local = dir / "local";
    void SetUp() override {
        fs::create_directories(root + "/pub");
        fs::create_directories(local);
    }
};

TEST_F(FtpUpload, EveryListedFileArrivesByteIdentical) {
    FtpServer server("plain", root);
    ASSERT_GT(server.port(), 0);
    std::string page1 = binaryBytes(70000), page2 = "<HTML>\r\n</HTML>\r\n";
    put(local + "/abc-cvp.html", page1);
    put(local + "/abc-tct.html", page2);
    put(local + "/trace-tct-001.gif", "GIF87a1");
    put(local + "/trace-tct-002.gif", "GIF87a2");
    put(local + "/list.dif", scrambledList({" [KOV:DIF:V2.00 ]", "PRJ:abc", "//", "TYP:CVP",
                                            "DOT:" + local + "/abc-cvp.html", "EXE:", "//", "TYP:TCT", "DOT:",
                                            "  DOT:" + local + "/abc-tct.html  ",
                                            "FIG:" + local + "/trace-tct/002", "TLN:ignored", "//", "/",
                                            "DOT:" + local + "/after-end.html"}));

    EXPECT_EQ(output::uploadList(local + "/list.dif", account(server, "pub")), 0);
    EXPECT_TRUE(slurp(root + "/pub/abc-cvp.html") == page1);
    EXPECT_EQ(slurp(root + "/pub/abc-tct.html"), page2);
    EXPECT_EQ(slurp(root + "/pub/trace-tct-001.gif"), "GIF87a1");
    EXPECT_EQ(slurp(root + "/pub/trace-tct-002.gif"), "GIF87a2");
    EXPECT_FALSE(fs::exists(root + "/abc-cvp.html"));

    // Without a folder the files land in the login folder; a second upload replaces.
    put(local + "/abc-tct.html", "second");
    EXPECT_EQ(output::uploadFile(local + "/abc-tct.html", account(server)), 0);
    EXPECT_EQ(slurp(root + "/abc-tct.html"), "second");
    EXPECT_EQ(output::uploadFile(local + "/abc-tct.html", account(server, "/pub/")), 0);
    EXPECT_EQ(slurp(root + "/pub/abc-tct.html"), "second");
}

TEST_F(FtpUpload, RefusalsGiveTheirCodesAndEndTheList) {
    FtpServer server("plain", root);
    ASSERT_GT(server.port(), 0);
    put(local + "/one.html", "1");
    put(local + "/two.html", "2");
    put(local + "/list.dif", scrambledList({"DOT:" + local + "/one.html", "DOT:" + local + "/two.html"}));

    // A wrong password ends the list at its first file.
    EXPECT_EQ(output::uploadList(local + "/list.dif", account(server, {}, "wrong")), output::kFtpNoConnection);
    EXPECT_FALSE(fs::exists(root + "/one.html"));
    EXPECT_FALSE(fs::exists(root + "/two.html"));

    EXPECT_EQ(output::uploadList(local + "/list.dif", account(server, "missing")), output::kFtpFolderRefused);
    EXPECT_EQ(output::uploadFile(local + "/gone.html", account(server)), output::kFtpLocalMissing);
    EXPECT_EQ(output::uploadFile(local, account(server)), output::kFtpLocalMissing);
    EXPECT_EQ(output::uploadList(local + "/no-list.dif", account(server)), output::kFtpLocalMissing);

    // A numbered image that was never exported ends the list before anything is sent.
    put(local + "/figs.dif", scrambledList({"FIG:" + local + "/trace-tct/002", "DOT:" + local + "/one.html"}));
    put(local + "/trace-tct-001.gif", "g");
    EXPECT_EQ(output::uploadList(local + "/figs.dif", account(server)), output::kFtpNoConnection);
    EXPECT_FALSE(fs::exists(root + "/one.html"));

    // A line break in the account or folder would smuggle in a command of its own.
    EXPECT_EQ(output::uploadFile(local + "/one.html", account(server, {}, "secret\r\nDELE x")),
              output::kFtpNoConnection);
    EXPECT_EQ(output::uploadFile(local + "/one.html", account(server, "pub\r\nRMD pub")),
              output::kFtpFolderRefused);
    EXPECT_TRUE(fs::exists(root + "/pub"));
}

TEST_F(FtpUpload, UnreachableOrSilentServersEndWithoutHanging) {
    put(local + "/one.html", binaryBytes(8 << 20));
    output::FtpOptions quick;
    quick.connectSeconds = 3;
    quick.replySeconds = 3;
    quick.stallSeconds = 3;

    output::FtpAccount closed{"127.0.0.1:" + std::to_string(ftptest::closedPort()), {}, "user", "secret"};
    EXPECT_EQ(output::uploadFile(local + "/one.html", closed, quick), output::kFtpNoConnection);
    output::FtpAccount badField{"127.0.0.1:99999", {}, "user", "secret"};
    EXPECT_EQ(output::uploadFile(local + "/one.html", badField, quick), output::kFtpNoConnection);

    // The server logs in, then stops answering once the file is being stored. The
    // interface is kept alive while the run waits.
    FtpServer stalling("stall", root);
    ASSERT_GT(stalling.port(), 0);
    base::RecordingServices rec;
    base::ScopedServices scope(rec);
    EXPECT_EQ(output::uploadFile(local + "/one.html", account(stalling), quick), output::kFtpTransferFailed);
    EXPECT_GT(rec.keepAlives, 0);
    // The server stops reading in the middle of the file.
    FtpServer midway("stall-data", root);
    ASSERT_GT(midway.port(), 0);
    EXPECT_EQ(output::uploadFile(local + "/one.html", account(midway), quick), output::kFtpTransferFailed);
    EXPECT_TRUE(rec.messages.empty());
}

TEST_F(FtpUpload, TlsIsUsedWhenTheServerOffersIt) {
    std::string pem = dir / "server.pem";
    ASSERT_TRUE(ftptest::makeCertificate(pem));
    // This server refuses USER and PASS before AUTH TLS and any data without TLS, so
    // a stored file proves the password was sent encrypted.
    FtpServer server("tls", root, pem);
    ASSERT_GT(server.port(), 0);
    std::string page = binaryBytes(5000);
    put(local + "/abc-tct.html", page);
    output::FtpOptions trust;
    trust.caFile = pem + ".crt";
    EXPECT_EQ(output::uploadFile(local + "/abc-tct.html", account(server, "pub"), trust), 0);
    EXPECT_TRUE(slurp(root + "/pub/abc-tct.html") == page);

    // A certificate that cannot be verified is no connection: the password is never
    // handed to a server that may not be the one configured.
    EXPECT_EQ(output::uploadFile(local + "/abc-tct.html", account(server)), output::kFtpNoConnection);
    EXPECT_FALSE(fs::exists(root + "/abc-tct.html"));
}

}  // namespace
