// The HTML output command: its dialog, the settings it keeps and the run it starts.
#include "htmloutput.h"
#include "fixture.h"
#include "messagepane.h"

#include "app/project.h"
#include "base/files.h"
#include "convert/cli.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

class HtmlOutputTest : public FrameTest {
protected:
    // The installed control file and forms in the test's installation folder.
    void installForms() {
        fs::copy(std::string(CHRONAVA_SOURCE_DATA) + "/Forms", path("Forms"), fs::copy_options::recursive);
        fs::copy_file(std::string(CHRONAVA_SOURCE_DATA) + "/rq4100.ctl", path("rq4100.ctl"));
    }
    // A project "web" with one converted log.
    std::string makeProject() {
        const std::string folder = path("Projects/web");
        fs::create_directories(folder);
        const std::string log = folder + "/line.klg";
        EXPECT_TRUE(base::writeFileAtomic(log, "2026/01/01 10:00:00.000 $SIG1=ON\r\n"
                                               "2026/01/01 10:00:02.000 $SIG1=OFF\r\n"));
        const std::string tct = folder + "/line.tct";
        const char* argv[] = {"convert", log.c_str(), "-o", tct.c_str()};
        std::FILE* null = std::fopen("/dev/null", "w");
        EXPECT_EQ(convert::convertCommand(4, argv, null, null), 0);
        std::fclose(null);
        // Saved as the project dialog does, with its information file for the cover.
        app::Project p;
        p.path = folder + "/web.nam";
        p.baseDir = folder;
        EXPECT_EQ(app::saveProject(p, {"line.klg"}), 0);
        return p.path;
    }
    std::string settingsPath() const { return output::publishSettingsPath(core.params().path()); }
};

TEST_F(HtmlOutputTest, DialogKeepsOrderTicksAndPasswordAndChecksBeforeClosing) {
    frame->openProject(makeProject(), false);
    app::ParamRecord& r = core.params().record();
    r.setHtmlTarget(output::kTargetCover, output::targetEntry(2, 1));
    r.setHtmlTarget(output::kTargetContents, output::targetEntry(1, 0));
    r.setHtmlTarget(output::kTargetChart, output::targetEntry(3, 2));
    r.setHtmlTarget(5, output::targetEntry(4, 3));  // not a target of this system

    appqt::HtmlOutputDialog dlg(*frame);
    EXPECT_EQ(dlg.objectName(), "OUTHTMLDLG");
    EXPECT_EQ(dlg.helpContext(), appqt::kHtmlOutputHelp);
    QListWidget* list = dlg.targets();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "目次");
    EXPECT_EQ(list->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(list->item(1)->text(), "表紙");
    EXPECT_EQ(list->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(r.htmlTarget(5), 0);

    // The chart dragged to the top; the contents stay unticked.
    list->insertItem(0, list->takeItem(2));
    dlg.findChild<QCheckBox*>("upload")->setChecked(true);
    dlg.findChild<QLineEdit*>("server")->setText(" 127.0.0.1:2121 ");
    dlg.findChild<QLineEdit*>("user")->setText("kato");
    dlg.findChild<QLineEdit*>("password")->setText("pw one");
    dlg.findChild<QCheckBox*>("savePassword")->setChecked(true);

    // The forms are not installed: the dialog names the missing one and stays open,
    // with the settings already kept.
    dlg.accept();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "HTML 出力");
    EXPECT_EQ(boxes[0].text, "HTML フォームが見つかりません。\n" + path("Forms/Html/pxd98cvp.htm"));
    EXPECT_EQ(r.htmlTarget(output::kTargetChart), output::targetEntry(1, 1));
    EXPECT_EQ(r.htmlTarget(output::kTargetContents), output::targetEntry(2, 0));
    EXPECT_EQ(r.htmlTarget(output::kTargetCover), output::targetEntry(3, 2));

    output::PublishSettings ps;
    ASSERT_EQ(output::readPublishSettings(settingsPath(), ps), 0);
    EXPECT_TRUE(ps.upload);
    EXPECT_EQ(ps.server, "127.0.0.1:2121");
    EXPECT_EQ(output::uploadPassword(ps), "pw one");
    std::string bytes;
    base::readFile(settingsPath(), bytes);
    EXPECT_EQ(bytes.find("pw one"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(::stat(settingsPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_TRUE(dlg.findChild<QLineEdit*>("password")->text().isEmpty());

    // With the forms in place, OK closes; an empty password field keeps the saved one.
    installForms();
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    ASSERT_EQ(output::readPublishSettings(settingsPath(), ps), 0);
    EXPECT_EQ(output::uploadPassword(ps), "pw one");

    // A settings file that cannot be written is reported and the checks still run: a
    // missing output folder is named as such.
    boxes.clear();
    fs::remove(settingsPath());
    fs::create_directories(settingsPath() + "/blocked");
    appqt::HtmlOutputDialog again(*frame);
    again.findChild<QLineEdit*>("outputFolder")->setText(QString::fromStdString(path("nowhere")));
    again.accept();
    EXPECT_NE(again.result(), QDialog::Accepted);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[0].warning);
    EXPECT_EQ(boxes[0].caption, "HTML 出力");
    EXPECT_EQ(boxes[0].text, "システムファイルが保存できません。");
    EXPECT_EQ(boxes[1].text, "出力フォルダが見つかりません。\n" + path("nowhere"));
}

TEST_F(HtmlOutputTest, FrameCommandProducesThePagesAfterTheDialog) {
    installForms();
    frame->openProject(makeProject(), false);
    app::ParamRecord& r = core.params().record();
    r.setPageCount(2);
    r.setPageDivision(1);
    r.setOutputAllPages(1);
    r.setTellPageCount(0);
    r.setOutputGivenRange(0);
    QTimer::singleShot(0, [] {
        auto* d = qobject_cast<appqt::HtmlOutputDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->findChild<QPushButton*>("selectAll")->click();
        d->accept();
    });
    frame->dispatch(appqt::cmd::kHtml);
    const std::string folder = path("Projects/web/");
    for (const char* f : {"web-cvp.html", "web-idx.html", "web-tct.html", "line-tct-001.gif", "line-tct-002.gif",
                          "TC-HTML.tsg", "web-html.dif"})
        EXPECT_TRUE(fs::exists(folder + f)) << f;
    std::string page;
    base::readFile(folder + "web-tct.html", page);
    EXPECT_NE(page.find("line-tct-002.gif"), std::string::npos);
    QListWidget* html = frame->messagePane()->list(base::kListHtml);
    ASSERT_GT(html->count(), 0);
    EXPECT_EQ(html->item(0)->text().toStdString(), "HTML出力を開始します。[web]");
    EXPECT_EQ(html->item(html->count() - 1)->text().toStdString(), "HTML出力を終了しました。[web]");
    EXPECT_FALSE(frame->busy());
}

}  // namespace
