// The user parameter record: one fixed-layout binary record that holds every setting
// and saved window rectangle of a user, its file (recognised by size, upgraded step by
// step from older layouts) and the layout table kept in it.
//
// Integers are 16-bit little-endian; texts are NUL-terminated CP932 in 256-byte slots
// and UTF-8 at this interface. Bytes that no accessor names belong to views of other
// editions and are carried unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace app {

// Sizes of the record and its file.
constexpr std::size_t kRecordSize = 109264;
constexpr std::size_t kParamHeaderSize = 24;
constexpr std::size_t kParamFileSize = kParamHeaderSize + kRecordSize;  // 109288
// Accepted file sizes, oldest first; the oldest has no header.
constexpr std::size_t kParamSizeV1 = 96392;
constexpr std::size_t kParamSizeV2 = 102810;
constexpr std::size_t kParamSizeV3 = 109250;
// The header of the current layout (24 bytes, no NUL).
inline constexpr std::string_view kParamHeader{" [KOV:PRM:Q98:V2.50 ] \r\n", 24};
// The header of version `v` ("2.00" ... "2.50").
std::string paramHeader(std::string_view version);

constexpr std::size_t kTextSlot = 256;
constexpr int kTargetKinds = 18;
constexpr int kKindChart = 17;  // the timing chart among the document kinds
constexpr int kRecentMax = 20;

// Record offsets of the fields the program uses.
namespace off {
constexpr std::size_t kInputFileCode = 6;
constexpr std::size_t kTabWidth = 12;
constexpr std::size_t kEditorPath = 16;
constexpr std::size_t kLayoutTable = 284;
constexpr std::size_t kRecentCount = 1070;
constexpr std::size_t kRecentPaths = 1072;
constexpr std::size_t kGenerationTargets = 12342;
constexpr std::size_t kMetafileTargets = 29144;
constexpr std::size_t kWordTargets = 29208;
constexpr std::size_t kHtmlTargets = 29336;
constexpr std::size_t kGifTargets = 29400;
constexpr std::size_t kWordForms = 29466;
constexpr std::size_t kHtmlForms = 45854;
constexpr std::size_t kWordTemplate = 54046;
constexpr std::size_t kWordRomanPages = 54816;
constexpr std::size_t kWordDocument = 54890;
constexpr std::size_t kWordMinimised = 55146;
constexpr std::size_t kSourceTextColour = 57168;
constexpr std::size_t kSourceBackColour = 57171;
constexpr std::size_t kCompletionSound = 63030;
constexpr std::size_t kNameDisplay = 63676;
constexpr std::size_t kChartCommentDisplay = 102786;
constexpr std::size_t kChartHeightUnit = 102988;
constexpr std::size_t kChartSignalColour = 104104;
constexpr std::size_t kChartBackColour = 104107;
constexpr std::size_t kChartNameColour = 104110;
constexpr std::size_t kChartCommentColour = 104113;
constexpr std::size_t kOutputSize = 105944;  // margins top, left, right, bottom; width, height (mm)
constexpr std::size_t kOutputColourMode = 105982;
constexpr std::size_t kOutputSizeCopy = 107586;
constexpr std::size_t kRangeStart = 108814;   // year, month, day, hour, minute, second
constexpr std::size_t kRangeEnd = 108826;
constexpr std::size_t kTimePerPage = 108838;
constexpr std::size_t kPageCount = 108850;
constexpr std::size_t kOutputAllPages = 108852;
constexpr std::size_t kPageDivision = 108854;
constexpr std::size_t kPreprocessCommand = 108856;
constexpr std::size_t kHideUpperScale = 109112;
constexpr std::size_t kOutputGivenRange = 109114;
constexpr std::size_t kTellPageCount = 109116;
constexpr std::size_t kChartAxisColour = 109118;
constexpr std::size_t kChartGridColour = 109121;
constexpr std::size_t kMinResolution = 109124;
constexpr std::size_t kRangeStartFraction = 109150;
constexpr std::size_t kRangeEndFraction = 109158;
constexpr std::size_t kTimePerPageFraction = 109166;
constexpr std::size_t kSortSignals = 109174;
constexpr std::size_t kShow100Line = 109176;
}  // namespace off

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// A saved rectangle of the layout table; width or height 0 means unset.
struct LayoutRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const LayoutRect&) const = default;
};
constexpr int kLayoutGroups = 6;
constexpr int kLayoutEntries = 5;

