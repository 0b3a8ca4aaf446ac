#include "helpdialog.h"

#include <QApplication>
#include <QKeyEvent>

#include "helpwindow.h"
#include "mainframe.h"
#include "placement.h"

namespace appqt {

HelpDialog::HelpDialog(MainFrame* frame, int helpContext, QWidget* parent)
    : QDialog(parent ? parent : static_cast<QWidget*>(frame)), frame_(frame), context_(helpContext) {
    if (frame_) previous_ = frame_->helpContext();
    setHelpContext(helpContext);
}

HelpDialog::~HelpDialog() {
    if (frame_) frame_->setHelpContext(previous_);
}

void HelpDialog::setHelpContext(int n) {
    context_ = n;
    if (frame_) frame_->setHelpContext(n);
}

void HelpDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    centreDialog(this);
}

void HelpDialog::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F1) {
        QWidget* f = QApplication::focusWidget();
        int control = 0;
        if (f && f->objectName().startsWith("id")) control = f->objectName().mid(2).toInt();
        if (frame_)
            frame_->showHelp(context_, control);
        else
            showStandaloneHelp(context_);
        return;
    }
    QDialog::keyPressEvent(e);
}

}  // namespace appqt
