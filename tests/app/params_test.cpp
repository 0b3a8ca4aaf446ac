#include <gtest/gtest.h>

#include <cstring>

#include "app/params.h"
#include "app/settings.h"
#include "base/services.h"
#include "base/text.h"
#include "testutil.h"

using namespace app;
using apptest::TempDir;

namespace {

// A parameter file of `size` bytes: the header (when given) followed by record bytes
// taken from `rec`.
std::string fileOf(const ParamRecord& rec, std::size_t size, const std::string& header) {
    std::string out = header;
    out.append(reinterpret_cast<const char*>(rec.data()), size - header.size());
    return out;
}

struct Fixture {
    TempDir dir;
    base::RecordingServices rec;
    base::ScopedServices scope{rec};
    std::string target = dir / "rq4100s.prm";
    std::string def = dir / "rq4100s.pro";
};

}  // namespace

TEST(ParamFile, EachAcceptedSizeGetsItsUpgradeSteps) {
    // Oldest layout, no header: every step A to F.
    {
        Fixture f;
        ParamRecord old;
        for (std::size_t i = 0; i < 6400; ++i) old.data()[55838 + i] = static_cast<uint8_t>(i * 7);
        old.data()[500] = 0xAB;  // a byte of another edition's view: carried unchanged
        apptest::put(f.target, fileOf(old, kParamSizeV1, ""));
        ParamRecord r;
        ASSERT_EQ(readParamFile(r, f.target, f.def), 0);
        EXPECT_EQ(r.data()[500], 0xAB);
        // Step A's copy, less the two values inside it that step E clears.
        ParamRecord expect;
        std::memcpy(expect.data() + 96384, old.data() + 55838, 6400);
        expect.setU16(99578, 0);
        expect.setU16(101220, 0);
        EXPECT_EQ(0, std::memcmp(r.data() + 96384, expect.data() + 96384, 6400));
        EXPECT_EQ(r.generationTarget(16), 1);
        EXPECT_EQ(r.generationTarget(17), 1);
        EXPECT_EQ(r.wordForm(16), "Forms/Word/A4縦/フローチャート.doc");
        EXPECT_EQ(r.htmlForm(17), "Forms/Html/pxd98tct.htm");
        EXPECT_EQ(r.wordTarget(17), 4096);
        for (int k = 0; k < kTargetKinds; ++k) EXPECT_EQ(r.htmlTarget(k), r.wordTarget(k)) << k;
        EXPECT_EQ(r.preprocessCommand(), "/bin/sh awk/tcplog.sh &B");  // D after C
        EXPECT_EQ(r.chartHeightUnit(), 11);                              // F after C
        EXPECT_EQ(r.show100Line(), 1);
        EXPECT_EQ(r.outputSize(), (Six{0, 0, 0, 0, 170, 110}));
        EXPECT_EQ(r.six(off::kOutputSizeCopy), r.outputSize());
        EXPECT_EQ(r.rangeEnd(), (Six{2001, 1, 1, 0, 24, 0}));
        EXPECT_EQ(r.chartColour(ParamRecord::kGrid), (Rgb{232, 232, 232}));
    }
    // V2.00: B to F, so A's settings stay as the file had them.
    {
        Fixture f;
        ParamRecord old;
        old.setGenerationTarget(16, 7);
        apptest::put(f.target, fileOf(old, kParamSizeV2, paramHeader("2.00")));
        ParamRecord r;
        ASSERT_EQ(readParamFile(r, f.target, f.def), 0);
        EXPECT_EQ(r.generationTarget(16), 7);
        EXPECT_EQ(r.generationTarget(17), 1);
        EXPECT_EQ(r.wordForm(17), "Forms/Word/A4縦/タイミングチャート.doc");
        EXPECT_EQ(r.preprocessCommand(), "/bin/sh awk/tcplog.sh &B");
    }
    // V2.40 (109250 bytes): only F; its own command line stays.
    {
        Fixture f;
        ParamRecord old;
        old.setPreprocessCommand("/usr/bin/awk -f my.awk &B");
        old.setChartHeightUnit(9);
        old.setWordForm(3, "Forms\\Word\\a.doc");   // relative: becomes "/"
        old.setWordForm(4, "C:\\forms\\b.doc");     // absolute Windows path: left alone
        apptest::put(f.target, fileOf(old, kParamSizeV3, paramHeader("2.40")));
        ParamRecord r;
        ASSERT_EQ(readParamFile(r, f.target, f.def), 0);
        EXPECT_EQ(r.preprocessCommand(), "/usr/bin/awk -f my.awk &B");
        EXPECT_EQ(r.chartHeightUnit(), 11);
        EXPECT_EQ(r.u16(109178), 1);
        EXPECT_EQ(r.wordForm(3), "Forms/Word/a.doc");
        EXPECT_EQ(r.wordForm(4), "C:\\forms\\b.doc");
    }
    // Current layout, and a current-size file with an unknown header: no step at all.
    for (const std::string& header : {std::string(kParamHeader), std::string(24, 'x')}) {
        Fixture f;
        ParamRecord old;
        old.setChartHeightUnit(13);
        old.setWordForm(3, "Forms\\Word\\a.doc");
        apptest::put(f.target, fileOf(old, kParamFileSize, header));
        ParamRecord r;
        ASSERT_EQ(readParamFile(r, f.target, f.def), 0);
        EXPECT_EQ(0, std::memcmp(r.data(), old.data(), kRecordSize));
    }
}

