// The program's own icon set, painted at run time so that no image files need to be
// shipped: toolbar buttons, the project tree's image list, window icons and the nine
// frames of the logo animation.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace appqt {

// Toolbar and menu images.
enum class ToolIcon { New, Open, DocView, Message, Generate, Metafile, Gif, Word, Html, Options, Help };
QIcon toolIcon(ToolIcon which);

// Toolbar images of the child windows (chart window, source list view).
enum class WindowTool { None, Ruler, Generate, Editor, Options, ZoomOut, ZoomIn, Whole, Search, First, Previous, Next, Last };
QIcon windowToolIcon(WindowTool which);

// Images of the project tree, in image-list order: 0 project, 1 PAD, 2 HCP, 3 tree,
// 4 document, 5 FLT, 6 source, 7 list, 8 summary, 9 flow chart, 10 timing chart.
constexpr int kTreeImageCount = 11;
QIcon treeIcon(int index);

// The application icon.
QIcon appIcon();

// Logo animation frame 0..8, 82 x 30 pixels less the sunken border.
constexpr int kLogoFrames = 9;
QPixmap logoFrame(int frame, int width, int height);

}  // namespace appqt
