// Attribute, font, format and page-setup reading.
#include "read/attrs.h"

#include "internal.h"

#include <cmath>

namespace celvane::read {
namespace {

constexpr uint16_t kRecFormatOld = 0x001E;

bool isFormat(uint16_t id) { return id == kRecFormat || id == kRecFormatOld; }

// Calls `visit` for every record of the globals (up to their EOF). Damage ends the walk.
template <class Visit>
void walkGlobals(const ReadBook& rb, Visit&& visit) {
    walkSubstream(rb.wb.stream, 0, visit);
}

// The `n`-th record (from 0) of the globals with an identifier accepted by `want`.
template <class Want>
bool nthGlobal(const ReadBook& rb, int n, Want&& want, Record& out) {
    if (n < 0) return false;
    int seen = 0;
    bool found = false;
    walkGlobals(rb, [&](const Record& r) {
        if (!want(r.id)) return true;
        if (seen++ == n) {
            out = r;
            found = true;
            return false;
        }
        return true;
    });
    return found;
}

// A colour field of an XF: the palette index, with 64 (automatic) and 65 (window
// background) standing for the descriptions' 0 and 1 of the background colour.
short backColour(unsigned v) { return static_cast<short>(v == 64 ? 0 : v == 65 ? 1 : v); }

void decodeBiff5(const Record& r, AttrDesc& d) {
    const unsigned align = r.u16(6), w8 = r.u16(8), w10 = r.u16(10), w12 = r.u16(12), w14 = r.u16(14);
    d.horz = static_cast<short>(align & 7);
    d.wrap = static_cast<short>((align >> 3) & 1);
    d.vert = static_cast<short>((align >> 4) & 7);
    d.orient = static_cast<short>((align >> 8) & 3);
    d.patternColor = static_cast<short>(w8 & 0x7F);
    d.backColor = backColour((w8 >> 7) & 0x7F);
    d.pattern = static_cast<short>(w10 & 0x3F);
    d.lineBottom = static_cast<short>((w10 >> 6) & 7);
    d.colorBottom = static_cast<short>(w10 >> 9);
    d.lineTop = static_cast<short>(w12 & 7);
    d.lineLeft = static_cast<short>((w12 >> 3) & 7);
    d.lineRight = static_cast<short>((w12 >> 6) & 7);
    d.colorTop = static_cast<short>(w12 >> 9);
    d.colorLeft = static_cast<short>(w14 & 0x7F);
    d.colorRight = static_cast<short>((w14 >> 7) & 0x7F);
    // A BIFF5 record holds none of the later fields: they read as their fixed value.
    d.shrink = d.merge = d.diagKind = d.diagStyle = d.diagColor = d.indent = 0;
    d.rotation = 0;
}

void decodeBiff8(const Record& r, AttrDesc& d) {
    const unsigned align = r.u16(6), w8 = r.u16(8), w10 = r.u16(10), w12 = r.u16(12);
    const uint32_t w14 = r.u32(14);
    const unsigned w18 = r.u16(18);
    d.horz = static_cast<short>(align & 7);
    d.wrap = static_cast<short>((align >> 3) & 1);
    d.vert = static_cast<short>((align >> 4) & 7);
    d.orient = 0;
    d.rotation = static_cast<short>((align >> 8) & 0xFF);
    d.indent = static_cast<short>(w8 & 0xF);
    d.shrink = static_cast<short>((w8 >> 4) & 1);
    d.merge = static_cast<short>((w8 >> 5) & 1);
    d.lineLeft = static_cast<short>(w10 & 0xF);
    d.lineRight = static_cast<short>((w10 >> 4) & 0xF);
    d.lineTop = static_cast<short>((w10 >> 8) & 0xF);
    d.lineBottom = static_cast<short>((w10 >> 12) & 0xF);
    d.colorLeft = static_cast<short>(w12 & 0x7F);
    d.colorRight = static_cast<short>((w12 >> 7) & 0x7F);
    d.diagKind = static_cast<short>((w12 >> 14) & 3);
    d.colorTop = static_cast<short>(w14 & 0x7F);
    d.colorBottom = static_cast<short>((w14 >> 7) & 0x7F);
    d.diagColor = static_cast<short>((w14 >> 14) & 0x7F);
    d.diagStyle = static_cast<short>((w14 >> 21) & 0xF);
    d.pattern = static_cast<short>((w14 >> 26) & 0x3F);
    d.patternColor = static_cast<short>(w18 & 0x7F);
    d.backColor = backColour((w18 >> 7) & 0x7F);
}

}  // namespace

GlobalCounts countGlobals(const ReadBook& rb) {
    GlobalCounts c;
    walkGlobals(rb, [&](const Record& r) {
        if (r.id == kRecXf) ++c.xf;
        else if (r.id == kRecFont) ++c.font;
        else if (isFormat(r.id)) ++c.format;
        return true;
    });
    return c;
}

bool readXf(const ReadBook& rb, int number, AttrDesc& out) {
    Record r;
    if (!nthGlobal(rb, number, [](uint16_t id) { return id == kRecXf; }, r)) return false;
    // Shorter records than the version's layout are damage: nothing is decoded.
    if (r.length < (rb.wb.biff8 ? 20u : 16u)) return false;
    AttrDesc d;
    d.font = static_cast<short>(r.u16(0));
    d.format = static_cast<short>(r.u16(2));
    if (rb.wb.biff8) decodeBiff8(r, d);
    else decodeBiff5(r, d);
    out = d;
    return true;
}

bool readFont(const ReadBook& rb, int number, FontInfo& out) {
    if (number < 0 || number == 4) return false;
    Record r;
    if (!nthGlobal(rb, number < 4 ? number : number - 1, [](uint16_t id) { return id == kRecFont; }, r))
        return false;
    if (r.length < 15) return false;
    FontInfo f;
    f.points = r.u16(0) / 20.0;
    const unsigned options = r.u16(2), weight = r.u16(6), escapement = r.u16(8);
    f.color = r.u16(4);
    f.style = (weight >= 700 ? 1 : 0) | ((options & 0x0002) ? 2 : 0) | ((options & 0x0008) ? 4 : 0) |
              (escapement == 1 ? 8 : escapement == 2 ? 16 : 0);
    f.underline = r.u8(10);
    f.name = rb.recordText(r, 14, false);
    out = std::move(f);
    return true;
}

bool readFormat(const ReadBook& rb, int index, std::string& out) {
    bool found = false;
    walkGlobals(rb, [&](const Record& r) {
        if (!isFormat(r.id) || r.length < 3 || r.u16(0) != index) return true;
        out = rb.recordText(r, 2, rb.wb.biff8);
        found = true;
        return false;
    });
    return found;
}

int readPageSetup(const ReadBook& rb, int sheet, PageSetup& out) {
    if (sheet < 0 || sheet >= int(rb.sheets.size())) return kErrParam;
    PageSetup p;
    int rc = kErrFile;
    walkSubstream(rb.wb.stream, rb.sheets[sheet].entry.bof, [&](const Record& r) {
        switch (r.id) {
        case kRecLeftMargin:
        case kRecTopMargin:
        case kRecRightMargin:
        case kRecBottomMargin: {
            if (r.length < 8) return true;
            const double mm = r.f64(0) * 25.4;
            // Millimetres are stored as inches: a small allowance keeps 20 mm written as
            // 20 / 25.4 inches from reading back as 19.
            const double whole = std::trunc(mm + (mm < 0 ? -1e-6 : 1e-6));
            const int v = std::isfinite(whole) && std::fabs(whole) < 1e6 ? static_cast<int>(whole) : 0;
            // The records run left, right, top, bottom; the result is left, top, right, bottom.
            static const int slot[4] = {0, 2, 1, 3};
            p.margins[slot[r.id - kRecLeftMargin]] = v;
            return true;
        }
        case kRecSetup: {
            p.options = r.u16(10);
            if (!(p.options & 0x0004)) {
                p.paper = r.u16(0);
                p.scale = r.u16(2);
            }
            rc = 0;
            return false;
        }
        case kRecDefColWidth:
        case kRecColInfo:
            return false;
        default:
            return true;
        }
    });
    if (rc == 0) out = p;
    return rc;
}

}  // namespace celvane::read
