// The Word output of the main frame: the dialog OUTWORDDLG (targets and their order),
// the Word options page, the run after OK and the watch of the builder's progress
// file; and the headless "word" subcommand.
#pragma once

#include "helpdialog.h"

#include <QDialog>

class QCheckBox;
class QFileSystemWatcher;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QTimer;
class QTreeWidget;

namespace app {
class ParamRecord;
}

namespace appqt {

class MainFrame;

// "Word 出力": the produced kinds in list order, ticked when they go into the document.
class WordOutputDialog : public HelpDialog {
    Q_OBJECT
public:
    explicit WordOutputDialog(MainFrame& frame);
    QTreeWidget* list() const { return list_; }
    void accept() override;
    // Moves the item in `from` to the row `to` with its tick (as a mouse drag does).
    void moveItem(int from, int to);

private:
    QTreeWidget* list_;
};

// "Word 出力オプション": folder, template, forms per kind, output document, roman page
// numbers, visible or minimised run.
class WordOptionsDialog : public HelpDialog {
    Q_OBJECT
public:
    explicit WordOptionsDialog(MainFrame& frame);
    void accept() override;
    // The folder chosen with the picker: template and forms move into it.
    void moveIntoFolder(const QString& folder);

    QLineEdit* folderEdit() const { return folder_; }
    QLineEdit* templateEdit() const { return template_; }
    QLineEdit* formEdit() const { return form_; }
    QLineEdit* documentEdit() const { return document_; }
    QListWidget* kinds() const { return kinds_; }

private:
    void showForm(int row);
    QLineEdit *folder_, *template_, *form_, *document_;
    QListWidget* kinds_;
    QCheckBox* roman_;
    QRadioButton *visible_, *minimised_;
    QString forms_[3];
    int shownRow_ = -1;
};

// Follows "word.log" while the builder works: a file-system watch shows lines as they
// are written, timer 201 (10 s) checks as well in case a change goes unnoticed.
class WordWatch : public QObject {
    Q_OBJECT
public:
    explicit WordWatch(MainFrame& frame);
    void start(const std::string& installDir);
    bool active() const;
    void check();

private:
    MainFrame& frame_;
    std::string installDir_;
    QTimer* timer_;
    QFileSystemWatcher* files_;
};

// Installs the handler of frame command 36870.
void registerWordOutput(MainFrame& frame);

// chronava word PROJECT.nam [--user U] [--pdf]
int wordCommand(int argc, char** argv);

}  // namespace appqt
