#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QApplication>
#include <QTest>

#include "app/project.h"
#include "base/files.h"
#include "base/names.h"
#include "fixture.h"
#include "helpwindow.h"
#include "logindialog.h"
#include "namlistdialog.h"
#include "optionsdialog.h"

using namespace appqt;

namespace {

QStringList listTexts(QListWidget* l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    return out;
}

}  // namespace

class NamListTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        NamListDialog::resetRemembered();
    }
};

TEST_F(NamListTest, AddRefusesWrongTypeDuplicateAndSameStem) {
    frame->openProject(makeDemoProject(), false);
    NamListDialog dlg(*frame, true);
    auto* list = dlg.findChild<QListWidget*>("id1007");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(listTexts(list), QStringList({"a.log", "b.klg", "note.txt"}));

    std::string d = path("Projects/demo/");
    EXPECT_EQ(dlg.addFiles({d + "readme.pdf"}), 0);
    EXPECT_EQ(dlg.addFiles({d + "a.log"}), 0);
    EXPECT_EQ(dlg.addFiles({d + "a.klg"}), 0);
    ASSERT_EQ(boxes.size(), 3u);
    for (const auto& b : boxes) {
        EXPECT_EQ(b.caption, "プロジェクトファイル編集");
        EXPECT_TRUE(b.warning);
    }
    EXPECT_EQ(boxes[0].text, "Cソースファイルではありません(" + d + "readme.pdf)。");
    EXPECT_EQ(boxes[1].text, "ファイル名が重複しています。(" + d + "a.log)");
    EXPECT_EQ(boxes[2].text, "ファイル名の拡張子を除く部分が同名のファイルが既に選択されています。\n" + d + "a.klg");

    // a.inc and a-inc.log reduce to the same stem.
    EXPECT_EQ(dlg.addFiles({d + "a.inc", d + "a-inc.log"}), 1);
    EXPECT_EQ(boxes.size(), 4u);

    // Accepted files go after the selected entry; outside the base folder they stay absolute.
    list->setCurrentRow(0);
    EXPECT_EQ(dlg.addFiles({"/elsewhere/c.log"}), 1);
    EXPECT_EQ(listTexts(list), QStringList({"a.log", "/elsewhere/c.log", "b.klg", "note.txt", "a.inc"}));
    dlg.findChild<QCheckBox*>("id1006")->setChecked(true);
    EXPECT_EQ(list->item(0)->text(), QString::fromStdString(d + "a.log"));
}

TEST_F(NamListTest, ListHoldsAtMostAThousandEntries) {
    frame->openProject(makeDemoProject(), false);
    NamListDialog dlg(*frame, true);
    dlg.findChild<QPushButton*>("id1010")->click();  // remove all
    std::vector<std::string> many;
    for (int i = 0; i < 1005; ++i) many.push_back("/logs/f" + std::to_string(i) + ".log");
    EXPECT_EQ(dlg.addFiles(many), NamListDialog::kMaxEntries);
    EXPECT_EQ(dlg.entries().size(), 1000);
    EXPECT_EQ(boxes.back().text, "処理対象ファイル数が多すぎます。\n/logs/f1000.log");
}

TEST_F(NamListTest, EditWritesTheListAndRemovesEntries) {
    std::string p = makeDemoProject();
    frame->openProject(p, false);
    NamListDialog dlg(*frame, true);
    EXPECT_FALSE(dlg.findChild<QLineEdit*>("id1000")->isEnabled());
    auto* list = dlg.findChild<QListWidget*>("id1007");
    list->setCurrentRow(2);
    dlg.findChild<QPushButton*>("id1009")->click();  // remove note.txt
    dlg.findChild<QPushButton*>("id1")->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(dlg.generateRequested());
    EXPECT_EQ(app::readSources(p).entries, (std::vector<std::string>{"a.log", "b.klg"}));
}