// Six 16-bit values: margins or a date and time (year, month, day, hour, minute, second).
using Six = std::array<int, 6>;

class ParamRecord {
public:
    ParamRecord() : bytes_(kRecordSize, 0) {}

    const uint8_t* data() const { return bytes_.data(); }
    uint8_t* data() { return bytes_.data(); }
    static constexpr std::size_t size() { return kRecordSize; }

    // Raw access. Offsets outside the record read 0 and ignore writes.
    int u16(std::size_t off) const;
    void setU16(std::size_t off, int value);  // stored modulo 65536
    int s16(std::size_t off) const { return static_cast<int16_t>(static_cast<uint16_t>(u16(off))); }
    Rgb rgb(std::size_t off) const;
    void setRgb(std::size_t off, Rgb c);
    double f64(std::size_t off) const;
    void setF64(std::size_t off, double v);
    // A 256-byte text slot as UTF-8 (bytes up to the first NUL, decoded from CP932).
    std::string text(std::size_t off) const;
    // Stores a UTF-8 text in a slot, cut to 255 CP932 bytes at a character boundary.
    // False (slot unchanged) when the text holds a character without a CP932 form.
    bool setText(std::size_t off, std::string_view utf8);
    Six six(std::size_t off) const;
    void setSix(std::size_t off, const Six& v);
    void copy(std::size_t from, std::size_t to, std::size_t n);

    // Named fields.
    int inputFileCode() const { return u16(off::kInputFileCode); }
    void setInputFileCode(int c) { setU16(off::kInputFileCode, c); }
    int tabWidth() const { return u16(off::kTabWidth); }
    void setTabWidth(int w) { setU16(off::kTabWidth, w); }
    std::string editorPath() const { return text(off::kEditorPath); }
    bool setEditorPath(std::string_view p) { return setText(off::kEditorPath, p); }

    // Document-kind lists (18 entries each, kind 0..17).
    int generationTarget(int kind) const { return kindU16(off::kGenerationTargets, kind); }
    void setGenerationTarget(int kind, int v) { setKindU16(off::kGenerationTargets, kind, v); }
    int metafileTarget(int kind) const { return kindU16(off::kMetafileTargets, kind); }
    void setMetafileTarget(int kind, int v) { setKindU16(off::kMetafileTargets, kind, v); }
    int wordTarget(int kind) const { return kindU16(off::kWordTargets, kind); }
    void setWordTarget(int kind, int v) { setKindU16(off::kWordTargets, kind, v); }
    int htmlTarget(int kind) const { return kindU16(off::kHtmlTargets, kind); }
    void setHtmlTarget(int kind, int v) { setKindU16(off::kHtmlTargets, kind, v); }
    int gifTarget(int kind) const { return kindU16(off::kGifTargets, kind); }
    void setGifTarget(int kind, int v) { setKindU16(off::kGifTargets, kind, v); }
    std::string wordForm(int kind) const { return kindText(off::kWordForms, kind); }
    bool setWordForm(int kind, std::string_view p) { return setKindText(off::kWordForms, kind, p); }
    std::string htmlForm(int kind) const { return kindText(off::kHtmlForms, kind); }
    bool setHtmlForm(int kind, std::string_view p) { return setKindText(off::kHtmlForms, kind, p); }

    std::string wordTemplate() const { return text(off::kWordTemplate); }
    bool setWordTemplate(std::string_view p) { return setText(off::kWordTemplate, p); }
    int wordRomanPages() const { return u16(off::kWordRomanPages); }
    void setWordRomanPages(int v) { setU16(off::kWordRomanPages, v); }
    std::string wordDocument() const { return text(off::kWordDocument); }
    bool setWordDocument(std::string_view p) { return setText(off::kWordDocument, p); }
    int wordMinimised() const { return u16(off::kWordMinimised); }
    void setWordMinimised(int v) { setU16(off::kWordMinimised, v); }

