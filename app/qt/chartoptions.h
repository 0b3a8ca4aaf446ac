// The options page "タイミングチャート" (template 990): the chart parameters with their
// fields, up-down buttons, the colour list with swatches, the colour chooser, the
// reset to standard colours and the page's own Apply button ("更新", id 6).
#pragma once

#include <map>

#include "optionsdialog.h"
#include "view/chart_params.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace appqt {

class ChartWindow;

class ChartOptionsPage : public OptionPage {
    Q_OBJECT
public:
    ChartOptionsPage(MainFrame& frame, QWidget* parent);
    // OK: checks, stores, saves and refreshes an open chart; false keeps the dialog.
    bool apply() override;
    // Apply ("更新"): the same, then the stored values count as the values at opening.
    bool applyNow();

    QLineEdit* field(int id) const;
    QComboBox* colourList() const { return colourList_; }
    QPushButton* applyButton() const { return apply_; }
    QCheckBox* sortBox() const { return sort_; }
    // The colour chooser; tests replace it.
    std::function<bool(view::Rgb&)> chooseColour;

private:
    void fill(const view::ChartParams& p);
    view::ChartOptionsForm collect() const;
    void refreshSwatches();
    ChartWindow* chartWindow() const;

    MainFrame& frame_;
    view::ChartParams before_;
    view::ChartOptionsForm form_;  // the working colour table and its state
    std::map<int, QLineEdit*> fields_;
    QLineEdit* preprocessor_;
    QComboBox* resolution_;
    QComboBox* comments_;
    QCheckBox* sort_;
    QCheckBox* line100_;
    QComboBox* colourList_;
    QButtonGroup* colourMode_;
    QButtonGroup* rangeMode_;
    QButtonGroup* division_;
    QLineEdit* fractions_[3];
    QCheckBox* skip_;
    QCheckBox* scale_;
    QCheckBox* tell_;
    QPushButton* apply_;
};

}  // namespace appqt