TEST(ParamFile, BadSizesAndMissingFilesAreRefusedWithTheirMessage) {
    Fixture f;
    ParamRecord r;
    r.setTabWidth(5);
    for (std::size_t size : {std::size_t{96393}, std::size_t{0}, std::size_t{24}, kParamFileSize + 1}) {
        apptest::put(f.target, std::string(size, '\x01'));
        EXPECT_EQ(readParamFile(r, f.target, f.def), -2) << size;
        ASSERT_FALSE(f.rec.boxes.empty());
        EXPECT_EQ(f.rec.boxes.back().caption, "Chronava");
        EXPECT_EQ(f.rec.boxes.back().text, "ファイルサイズがいずれのバージョンとも一致しません。\n" + f.target);
    }
    EXPECT_EQ(r.tabWidth(), 5);  // a refused file leaves the record as it was

    // Neither the file nor the default: the reinstall message.
    std::string missing = f.dir / "Users/u/rq4100s.prm";
    EXPECT_EQ(readParamFile(r, missing, f.def), -1);
    EXPECT_EQ(f.rec.boxes.back().text,
              "システムファイルがありません。\n" + f.def + "\n\nChronava を再度インストールしてください。");

    // A folder in place of the file is no parameter file.
    std::filesystem::create_directories(f.dir / "adir");
    EXPECT_LT(readParamFile(r, f.dir / "adir", f.def), 0);
}

TEST(ParamFile, MissingUserFileIsCopiedFromDefaultAndWrittenAsCurrentLayout) {
    Fixture f;
    ParamRecord old;
    old.setTabWidth(4);
    apptest::put(f.def, fileOf(old, kParamSizeV2, paramHeader("2.00")));
    std::filesystem::create_directories(f.dir / "Users/ann");
    UserParams up(f.dir.path(), "ann");
    EXPECT_EQ(up.path(), f.dir / "Users/ann/rq4100s.prm");
    ASSERT_EQ(up.read(), 0);
    EXPECT_TRUE(base::fileExists(up.path()));
    EXPECT_EQ(up.record().tabWidth(), 4);
    EXPECT_EQ(std::filesystem::file_size(up.path()), kParamSizeV2);  // copied unchanged

    ASSERT_EQ(up.write(), 0);
    std::string bytes = apptest::slurp(up.path());
    ASSERT_EQ(bytes.size(), 109288u);
    EXPECT_EQ(bytes.substr(0, 24), " [KOV:PRM:Q98:V2.50 ] \r\n");
    // Reading the written file again applies no further step.
    ParamRecord again;
    ASSERT_EQ(readParamFile(again, up.path(), f.def), 0);
    EXPECT_EQ(0, std::memcmp(again.data(), up.record().data(), kRecordSize));

    // A write that cannot succeed reports it and leaves no file behind.
    UserParams bad(f.dir.path(), "nobody");
    EXPECT_EQ(bad.write(), -1);
    EXPECT_EQ(f.rec.boxes.back().text, "ファイルライトエラーです。\n" + bad.path());
    // Failing again (every automatic save of an unwritable folder) is not told again,
    // until a write has succeeded in between.
    const std::size_t boxes = f.rec.boxes.size();
    EXPECT_EQ(bad.write(), -2);
    LayoutRect r{1, 2, 30, 40};
    EXPECT_EQ(bad.setLayout(0, 0, r), -1);
    EXPECT_EQ(f.rec.boxes.size(), boxes);
    std::filesystem::create_directories(f.dir / "Users/nobody");
    EXPECT_EQ(bad.write(), 0);
    std::filesystem::remove_all(f.dir / "Users/nobody");
    EXPECT_EQ(bad.write(), -1);
    EXPECT_EQ(f.rec.boxes.size(), boxes + 1);
}