    Rgb sourceTextColour() const { return rgb(off::kSourceTextColour); }
    void setSourceTextColour(Rgb c) { setRgb(off::kSourceTextColour, c); }
    Rgb sourceBackColour() const { return rgb(off::kSourceBackColour); }
    void setSourceBackColour(Rgb c) { setRgb(off::kSourceBackColour, c); }
    int completionSound() const { return u16(off::kCompletionSound); }
    void setCompletionSound(int v) { setU16(off::kCompletionSound, v); }
    int nameDisplay() const { return u16(off::kNameDisplay); }
    void setNameDisplay(int v) { setU16(off::kNameDisplay, v); }

    // Chart parameters.
    int chartCommentDisplay() const { return u16(off::kChartCommentDisplay); }
    void setChartCommentDisplay(int v) { setU16(off::kChartCommentDisplay, v); }
    int chartHeightUnit() const { return u16(off::kChartHeightUnit); }
    void setChartHeightUnit(int v) { setU16(off::kChartHeightUnit, v); }
    Six outputSize() const { return six(off::kOutputSize); }
    // Stores the margins and output size in both of their copies.
    void setOutputSize(const Six& v);
    int outputColourMode() const { return u16(off::kOutputColourMode); }
    void setOutputColourMode(int v) { setU16(off::kOutputColourMode, v); }
    Six rangeStart() const { return six(off::kRangeStart); }
    void setRangeStart(const Six& v) { setSix(off::kRangeStart, v); }
    Six rangeEnd() const { return six(off::kRangeEnd); }
    void setRangeEnd(const Six& v) { setSix(off::kRangeEnd, v); }
    Six timePerPage() const { return six(off::kTimePerPage); }
    void setTimePerPage(const Six& v) { setSix(off::kTimePerPage, v); }
    int pageCount() const { return u16(off::kPageCount); }
    void setPageCount(int v) { setU16(off::kPageCount, v); }
    int outputAllPages() const { return u16(off::kOutputAllPages); }
    void setOutputAllPages(int v) { setU16(off::kOutputAllPages, v); }
    int pageDivision() const { return u16(off::kPageDivision); }
    void setPageDivision(int v) { setU16(off::kPageDivision, v); }
    std::string preprocessCommand() const { return text(off::kPreprocessCommand); }
    bool setPreprocessCommand(std::string_view c) { return setText(off::kPreprocessCommand, c); }
    int hideUpperScale() const { return u16(off::kHideUpperScale); }
    void setHideUpperScale(int v) { setU16(off::kHideUpperScale, v); }
    int outputGivenRange() const { return u16(off::kOutputGivenRange); }
    void setOutputGivenRange(int v) { setU16(off::kOutputGivenRange, v); }
    int tellPageCount() const { return u16(off::kTellPageCount); }
    void setTellPageCount(int v) { setU16(off::kTellPageCount, v); }
    int minResolution() const { return u16(off::kMinResolution); }
    void setMinResolution(int v) { setU16(off::kMinResolution, v); }
    double rangeStartFraction() const { return f64(off::kRangeStartFraction); }
    void setRangeStartFraction(double v) { setF64(off::kRangeStartFraction, v); }
    double rangeEndFraction() const { return f64(off::kRangeEndFraction); }
    void setRangeEndFraction(double v) { setF64(off::kRangeEndFraction, v); }
    double timePerPageFraction() const { return f64(off::kTimePerPageFraction); }
    void setTimePerPageFraction(double v) { setF64(off::kTimePerPageFraction, v); }
    int sortSignals() const { return u16(off::kSortSignals); }
    void setSortSignals(int v) { setU16(off::kSortSignals, v); }
    int show100Line() const { return u16(off::kShow100Line); }
    void setShow100Line(int v) { setU16(off::kShow100Line, v); }
    // Chart colours.
    enum ChartColour { kSignal, kBackground, kName, kComment, kAxis, kGrid };
    Rgb chartColour(ChartColour c) const;
    void setChartColour(ChartColour c, Rgb v);

    // Layout table. False ("unset") for a group >= 6, an entry >= 5, or an entry whose
    // width or height is 0. Setting only changes the record; UserParams::setLayout
    // also writes the file.
    bool layout(int group, int entry, LayoutRect& out) const;
    bool setLayout(int group, int entry, const LayoutRect& r);