TEST_F(NamListTest, UnchangedEditWithEmptyListIsRefused) {
    std::string p = path("Projects/empty/empty.nam");
    writeProject(p, {});
    frame->openProject(p, false);
    NamListDialog dlg(*frame, true);
    dlg.findChild<QPushButton*>("id1")->click();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "生成対象ソースファイル名を入力してください。");
}

TEST_F(NamListTest, NewModeLinksNameIntoFolderAndWrites) {
    NamListDialog dlg(*frame, false);
    auto* name = dlg.findChild<QLineEdit*>("id1000");
    auto* folder = dlg.findChild<QLineEdit*>("id1001");
    std::string data = core.defaultDataDir();
    EXPECT_EQ(folder->text().toStdString(), data + "/");
    name->setFocus();
    QTest::keyClicks(name, "ab");
    EXPECT_EQ(folder->text().toStdString(), data + "/ab");
    QTest::keyClicks(name, "/c");  // a separator is dropped at once
    EXPECT_EQ(name->text(), "abc");
    EXPECT_EQ(folder->text().toStdString(), data + "/abc");

    // A folder typed by hand gets the name appended once, then follows the name.
    ASSERT_TRUE(base::makeDirectories(dir() + "/mine"));
    folder->clear();
    QTest::keyClicks(folder, QString::fromStdString(dir() + "/mine"));
    QTest::keyClicks(name, "d");
    EXPECT_EQ(folder->text().toStdString(), dir() + "/mine/abcd");
    QTest::keyClick(name, Qt::Key_Backspace);
    EXPECT_EQ(folder->text().toStdString(), dir() + "/mine/abc");

    dlg.findChild<QPushButton*>("id1011")->click();  // 生成実行
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(dlg.generateRequested());
    std::string written = dir() + "/mine/abc/abc.nam";
    EXPECT_EQ(dlg.projectPath(), written);
    EXPECT_TRUE(base::fileExists(written));
    EXPECT_TRUE(base::fileExists(dir() + "/mine/abc/abc.css"));
}

TEST_F(NamListTest, NewModeRefusesMissingParentAndEmptyName) {
    NamListDialog dlg(*frame, false);
    dlg.findChild<QPushButton*>("id1")->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "プロジェクトファイル名を入力してください。");
    dlg.findChild<QLineEdit*>("id1000")->setText("p");
    dlg.findChild<QLineEdit*>("id1001")->setText(QString::fromStdString(dir() + "/no/such/p"));
    dlg.findChild<QPushButton*>("id1")->click();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "指定フォルダが見つかりません。\n" + dir() + "/no/such");
    EXPECT_NE(dlg.result(), QDialog::Accepted);
}

TEST_F(NamListTest, CancelRestoresTheProjectPath) {
    std::string p = makeDemoProject();
    frame->openProject(p, false);
    {
        NamListDialog dlg(*frame, false);
        dlg.findChild<QLineEdit*>("id1000")->setText("p");
        dlg.findChild<QLineEdit*>("id1001")->setText(QString::fromStdString(dir() + "/readonly-missing/x/p"));
        dlg.findChild<QPushButton*>("id2")->click();
    }
    EXPECT_EQ(core.project().path, p);
}

