// Drawing of the source view's two panes onto any QPainter: the widgets paint through
// it, and so do the pixel tests and the benchmark. Only the lines that show are drawn,
// so the cost does not grow with the file or the position in it.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>

#include "srcview/source_view.h"

namespace srcviewqt {

constexpr int kLineNumberWidth = 39;  // the line-number pane
constexpr int kMarkNumberWidth = 36;  // the mark's width in the line-number pane

struct PaneColours {
    QColor text{0, 0, 0};
    QColor background{255, 255, 255};
    QColor numberBackground{240, 240, 240};  // the menu colour of the desktop
    QColor selection{173, 214, 255};
};

// The fixed-pitch font of both panes: 12 px, 6 px cells ("ＭＳ 明朝", drawn as
// IPAMincho).
QFont paneFont();

// A selected stretch of text (from and to in either order); empty when equal.
struct Selection {
    srcview::TextPos from, to;
    bool empty() const { return from == to; }
};

// The text pane, `width` x `height` px: background, selection, lines, current-line mark.
void paintTextPane(QPainter& p, const srcview::SourceList& list, const srcview::SourceView& view,
                   const PaneColours& colours, const Selection& sel, int width, int height);
// The line-number pane: numbers "%6d", the mark, the grey and white edge lines.
void paintLineNumbers(QPainter& p, const srcview::SourceView& view,
                      const PaneColours& colours, int width, int height);

}  // namespace srcviewqt
