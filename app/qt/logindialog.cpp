#include "logindialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include "icons.h"

namespace appqt {

bool readLogonSettings(LogonSettings& s) {
    QSettings st("KOV", "ChronavaS");
    s = {};
    if (!st.contains("Logon") && !st.contains("LogonName")) return false;
    s.logon = st.value("Logon", "0").toString().toInt();
    s.newUserByCopy = st.value("NewUserByCopy", "0").toString().toInt();
    s.name = st.value("LogonName", "").toString().toStdString();
    return !s.name.empty();
}

void writeLogonSettings(const LogonSettings& s) {
    QSettings st("KOV", "ChronavaS");
    st.setValue("Logon", QString::number(s.logon));
    st.setValue("NewUserByCopy", QString::number(s.newUserByCopy));
    st.setValue("LogonName", QString::fromStdString(s.name));
    st.sync();
}

LoginDialog::LoginDialog(const std::vector<std::string>& users, const std::string& last, QWidget* parent)
    : HelpDialog(nullptr, 800, parent) {
    setObjectName("LOGINDLG");
    setWindowTitle("PXD98/FL ユーザーログオン");
    setWindowIcon(appIcon());
    list_ = new QListWidget(this);
    list_->setObjectName("id1000");
    auto* label = new QLabel("ユーザー名の選択(&U):", this);
    label->setBuddy(list_);
    int select = users.empty() ? -1 : 0;
    for (size_t i = 0; i < users.size(); ++i) {
        list_->addItem(QString::fromStdString(users[i]));
        if (QString::fromStdString(users[i]).compare(QString::fromStdString(last), Qt::CaseInsensitive) == 0)
            select = static_cast<int>(i);
    }
    if (select >= 0) list_->setCurrentRow(select);
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
