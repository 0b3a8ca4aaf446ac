// Drawing of the text pane and the line-number pane.
#include "source_paint.h"

#include <QFontMetrics>
#include <QString>
#include <algorithm>
#include <cstdio>

namespace srcviewqt {

using srcview::kCellWidth;
using srcview::kLineHeight;
using srcview::kMarkHeight;

namespace {

// The current-line mark is drawn by XOR, so that drawing it twice at one place
// removes it; this colour turns a white background light yellow and black text navy.
const QColor kMarkXor(0, 0, 128);

void drawMark(QPainter& p, const srcview::SourceView& view, int width) {
    if (!view.markVisible()) return;
    p.save();
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.fillRect(QRect(0, view.markY(), width, kMarkHeight), kMarkXor);
    p.restore();
}

}  // namespace

QFont paneFont() {
    QFont f;
    f.setFamilies({QString::fromUtf8("ＭＳ 明朝"), QStringLiteral("IPAMincho")});
    f.setPixelSize(12);
    f.setFixedPitch(true);
    f.setStyleHint(QFont::TypeWriter);
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

void paintTextPane(QPainter& p, const srcview::SourceList& list, const srcview::SourceView& view,
                   const PaneColours& colours, const Selection& sel, int width, int height) {
    p.fillRect(QRect(0, 0, width, height), colours.background);
    const int first = view.top(), last = view.lastDrawnLine();
    const int x0 = view.textX();
    if (!sel.empty()) {
        srcview::TextPos a = sel.from, b = sel.to;
        if (b.line < a.line || (b.line == a.line && b.cell < a.cell)) std::swap(a, b);
        for (int i = std::max(first, a.line); i <= std::min(last, b.line); ++i) {
            const int from = i == a.line ? a.cell : 0;
            const int to = i == b.line ? b.cell : list.cells(i) + 1;  // a line's end shows one cell
            if (to <= from) continue;
            p.fillRect(QRect(x0 + kCellWidth * (from + 1), kLineHeight * (i - first), kCellWidth * (to - from),
                             kLineHeight),
                       colours.selection);
        }
    }
    p.setFont(paneFont());
    p.setPen(colours.text);
    const int ascent = QFontMetrics(p.font()).ascent();
    for (int i = first; i <= last; ++i) {
        std::string_view s = list.line(i);
        if (s.empty()) continue;
        // The line begins with a blank, one cell in from the pane's left edge.
        p.drawText(x0 + kCellWidth, kLineHeight * (i - first) + ascent,
                   QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())));
    }
    drawMark(p, view, width);
}

void paintLineNumbers(QPainter& p, const srcview::SourceView& view,
                      const PaneColours& colours, int width, int height) {
    p.fillRect(QRect(0, 0, width, height), colours.numberBackground);
    p.setFont(paneFont());
    p.setPen(Qt::black);
    const int ascent = QFontMetrics(p.font()).ascent();
    const int first = view.top(), last = view.lastDrawnLine();
    char buf[16];
    for (int i = first; i <= last; ++i) {
        std::snprintf(buf, sizeof buf, "%6d", i + 1);
        p.drawText(0, kLineHeight * (i - first) + ascent, QString::fromLatin1(buf));
    }
    drawMark(p, view, std::min(width, kMarkNumberWidth));
    p.setPen(QColor(128, 128, 128));
    p.drawLine(width - 2, 0, width - 2, height - 1);
    p.setPen(Qt::white);
    p.drawLine(width - 1, 0, width - 1, height - 1);
}

}  // namespace srcviewqt
