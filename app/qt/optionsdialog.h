// The options dialog "OPTIONDLG": a tab row (id900) over one page per tab. OK asks each
// page in tab order to take its values and stops at the first that refuses.
#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "app/params.h"
#include "helpdialog.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QTabWidget;

namespace appqt {

class OptionPage : public QWidget {
    Q_OBJECT
public:
    OptionPage(int templateNumber, QWidget* parent) : QWidget(parent), template_(templateNumber) {}
    int templateNumber() const { return template_; }
    // Takes the values; false keeps the dialog open (the page has said why).
    virtual bool apply() = 0;
    virtual void cancel() {}

private:
    int template_;
};

// Pages supplied by other windows (the timing chart page, 990).
using OptionPageFactory = std::function<OptionPage*(MainFrame& frame, QWidget* parent)>;
void registerOptionPage(int templateNumber, OptionPageFactory f);

class OptionsDialog : public HelpDialog {
    Q_OBJECT
public:
    explicit OptionsDialog(MainFrame& frame, QWidget* parent = nullptr);
    QTabWidget* tabs() const { return tabs_; }
    OptionPage* page(int index) const { return pages_.at(index); }
    // OK: true when every page took its values and the dialog closed.
    bool applyAll();

private:
    QTabWidget* tabs_;
    std::vector<OptionPage*> pages_;
};

// "表示" (904): how log files are shown and the completion sound.
class DisplayPage : public OptionPage {
    Q_OBJECT
public:
    DisplayPage(MainFrame& frame, QWidget* parent);
    bool apply() override;
    QLineEdit* tabWidthEdit() const { return tabWidth_; }

private:
    MainFrame& frame_;
    QLineEdit* tabWidth_;
    QComboBox* colourList_;
    QLineEdit* editor_;
    QButtonGroup* names_;
    QButtonGroup* sound_;
    app::Rgb colours_[2];
    bool resetColours_ = false;
};

// "プロジェクト" (987): the system name and the kanji code of the log files.
class ProjectPage : public OptionPage {
    Q_OBJECT
public:
    ProjectPage(MainFrame& frame, QWidget* parent);
    bool apply() override;

private:
    MainFrame& frame_;
    QLineEdit* system_;
    QButtonGroup* code_;
    int initialCode_;
};

}  // namespace appqt
