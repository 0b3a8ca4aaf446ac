// MDI child windows of the frame: one slot per window set kind, at most one child
// per kind. A kind's window is made by a factory registered by its module; until one
// is registered a placeholder child says which file it would show.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "app/shell.h"

class QLabel;

namespace appqt {

constexpr int kChildKinds = 12;
constexpr int kKindSource = app::kChildSource;
constexpr int kKindChart = app::kChildChart;

class ChildView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    // Shows the file (an absolute path).
    virtual void loadFile(const std::string& path) = 0;
    // Commands the frame passes on (F1..F5 give 302, 301, 300, 303, 304); true when
    // handled.
    virtual bool handleCommand(int id) {
        (void)id;
        return false;
    }
    virtual std::string currentFile() const = 0;
};

using ChildFactory = std::function<ChildView*(QWidget* parent)>;
void registerChildFactory(int kind, ChildFactory f);
ChildView* createChildView(int kind, QWidget* parent);

// Stands in for the chart window and the source view until they exist.
class PlaceholderChild : public ChildView {
    Q_OBJECT
public:
    PlaceholderChild(int kind, QWidget* parent);
    void loadFile(const std::string& path) override;
    std::string currentFile() const override { return file_; }
    int lastCommand() const { return lastCommand_; }
    bool handleCommand(int id) override;

private:
    int kind_;
    std::string file_;
    int lastCommand_ = 0;
    QLabel* label_;
};

}  // namespace appqt