TEST_F(FrameTest, OptionsPagesRefuseBadTabWidthAndSwitchHelp) {
    OptionsDialog dlg(*frame);
    auto* tabs = dlg.findChild<QTabWidget*>("id900");
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "タイミングチャート");
    EXPECT_EQ(tabs->tabText(1), "表示");
    EXPECT_EQ(tabs->tabText(2), "プロジェクト");
    EXPECT_EQ(frame->helpContext(), 815);
    tabs->setCurrentIndex(1);
    EXPECT_EQ(frame->helpContext(), 904);
    tabs->setCurrentIndex(2);
    EXPECT_EQ(frame->helpContext(), 987);
    tabs->setCurrentIndex(1);

    auto* width = dlg.findChild<QLineEdit*>("id1100");
    for (const char* bad : {"33", "-1", "x"}) {
        width->setText(bad);
        EXPECT_FALSE(dlg.applyAll()) << bad;
        EXPECT_EQ(boxes.back().caption, "表示");
        EXPECT_EQ(boxes.back().text, std::string("設定値に誤りがあります(") + bad + ")。");
        EXPECT_EQ(tabs->currentIndex(), 1);
    }
    width->setText("32");
    EXPECT_TRUE(dlg.applyAll());
    EXPECT_EQ(core.params().record().tabWidth(), 32);
    app::UserParams again(dir(), "");
    ASSERT_EQ(again.read(), 0);
    EXPECT_EQ(again.record().tabWidth(), 32);
}

TEST_F(FrameTest, ProjectPageRewritesSystemNameAndCode) {
    std::string p = makeDemoProject();
    frame->openProject(p, false);
    OptionsDialog dlg(*frame);
    auto* sys = dlg.findChild<QLineEdit*>("id1200");
    ASSERT_NE(sys, nullptr);
    EXPECT_EQ(sys->text(), "demo");
    sys->setText("制御系");
    dlg.findChild<QAbstractButton*>("id1203")->setChecked(true);  // EUC-JP
    EXPECT_TRUE(dlg.applyAll());
    EXPECT_EQ(app::readCssValue(p, "SYS"), "制御系");
    EXPECT_EQ(core.project().inputCode, 2);
    app::Project reread;
    std::string opened = p;
    ASSERT_EQ(app::openProject(opened, dir(), reread), 0);
    EXPECT_EQ(reread.inputCode, 2);
    EXPECT_EQ(app::readSources(p).entries.size(), 3u);
}

TEST(LoginDialogTest, ShowsTheUsersWithThePlannedSelection) {
    LoginDialog dlg({"alice", "Bob", "carol"}, 1);
    EXPECT_EQ(dlg.windowTitle(), "PXD98/FL ユーザーログオン");
    EXPECT_EQ(dlg.list()->count(), 3);
    EXPECT_EQ(dlg.chosen(), "Bob");
    LoginDialog empty({}, -1);
    EXPECT_EQ(empty.chosen(), "");
}

TEST(LogonStoreTest, ValuesRoundTripAsStrings) {
    QSettingsLogonStore store;
    ASSERT_TRUE(store.write({1, 7, "佐藤"}));
    app::LogonSettings s;
    EXPECT_TRUE(store.read(s));
    EXPECT_EQ(s.logon, 1);
    EXPECT_EQ(s.newUserByCopy, 7);
    EXPECT_EQ(s.logonName, "佐藤");
    QSettings raw("KOV", "ChronavaS");
    EXPECT_EQ(raw.value("Logon").toString(), "1");
    ASSERT_TRUE(store.write({0, 0, ""}));
    EXPECT_FALSE(store.read(s));  // an empty name counts as missing
}

TEST_F(FrameTest, F1InADialogShowsItsPageAndControl) {
    writeText(path("help/904.html"), "<p>display</p>", false);
    {
        OptionsDialog dlg(*frame);
        dlg.show();
        dlg.findChild<QTabWidget*>("id900")->setCurrentIndex(1);
        auto* width = dlg.findChild<QLineEdit*>("id1100");
        width->setFocus();
        QApplication::setActiveWindow(&dlg);
        QTest::keyClick(width, Qt::Key_F1);
        EXPECT_EQ(frame->lastHelp(), std::make_pair(904, 0x44c));
        EXPECT_FALSE(frame->statusText().startsWith("HELP_ID"));
        ASSERT_NE(frame->helpWindow(), nullptr);
        EXPECT_TRUE(frame->helpWindow()->isVisible());
        dlg.reject();
    }
    // Once the dialog is gone the frame's own help context is back.
    EXPECT_EQ(frame->helpContext(), 0);
}
