// Base of the program's dialogs: centred over the frame when shown, and F1 opens the
// help page of the dialog's help context number.
#pragma once

#include <QDialog>

namespace appqt {

class MainFrame;

class HelpDialog : public QDialog {
    Q_OBJECT
public:
    HelpDialog(MainFrame* frame, int helpContext, QWidget* parent = nullptr);
    ~HelpDialog() override;
    int helpContext() const { return context_; }
    // Pages switch the number while they are shown.
    void setHelpContext(int n);

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

    MainFrame* frame_;

private:
    int context_;
    int previous_ = 0;
};

}  // namespace appqt