TEST(ParamRecord, TextSlotsKeepCp932AndRefuseWhatTheyCannotHold) {
    ParamRecord r;
    // Characters whose second CP932 byte is 0x5C ("\").
    ASSERT_TRUE(r.setEditorPath("ソ表/能.exe"));
    EXPECT_EQ(r.editorPath(), "ソ表/能.exe");
    EXPECT_EQ(r.data()[off::kEditorPath + 1], 0x5C);
    // 254 ASCII bytes and a two-byte character do not fit 255: the character is cut.
    std::string longPath(254, 'a');
    ASSERT_TRUE(r.setEditorPath(longPath + "表"));
    EXPECT_EQ(r.editorPath(), longPath);
    EXPECT_EQ(r.data()[off::kEditorPath + 255], 0);
    // No CP932 form: refused, slot unchanged.
    EXPECT_FALSE(r.setEditorPath("x\xF0\x9F\x98\x80"));
    EXPECT_EQ(r.editorPath(), longPath);
    // A slot without NUL (damaged record) still reads within its 256 bytes.
    std::memset(r.data() + off::kEditorPath, 'z', 256);
    EXPECT_EQ(r.editorPath().size(), 255u);
}

TEST(ParamRecord, LayoutTableUnsetRulesAndWriteThrough) {
    Fixture f;
    ParamRecord base;
    apptest::put(f.target, fileOf(base, kParamFileSize, std::string(kParamHeader)));
    UserParams up(f.dir.path(), "");
    ASSERT_EQ(up.read(), 0);
    LayoutRect r;
    EXPECT_FALSE(up.layout(0, 0, r));
    EXPECT_EQ(up.setLayout(0, 1, {210, 0, 0, 300}), 0);
    EXPECT_FALSE(up.layout(0, 1, r));  // width 0: unset
    EXPECT_EQ(up.setLayout(6, 0, {1, 1, 1, 1}), -2);
    EXPECT_EQ(up.setLayout(0, 5, {1, 1, 1, 1}), -2);
    EXPECT_FALSE(up.layout(-1, 0, r));

    ASSERT_EQ(up.setLayout(2, 3, {-4, 20, 640, 480}), 0);
    ASSERT_TRUE(up.layout(2, 3, r));
    EXPECT_EQ(r, (LayoutRect{-4, 20, 640, 480}));
    // The file holds it at once, at 284 + 40*g + 8*e after the header.
    std::string bytes = apptest::slurp(f.target);
    std::size_t o = 24 + 284 + 40 * 2 + 8 * 3;
    EXPECT_EQ(static_cast<uint8_t>(bytes[o + 4]), 640 & 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(bytes[o + 5]), 640 >> 8);
}

TEST(ParamRecord, DefaultRecordIsCurrentAndReadsBackUnchanged) {
    Fixture f;
    ParamRecord d = makeDefaultRecord();
    apptest::put(f.def, paramFileBytes(d));
    UserParams up(f.dir.path(), "");
    ASSERT_EQ(up.read(), 0);  // copies the default to the shared file
    EXPECT_EQ(0, std::memcmp(up.record().data(), d.data(), kRecordSize));
    EXPECT_EQ(up.record().generationTarget(kKindChart), 1);
    EXPECT_EQ(up.record().preprocessCommand(), "/bin/sh awk/tcplog.sh &B");
    EXPECT_EQ(up.record().recentCount(), 0);
}

TEST(Settings, DisplayPageChecksTabWidthAndResetsColours) {
    Fixture f;
    apptest::put(f.def, paramFileBytes(makeDefaultRecord()));
    UserParams up(f.dir.path(), "");
    ASSERT_EQ(up.read(), 0);
    int w = -5;
    for (const char* bad : {"33", "-1", "", "abc", "1x", "0032a"}) EXPECT_FALSE(parseTabWidth(bad, w)) << bad;
    EXPECT_TRUE(parseTabWidth("0", w));
    EXPECT_EQ(w, 0);
    EXPECT_TRUE(parseTabWidth(" 32 ", w));
    EXPECT_EQ(w, 32);

    DisplayOptions o = displayOptionsFrom(up.record());
    o.tabWidthText = "33";
    EXPECT_EQ(applyDisplayOptions(up, o), 1);
    EXPECT_EQ(f.rec.boxes.back().caption, "表示");
    EXPECT_EQ(f.rec.boxes.back().text, "設定値に誤りがあります(33)。");
    o.tabWidthText = "4";
    o.text = {1, 2, 3};
    o.resetColours = true;
    o.editor = "/usr/bin/gedit";
    ASSERT_EQ(applyDisplayOptions(up, o), 0);
    ParamRecord back;
    ASSERT_EQ(readParamFile(back, up.path(), f.def), 0);
    EXPECT_EQ(back.tabWidth(), 4);
    EXPECT_EQ(back.editorPath(), "/usr/bin/gedit");
    EXPECT_EQ(back.sourceTextColour(), (Rgb{0, 0, 0}));
    EXPECT_EQ(back.sourceBackColour(), (Rgb{255, 255, 255}));

    storeImageTargets(back, off::kGifTargets, false);
    EXPECT_FALSE(imageTargetTicked(back, off::kGifTargets));
    EXPECT_EQ(back.gifTarget(kKindChart), 256);
    EXPECT_EQ(back.gifTarget(3), 4 * 256);
    storeImageTargets(back, off::kGifTargets, true);
    EXPECT_TRUE(imageTargetTicked(back, off::kGifTargets));
}