    // Recent project list, most recent first. A count above 20 in a damaged record
    // is read as 20.
    int recentCount() const;
    std::vector<std::string> recentProjects() const;
    std::string recentProject(int i) const;
    void setRecentProjects(const std::vector<std::string>& paths);

private:
    int kindU16(std::size_t base, int kind) const;
    void setKindU16(std::size_t base, int kind, int v);
    std::string kindText(std::size_t base, int kind) const;
    bool setKindText(std::size_t base, int kind, std::string_view t);
    std::vector<uint8_t> bytes_;
};

// Upgrade steps A to F, as a bit mask (bit 0 = A).
enum UpgradeStep { kStepA = 1, kStepB = 2, kStepC = 4, kStepD = 8, kStepE = 16, kStepF = 32 };
// The steps a file with `header` needs: empty header (oldest layout) A to F; V2.00 B to
// F; ...; V2.40 F; the current or any other header none. The header is compared whole.
int upgradeStepsFor(std::string_view header);
// Applies the steps in `steps` in order A..F.
void applyUpgrade(ParamRecord& rec, int steps);

// File names in the installation folder.
inline constexpr const char* kDefaultParamName = "rq4100s.pro";
inline constexpr const char* kParamName = "rq4100s.prm";
// The default parameter file: rq4100s.pro in the installation folder.
std::string defaultParamPath(const std::string& installDir);
// The user's parameter file: Users/<user>/rq4100s.prm, or the shared rq4100s.prm in
// the installation folder when `user` is empty.
std::string userParamPath(const std::string& installDir, const std::string& user);

// Reads a parameter file into `rec` and upgrades it. When `target` is missing the
// default file is copied to it first. Result 0; -1 when the file (or the default) is
// missing; -2 for a size that matches no layout or a read error. Every failure is
// shown in a message box (caption "Chronava").
int readParamFile(ParamRecord& rec, const std::string& target, const std::string& defaultPath);
// Writes the current header and the record to `target` through a temporary file that
// is renamed over it, so a failure leaves the previous file intact. 0, or -1 after a
// message box.
int writeParamFile(const ParamRecord& rec, const std::string& target);
// The bytes of a parameter file of the current layout (header + record).
std::string paramFileBytes(const ParamRecord& rec);

// The record of the current user together with where it lives.
class UserParams {
public:
    UserParams() = default;
    UserParams(std::string installDir, std::string user) : installDir_(std::move(installDir)), user_(std::move(user)) {}

    void setInstallDir(const std::string& d) { installDir_ = d; }
    void setUser(const std::string& u) { user_ = u; }
    const std::string& installDir() const { return installDir_; }
    const std::string& user() const { return user_; }
    // The file read and written: the explicit path when one was given to read(),
    // else the user's (or the shared) parameter file.
    std::string path() const;

    // Reads the record (see readParamFile). An explicit path is remembered for writes.
    int read(const std::string& explicitPath = {});
    // Writes the record: 0, -1 when it failed and "ファイルライトエラーです。" was shown,
    // or -2 when it failed again before any write succeeded. A folder that cannot be
    // written fails every automatic save (recent projects, window places, generation
    // targets); its user is told once, not at every save. A successful write makes the
    // next failure news again.
    int write() const;

    ParamRecord& record() { return rec_; }
    const ParamRecord& record() const { return rec_; }

    // Layout table with write-through: a changed entry rewrites the file at once.
    bool layout(int group, int entry, LayoutRect& out) const { return rec_.layout(group, entry, out); }
    // 0 when stored and written, -1 when the write failed (record changed anyway), -2
    // for a group or entry out of range.
    int setLayout(int group, int entry, const LayoutRect& r);

private:
    std::string installDir_;
    std::string user_;
    std::string explicit_;
    ParamRecord rec_;
    mutable bool failureShown_ = false;
};

// Builds the default parameter record shipped as rq4100s.pro: a zeroed record brought
// to the current layout by every upgrade step, with the program's default settings.
ParamRecord makeDefaultRecord();

}  // namespace app
