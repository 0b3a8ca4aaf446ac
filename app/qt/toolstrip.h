// The toolbar strip of a child window (chart window, source list view): toolbars side
// by side in a strip named "id5000", each toolbar named by its holder id ("id1000"...),
// each button drawn by the icon set and named by its command id.
#pragma once

#include <QToolBar>
#include <QWidget>

#include <functional>
#include <initializer_list>

#include "icons.h"

class QHBoxLayout;

namespace appqt {

// One button of a strip; a command id of 0 stands for a separator.
struct StripButton {
    int id;
    WindowTool icon;
    const char* tip;
};

class ToolStrip {
public:
    // Makes the strip as a child of `window`; the window places it.
    explicit ToolStrip(QWidget* window);
    QWidget* widget() const { return strip_; }
    // Adds a toolbar with its buttons; a button calls `command` with its id.
    QToolBar* addBar(int holderId, std::initializer_list<StripButton> buttons, const std::function<void(int)>& command);
    // What is left of the strip's width stays empty, to the right of the bars.
    void addStretch();

private:
    QWidget* strip_;
    QHBoxLayout* row_;
};

}  // namespace appqt
