#include "childwindows.h"

#include <QLabel>
#include <QVBoxLayout>
#include <map>


namespace appqt {
namespace {
std::map<int, ChildFactory>& factories() {
    static std::map<int, ChildFactory> m;
    return m;
}
}  // namespace

void registerChildFactory(int kind, ChildFactory f) { factories()[kind] = std::move(f); }

ChildView* createChildView(int kind, QWidget* parent) {
    auto it = factories().find(kind);
    if (it != factories().end() && it->second) return it->second(parent);
    return new PlaceholderChild(kind, parent);
}

PlaceholderChild::PlaceholderChild(int kind, QWidget* parent) : ChildView(parent), kind_(kind) {
    setObjectName(app::childClassName(kind));
    label_ = new QLabel(this);
    label_->setObjectName("PLACEHOLDER");
    label_->setAlignment(Qt::AlignCenter);
    label_->setWordWrap(true);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(label_);
}

void PlaceholderChild::loadFile(const std::string& path) {
    file_ = path;
    const char* what = kind_ == kKindChart ? "タイミングチャート" : "ログファイル";
    label_->setText(QString("%1 を表示します:\n%2").arg(QString::fromUtf8(what), QString::fromStdString(path)));
}

bool PlaceholderChild::handleCommand(int id) {
    lastCommand_ = id;
    return false;
}

}  // namespace appqt
