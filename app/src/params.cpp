#include "app/params.h"

#include <cstring>
#include <sys/stat.h>

#include "app/catalogue.h"
#include "base/files.h"
#include "base/names.h"
#include "base/services.h"
#include "base/text.h"

namespace app {

std::string paramHeader(std::string_view version) {
    return std::string(" [KOV:PRM:Q98:V") + std::string(version) + " ] \r\n";
}

// ---- raw access ---------------------------------------------------------------

int ParamRecord::u16(std::size_t off) const {
    if (off + 2 > kRecordSize) return 0;
    return bytes_[off] | (bytes_[off + 1] << 8);
}

void ParamRecord::setU16(std::size_t off, int value) {
    if (off + 2 > kRecordSize) return;
    auto v = static_cast<uint16_t>(value);
    bytes_[off] = static_cast<uint8_t>(v & 0xFF);
    bytes_[off + 1] = static_cast<uint8_t>(v >> 8);
}

Rgb ParamRecord::rgb(std::size_t off) const {
    if (off + 3 > kRecordSize) return {};
    return {bytes_[off], bytes_[off + 1], bytes_[off + 2]};
}

void ParamRecord::setRgb(std::size_t off, Rgb c) {
    if (off + 3 > kRecordSize) return;
    bytes_[off] = c.r;
    bytes_[off + 1] = c.g;
    bytes_[off + 2] = c.b;
}

double ParamRecord::f64(std::size_t off) const {
    if (off + 8 > kRecordSize) return 0.0;
    double v;
    std::memcpy(&v, &bytes_[off], 8);  // little-endian IEEE double, as on disk
    return v;
}

void ParamRecord::setF64(std::size_t off, double v) {
    if (off + 8 > kRecordSize) return;
    std::memcpy(&bytes_[off], &v, 8);
}

std::string ParamRecord::text(std::size_t off) const {
    if (off + kTextSlot > kRecordSize) return {};
    const char* p = reinterpret_cast<const char*>(&bytes_[off]);
    std::size_t n = 0;
    while (n < kTextSlot && p[n] != '\0') ++n;
    // A slot without its NUL is read up to its end, cut at a character boundary.
    return base::fromCp932(base::cutCp932Bytes(std::string_view(p, n), kTextSlot - 1));
}

bool ParamRecord::setText(std::size_t off, std::string_view utf8) {
    if (off + kTextSlot > kRecordSize) return false;
    base::Conversion c = base::utf8ToCp932(utf8);
    if (!c.ok) return false;
    std::string_view cut = base::cutCp932Bytes(c.text, kTextSlot - 1);
    std::memset(&bytes_[off], 0, kTextSlot);
    std::memcpy(&bytes_[off], cut.data(), cut.size());
    return true;
}

Six ParamRecord::six(std::size_t off) const {
    Six v{};
    for (int i = 0; i < 6; ++i) v[i] = u16(off + 2 * i);
    return v;
}

void ParamRecord::setSix(std::size_t off, const Six& v) {
    for (int i = 0; i < 6; ++i) setU16(off + 2 * i, v[i]);
}

void ParamRecord::copy(std::size_t from, std::size_t to, std::size_t n) {
    if (from + n > kRecordSize || to + n > kRecordSize) return;
    std::memmove(&bytes_[to], &bytes_[from], n);
}

int ParamRecord::kindU16(std::size_t base, int kind) const {
    if (kind < 0 || kind >= kTargetKinds) return 0;
    return u16(base + 2 * kind);
}

void ParamRecord::setKindU16(std::size_t base, int kind, int v) {
    if (kind < 0 || kind >= kTargetKinds) return;
    setU16(base + 2 * kind, v);
}

std::string ParamRecord::kindText(std::size_t base, int kind) const {
    if (kind < 0 || kind >= kTargetKinds) return {};
    return text(base + kTextSlot * kind);
}

bool ParamRecord::setKindText(std::size_t base, int kind, std::string_view t) {
    if (kind < 0 || kind >= kTargetKinds) return false;
    return setText(base + kTextSlot * kind, t);
}

void ParamRecord::setOutputSize(const Six& v) {
    setSix(off::kOutputSize, v);
    setSix(off::kOutputSizeCopy, v);
}

namespace {
std::size_t colourOffset(ParamRecord::ChartColour c) {
    switch (c) {
    case ParamRecord::kSignal: return off::kChartSignalColour;
    case ParamRecord::kBackground: return off::kChartBackColour;
    case ParamRecord::kName: return off::kChartNameColour;
    case ParamRecord::kComment: return off::kChartCommentColour;
    case ParamRecord::kAxis: return off::kChartAxisColour;
    case ParamRecord::kGrid: return off::kChartGridColour;
    }
    return kRecordSize;
}
}  // namespace

Rgb ParamRecord::chartColour(ChartColour c) const { return rgb(colourOffset(c)); }
void ParamRecord::setChartColour(ChartColour c, Rgb v) { setRgb(colourOffset(c), v); }

// ---- layout table ---------------------------------------------------------------

namespace {
std::size_t layoutOffset(int group, int entry) {
    return off::kLayoutTable + 40 * static_cast<std::size_t>(group) + 8 * static_cast<std::size_t>(entry);
}
bool layoutInRange(int group, int entry) {
    return group >= 0 && group < kLayoutGroups && entry >= 0 && entry < kLayoutEntries;
}
}  // namespace

bool ParamRecord::layout(int group, int entry, LayoutRect& out) const {
    if (!layoutInRange(group, entry)) return false;
    std::size_t o = layoutOffset(group, entry);
    LayoutRect r;
    // Positions are read signed so that a window saved partly off the screen (left or
    // top edge negative) can be moved back to 0 by its user.
    r.x = s16(o);
    r.y = s16(o + 2);
    r.width = u16(o + 4);
    r.height = u16(o + 6);
    if (r.width == 0 || r.height == 0) return false;
    out = r;
    return true;
}

bool ParamRecord::setLayout(int group, int entry, const LayoutRect& r) {
    if (!layoutInRange(group, entry)) return false;
    std::size_t o = layoutOffset(group, entry);
    setU16(o, r.x);
    setU16(o + 2, r.y);
    setU16(o + 4, r.width);
    setU16(o + 6, r.height);
    return true;
}

// ---- recent list ----------------------------------------------------------------

int ParamRecord::recentCount() const {
    int n = s16(off::kRecentCount);
    if (n < 0) return 0;
    return n > kRecentMax ? kRecentMax : n;
}

std::string ParamRecord::recentProject(int i) const {
    if (i < 0 || i >= kRecentMax) return {};
    return text(off::kRecentPaths + kTextSlot * i);
}

std::vector<std::string> ParamRecord::recentProjects() const {
    std::vector<std::string> v;
    int n = recentCount();
    for (int i = 0; i < n; ++i) v.push_back(recentProject(i));
    return v;
}

void ParamRecord::setRecentProjects(const std::vector<std::string>& paths) {
    int n = 0;
    for (const auto& p : paths) {
        if (n == kRecentMax) break;
        // A path that the slot cannot hold whole (no CP932 form, or over 255 bytes)
        // would name another file: it is not kept.
        if (base::cp932Length(p) >= kTextSlot || !setText(off::kRecentPaths + kTextSlot * n, p)) continue;
        ++n;
    }
    for (int i = n; i < kRecentMax; ++i) std::memset(data() + off::kRecentPaths + kTextSlot * i, 0, kTextSlot);
    setU16(off::kRecentCount, n);
}

// ---- upgrade --------------------------------------------------------------------

int upgradeStepsFor(std::string_view header) {
    if (header.empty()) return kStepA | kStepB | kStepC | kStepD | kStepE | kStepF;
    if (header == paramHeader("2.00")) return kStepB | kStepC | kStepD | kStepE | kStepF;
    if (header == paramHeader("2.10")) return kStepC | kStepD | kStepE | kStepF;
    if (header == paramHeader("2.20")) return kStepD | kStepE | kStepF;
    if (header == paramHeader("2.30")) return kStepE | kStepF;
    if (header == paramHeader("2.40")) return kStepF;
    return 0;
}

namespace {

// Relative paths that older records hold use "\"; this edition uses "/". Absolute
// Windows paths (with a drive or a "\\" share) are left for the user to change.
void slashRelativePath(ParamRecord& rec, std::size_t off) {
    std::string t = rec.text(off);
    if (t.empty() || t.find(':') != std::string::npos || t.rfind("\\\\", 0) == 0) return;
    if (t.find('\\') == std::string::npos) return;
    for (char& c : t)
        if (c == '\\') c = '/';
    rec.setText(off, t);
}

void slashRelativePaths(ParamRecord& rec) {
    for (int k = 0; k < kTargetKinds; ++k) {
        slashRelativePath(rec, off::kWordForms + kTextSlot * k);
        slashRelativePath(rec, off::kHtmlForms + kTextSlot * k);
    }
    slashRelativePath(rec, off::kWordTemplate);
    slashRelativePath(rec, off::kWordDocument);
}

void stepA(ParamRecord& r) {
    r.copy(55838, 96384, 6400);
    r.setGenerationTarget(16, 1);
    r.setWordForm(16, "Forms/Word/A4縦/フローチャート.doc");
    r.setHtmlForm(16, "Forms/Html/pxd98flw.htm");
    r.setWordTarget(16, 0);
    r.copy(off::kWordTargets, off::kHtmlTargets, 64);
}

void stepB(ParamRecord& r) {
    r.setU16(55828, 1);
    r.copy(55838, 102786, 6402);
    r.setGenerationTarget(kKindChart, 1);
    r.setWordForm(kKindChart, "Forms/Word/A4縦/タイミングチャート.doc");
    r.setHtmlForm(kKindChart, "Forms/Html/pxd98tct.htm");
    // The chart takes the list place after the flow chart; a flow chart entry that
    // was in use hands its place over to it.
    int e16 = r.wordTarget(16);
    if (e16 != 0) {
        r.setWordTarget(kKindChart, e16);
        r.setWordTarget(16, 0);
    } else {
        r.setWordTarget(kKindChart, 4096);
    }
    r.copy(off::kWordTargets, off::kHtmlTargets, 2 * kTargetKinds);
}

void stepC(ParamRecord& r) {
    r.setPageDivision(1);
    r.setChartHeightUnit(8);
    r.setU16(102986, 8);
    r.setSix(off::kOutputSize, {0, 0, 0, 0, 170, 110});
    r.setRangeStart({2001, 1, 1, 0, 0, 0});
    r.setRangeEnd({2001, 1, 1, 0, 24, 0});
    r.setPageCount(24);
    r.setTimePerPage({0, 0, 0, 0, 1, 0});
    r.setHideUpperScale(1);
    r.setOutputGivenRange(0);
    r.setTellPageCount(0);
    r.setChartColour(ParamRecord::kAxis, {0, 255, 255});
    r.setChartColour(ParamRecord::kGrid, {232, 232, 232});
    r.setPreprocessCommand("/bin/sh awk/log2klg.sh &B");
    r.copy(off::kOutputSize, off::kOutputSizeCopy, 12);
}

void stepD(ParamRecord& r) {
    std::memset(r.data() + off::kMinResolution, 0, 52);
    r.setPreprocessCommand("/bin/sh awk/tcplog.sh &B");
}

void stepE(ParamRecord& r) {
    for (std::size_t o : {55830u, 55832u, 59032u, 60674u, 92146u, 93788u, 99578u, 101220u, 105982u}) r.setU16(o, 0);
}

void stepF(ParamRecord& r) {
    r.setShow100Line(1);
    r.setChartHeightUnit(11);
    r.setU16(109178, 1);
}

}  // namespace

void applyUpgrade(ParamRecord& rec, int steps) {
    if (steps & kStepA) stepA(rec);
    if (steps & kStepB) stepB(rec);
    if (steps & kStepC) stepC(rec);
    if (steps & kStepD) stepD(rec);
    if (steps & kStepE) stepE(rec);
    if (steps & kStepF) stepF(rec);
    if (steps) slashRelativePaths(rec);
}

// ---- files ----------------------------------------------------------------------

std::string defaultParamPath(const std::string& installDir) { return base::joinPath(installDir, kDefaultParamName); }

std::string userParamPath(const std::string& installDir, const std::string& user) {
    if (user.empty()) return base::joinPath(installDir, kParamName);
    return base::joinPath(base::joinPath(base::joinPath(installDir, "Users"), user), kParamName);
}

namespace {
int fail(int result, std::string_view text, const std::string& path) {
    base::services().messageBox(base::kBoxInfo, "Chronava", text, path);
    return result;
}
}  // namespace

int readParamFile(ParamRecord& rec, const std::string& target, const std::string& defaultPath) {
    std::string shown = target;
    if (!base::fileExists(target)) {
        if (!base::fileExists(defaultPath)) {
            base::services().messageBox(base::kBoxInfo, "Chronava", "システムファイルがありません。", defaultPath,
                                        "\nChronava を再度インストールしてください。");
            return -1;
        }
        base::copyFile(defaultPath, target);
        shown = defaultPath;
    }
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return fail(-1, "ファイルがありません。", shown);
    auto size = static_cast<std::size_t>(st.st_size);
    if (size != kParamSizeV1 && size != kParamSizeV2 && size != kParamSizeV3 && size != kParamFileSize)
        return fail(-2, "ファイルサイズがいずれのバージョンとも一致しません。", shown);
    std::string bytes;
    if (!base::readFile(target, bytes) || bytes.size() != size) return fail(-2, "ファイルリードエラーです。", shown);

    std::string_view header;
    std::string_view body = bytes;
    if (size != kParamSizeV1) {
        header = body.substr(0, kParamHeaderSize);
        body.remove_prefix(kParamHeaderSize);
    }
    ParamRecord r;
    std::memcpy(r.data(), body.data(), body.size());
    applyUpgrade(r, upgradeStepsFor(header));
    rec = std::move(r);
    return 0;
}

std::string paramFileBytes(const ParamRecord& rec) {
    std::string out(kParamHeader);
    out.append(reinterpret_cast<const char*>(rec.data()), kRecordSize);
    return out;
}

int writeParamFile(const ParamRecord& rec, const std::string& target) {
    if (!base::writeFileAtomic(target, paramFileBytes(rec)))
        return fail(-1, "ファイルライトエラーです。", target);
    return 0;
}

std::string UserParams::path() const {
    if (!explicit_.empty()) return explicit_;
    return userParamPath(installDir_, user_);
}

int UserParams::read(const std::string& explicitPath) {
    explicit_ = explicitPath;
    return readParamFile(rec_, path(), defaultParamPath(installDir_));
}

int UserParams::write() const {
    const std::string target = path();
    if (base::writeFileAtomic(target, paramFileBytes(rec_))) {
        failureShown_ = false;
        return 0;
    }
    if (failureShown_) return -2;
    failureShown_ = true;
    return fail(-1, "ファイルライトエラーです。", target);
}

int UserParams::setLayout(int group, int entry, const LayoutRect& r) {
    if (!rec_.setLayout(group, entry, r)) return -2;
    return write() == 0 ? 0 : -1;
}

ParamRecord makeDefaultRecord() {
    ParamRecord r;
    applyUpgrade(r, upgradeStepsFor({}));
    r.setInputFileCode(0);
    r.setTabWidth(8);
    r.setSourceTextColour({0, 0, 0});
    r.setSourceBackColour({255, 255, 255});
    r.setCompletionSound(0);
    r.setNameDisplay(0);
    r.setWordTemplate("rq4100.dot");
    r.setChartCommentDisplay(1);
    r.setChartColour(ParamRecord::kSignal, {0, 0, 0});
    r.setChartColour(ParamRecord::kBackground, {255, 251, 240});
    r.setChartColour(ParamRecord::kName, {0, 0, 192});
    r.setChartColour(ParamRecord::kComment, {192, 0, 0});
    r.setChartColour(ParamRecord::kAxis, {0, 255, 255});
    r.setChartColour(ParamRecord::kGrid, {192, 192, 192});
    r.setOutputAllPages(1);
    // Every document kind starts in its own row of the output lists, the chart ticked.
    for (int k = 0; k < kTargetKinds; ++k) {
        r.setMetafileTarget(k, (k + 1) * 256);
        r.setGifTarget(k, (k + 1) * 256);
    }
    r.setMetafileTarget(kKindChart, 256 + 1);
    r.setGifTarget(kKindChart, 256 + 1);
    return r;
}

}  // namespace app
