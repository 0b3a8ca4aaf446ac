// The output target dialogs of the metafile and GIF commands: a list of the document
// kinds offered for output, each with a check box.
#pragma once

#include <functional>

#include "app/params.h"
#include "helpdialog.h"

class QGroupBox;
class QTreeWidget;

namespace appqt {

// Lays out a target list in its group box with the buttons "全てを選択(&A)" and
// "選択を解除(&T)" beside it; the buttons tick or untick every entry through setAll.
void layOutTargetList(QGroupBox* box, QWidget* list, std::function<void(Qt::CheckState)> setAll);

class OutputTargetDialog : public HelpDialog {
    Q_OBJECT
public:
    OutputTargetDialog(MainFrame& frame, bool metafile);

    QTreeWidget* list() const { return list_; }
    void accept() override;

    // Stores the targets as OK does: the offered kind (the timing chart, row 0) gets
    // (row + 1) * 256 plus 1 when ticked, every other kind (kind + 1) * 256.
    static void storeTargets(app::ParamRecord& rec, bool metafile, bool chartTicked);
    // True when the chart entry of the list is ticked (its low byte is not zero).
    static bool chartTicked(const app::ParamRecord& rec, bool metafile);

private:
    bool metafile_;
    QTreeWidget* list_;
};

}  // namespace appqt
