#include "logindialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include "icons.h"

namespace appqt {

bool QSettingsLogonStore::read(app::LogonSettings& s) {
    QSettings st("KOV", "ChronavaS");
    s = {};
    bool present = st.contains("Logon") || st.contains("NewUserByCopy") || st.contains("LogonName");
    s.logon = st.value("Logon", "0").toString().toInt();
    s.newUserByCopy = st.value("NewUserByCopy", "0").toString().toInt();
    s.logonName = st.value("LogonName", "").toString().toStdString();
    return present && !s.logonName.empty();
}

bool QSettingsLogonStore::write(const app::LogonSettings& s) {
    QSettings st("KOV", "ChronavaS");
    st.setValue("Logon", QString::number(s.logon));
    st.setValue("NewUserByCopy", QString::number(s.newUserByCopy));
    st.setValue("LogonName", QString::fromStdString(s.logonName));
    st.sync();
    return st.status() == QSettings::NoError;
}

LoginDialog::LoginDialog(const std::vector<std::string>& users, int selected, QWidget* parent)
    : HelpDialog(nullptr, 800, parent) {
    setObjectName("LOGINDLG");
    setWindowTitle("PXD98/FL ユーザーログオン");
    setWindowIcon(appIcon());
    list_ = new QListWidget(this);
    list_->setObjectName("id1000");
    auto* label = new QLabel("ユーザー名の選択(&U):", this);
    label->setBuddy(list_);
    for (const std::string& u : users) list_->addItem(QString::fromStdString(u));
    if (selected >= 0 && selected < list_->count()) list_->setCurrentRow(selected);
    auto* box = new QDialogButtonBox(this);
    auto* ok = box->addButton("OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("id1");
    auto* cancel = box->addButton("キャンセル", QDialogButtonBox::RejectRole);
    cancel->setObjectName("id2");
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(label);
    lay->addWidget(list_);
    lay->addWidget(box);
    resize(300, 260);
}

std::string LoginDialog::chosen() const {
    QListWidgetItem* it = list_->currentItem();
    return it ? it->text().toStdString() : std::string();
}

}  // namespace appqt
