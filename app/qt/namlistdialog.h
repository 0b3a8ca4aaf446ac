// The project dialog "NAMLSTDLG": creates a project (new mode) or edits the current
// one (edit mode): name, folder, base folder and the list of log files.
#pragma once

#include <string>
#include <vector>

#include "app/project.h"
#include "helpdialog.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace appqt {

class NamListDialog : public HelpDialog {
    Q_OBJECT
public:
    static constexpr int kMaxEntries = 1000;
    static constexpr int kMaxEntryBytes = 255;

    NamListDialog(MainFrame& frame, bool editMode);
    bool generateRequested() const { return generate_; }
    // The list (entries held absolute).
    const app::ProjectListModel& entries() const { return model_; }
    // Tests and the Add button: checks and inserts files; returns how many were taken.
    int addFiles(const std::vector<std::string>& files);

    // The project written by OK (new mode: the new project file).
    const std::string& projectPath() const { return written_.path; }
    const app::Project& writtenProject() const { return written_; }

    // Resets the check boxes remembered for the run (tests).
    static void resetRemembered();

private:
    void nameEdited(const QString& text);
    void redrawList();
    void finish(bool generate);
    bool write();
    std::string baseFolder() const;

    bool edit_;
    bool generate_ = false;
    bool changed_ = false;
    bool folderByHand_ = false;
    QString lastName_;
    app::ProjectListModel model_;
    std::string openedPath_;
    app::Project written_;

    QLineEdit* name_;
    QLineEdit* folder_;
    QCheckBox* link_;
    QLineEdit* base_;
    QCheckBox* absolute_;
    QListWidget* list_;
    QPushButton* folderButton_;
    QPushButton* baseButton_;
};

}  // namespace appqt
