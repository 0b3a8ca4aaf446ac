// Metafile header reading and the drawing markup of an inline picture.
#include "docbuild/pictures.h"

#include <algorithm>

namespace docbuild {

namespace {

unsigned word16(std::string_view b, std::size_t at) {
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}

int signed16(std::string_view b, std::size_t at) {
    unsigned w = word16(b, at);
    return w >= 0x8000 ? static_cast<int>(w) - 0x10000 : static_cast<int>(w);
}

std::string escape(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace

bool metafileSize(std::string_view b, PictureSize& size) {
    if (b.size() < 22 + 18) return false;  // header and at least the metafile header
    if (word16(b, 0) != 0xCDD7 || word16(b, 2) != 0x9AC6) return false;
    unsigned sum = 0;
    for (std::size_t i = 0; i < 20; i += 2) sum ^= word16(b, i);
    if (sum != word16(b, 20)) return false;
    int left = signed16(b, 6), top = signed16(b, 8), right = signed16(b, 10), bottom = signed16(b, 12);
    unsigned inch = word16(b, 14);
    if (inch == 0 || right <= left || bottom <= top) return false;
    size.cx = static_cast<std::int64_t>(right - left) * kEmuPerInch / inch;
    size.cy = static_cast<std::int64_t>(bottom - top) * kEmuPerInch / inch;
    return size.cx > 0 && size.cy > 0;
}

PictureSize fitInto(PictureSize s, std::int64_t maxCx, std::int64_t maxCy) {
    if (s.cx <= 0 || s.cy <= 0 || maxCx <= 0 || maxCy <= 0) return s;
    // Scale by the tighter of the two limits; compare the ratios without rounding.
    if (s.cx * maxCy >= s.cy * maxCx) {
        if (s.cx > maxCx) {
            s.cy = s.cy * maxCx / s.cx;
            s.cx = maxCx;
        }
    } else if (s.cy > maxCy) {
        s.cx = s.cx * maxCy / s.cy;
        s.cy = maxCy;
    }
    s.cx = std::max<std::int64_t>(s.cx, 1);
    s.cy = std::max<std::int64_t>(s.cy, 1);
    return s;
}

std::string inlinePictureXml(std::string_view relId, int id, std::string_view name, PictureSize size) {
    std::string cx = std::to_string(size.cx), cy = std::to_string(size.cy), n = std::to_string(id);
    std::string nm = escape(name), rel = escape(relId);
    return "<w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\">"
           "<wp:extent cx=\"" + cx + "\" cy=\"" + cy + "\"/>"
           "<wp:effectExtent l=\"0\" t=\"0\" r=\"0\" b=\"0\"/>"
           "<wp:docPr id=\"" + n + "\" name=\"" + nm + "\"/>"
           "<wp:cNvGraphicFramePr><a:graphicFrameLocks noChangeAspect=\"1\"/></wp:cNvGraphicFramePr>"
           "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
           "<pic:pic><pic:nvPicPr><pic:cNvPr id=\"" + n + "\" name=\"" + nm + "\"/><pic:cNvPicPr/></pic:nvPicPr>"
           "<pic:blipFill><a:blip r:embed=\"" + rel + "\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill>"
           "<pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"" + cx + "\" cy=\"" + cy + "\"/></a:xfrm>"
           "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr></pic:pic>"
           "</a:graphicData></a:graphic></wp:inline></w:drawing>";
}

}  // namespace docbuild
