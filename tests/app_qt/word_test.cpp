// The Word output dialogs: the target list's opening rules and order, and the options
// page's template rule and folder move.
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>

#include "app/params.h"
#include "base/files.h"
#include "fixture.h"
#include "wordoutput.h"

using namespace appqt;

namespace {

class WordDialogTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        project = makeDemoProject();
        frame->openProject(project, false);
        for (const char* f : {"Forms/t.docx", "Forms/c.docx", "Forms/i.docx", "Forms/tc.docx"}) writeText(path(f), "x");
        app::ParamRecord& rec = core.params().record();
        rec.setWordTemplate(path("Forms/t.dot"));
        rec.setWordForm(0, path("Forms/c.doc"));
        rec.setWordForm(1, path("Forms/i.doc"));
        rec.setWordForm(17, path("Forms/tc.doc"));
    }
    std::vector<std::string> rows(WordOutputDialog& d) {
        std::vector<std::string> out;
        for (int i = 0; i < d.list()->topLevelItemCount(); ++i) {
            auto* it = d.list()->topLevelItem(i);
            out.push_back(it->text(0).toStdString() + (it->checkState(0) == Qt::Checked ? "+" : "-"));
        }
        return out;
    }
    std::string project;
};

TEST_F(WordDialogTest, OpeningClearsOtherKindsAndRenumbersSharedPositions) {
    app::ParamRecord& rec = core.params().record();
    rec.setWordTarget(5, 0x0101);
    rec.setWordTarget(11, 0x0203);
    rec.setWordTarget(0, 0x0201);   // shares position 2 with the chart
    rec.setWordTarget(1, 0x0300);
    rec.setWordTarget(17, 0x0202);
    WordOutputDialog d(*frame);
    EXPECT_EQ(rec.wordTarget(5), 0);
    EXPECT_EQ(rec.wordTarget(11), 0);
    EXPECT_EQ(rows(d), (std::vector<std::string>{"表紙-", "目次-", "タイミングチャート-"}));

    // Distinct positions are kept, with their ticks.
    rec.setWordTarget(0, 0x0300);
    rec.setWordTarget(1, 0x0201);
    rec.setWordTarget(17, 0x0102);
    WordOutputDialog e(*frame);
    EXPECT_EQ(rows(e), (std::vector<std::string>{"タイミングチャート+", "目次+", "表紙-"}));
}

TEST_F(WordDialogTest, MovingContentsAboveCoverStoresSwappedPositionsAndOrder) {
    app::ParamRecord& rec = core.params().record();
    rec.setWordTarget(0, 0x0101);
    rec.setWordTarget(1, 0x0200);
    rec.setWordTarget(17, 0x0300);
    WordOutputDialog d(*frame);
    d.moveItem(1, 0);
    d.list()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(rows(d), (std::vector<std::string>{"目次+", "表紙+", "タイミングチャート-"}));
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Accepted) << (boxes.empty() ? "" : boxes.back().text);
    EXPECT_EQ(rec.wordTarget(1), 0x0101);
    EXPECT_EQ(rec.wordTarget(0), 0x0202);
    EXPECT_EQ(rec.wordTarget(17), 0x0300);
    // Stored in the user's parameter file as well.
    app::ParamRecord saved;
    ASSERT_EQ(app::readParamFile(saved, core.params().path(), path("rq4100s.pro")), 0);
    EXPECT_EQ(saved.wordTarget(1), 0x0101);
}

TEST_F(WordDialogTest, FailedCheckKeepsTheDialogOpen) {
    WordOutputDialog d(*frame);
    for (int i = 0; i < d.list()->topLevelItemCount(); ++i) d.list()->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
    d.accept();
    EXPECT_NE(d.result(), QDialog::Accepted);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().caption, "Word 出力");
    EXPECT_EQ(boxes.back().text, "出力対象を選択してください。");
}

TEST_F(WordDialogTest, OptionsRefuseTheLauncherAndStoreTheRest) {
    WordOptionsDialog d(*frame);
    d.templateEdit()->setText(QString::fromStdString(dir() + "/RQ4100.DOT"));
    d.accept();
    EXPECT_NE(d.result(), QDialog::Accepted);
    ASSERT_FALSE(boxes.empty());
    EXPECT_TRUE(boxes.back().warning);
    EXPECT_NE(boxes.back().text.find("テンプレートにこのファイルは指定できません。"), std::string::npos);

    d.templateEdit()->setText(QString::fromStdString(path("Forms/t.dot")));
    d.documentEdit()->setText("/out/report.doc");
    d.kinds()->setCurrentRow(0);
    d.formEdit()->setText("/f/cover.doc");
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    const app::ParamRecord& rec = core.params().record();
    EXPECT_EQ(rec.wordDocument(), "/out/report.doc");
    EXPECT_EQ(rec.wordForm(0), "/f/cover.doc");
    EXPECT_EQ(rec.wordForm(17), path("Forms/tc.doc"));
}

TEST_F(WordDialogTest, FolderTypedNamesTheTemplateAndPickedFolderTakesEveryFile) {
    core.params().record().setWordForm(1, "");
    WordOptionsDialog d(*frame);
    d.folderEdit()->setText("/w/A4");
    emit d.folderEdit()->textEdited("/w/A4");
    EXPECT_EQ(d.templateEdit()->text().toStdString(), "/w/A4/A4.dot");
    d.moveIntoFolder("/w/B5/");
    EXPECT_EQ(d.templateEdit()->text().toStdString(), "/w/B5/A4.dot");
    d.kinds()->setCurrentRow(0);
    EXPECT_EQ(d.formEdit()->text().toStdString(), "/w/B5/c.doc");
    d.kinds()->setCurrentRow(1);
    EXPECT_EQ(d.formEdit()->text().toStdString(), "/w/B5/目次.doc");  // empty before: named after the kind
}

}  // namespace

namespace {

TEST_F(WordDialogTest, ParameterFileThatCannotBeWrittenIsToldOnceWithCatalogue906) {
    const std::string prm = core.params().path();
    base::removeFile(prm);
    base::makeDirectories(prm);  // a folder where the file should be
    WordOptionsDialog d(*frame);
    d.templateEdit()->setText(QString::fromStdString(path("Forms/t.dot")));
    boxes.clear();
    d.accept();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].warning);
    EXPECT_EQ(boxes[0].caption, "Word 出力オプション");
    EXPECT_EQ(boxes[0].text, "システムファイルが保存できません。");
    EXPECT_EQ(core.params().record().wordTemplate(), path("Forms/t.dot"));  // kept in memory
}

}  // namespace

namespace {

TEST_F(WordDialogTest, MissingChartOfTheFirstLogOpensTheGenerationDialogAfterTheMessage) {
    bool generate = false;
    frame->setCommandHandler(cmd::kGenerate, [&] { generate = true; });
    app::ParamRecord& rec = core.params().record();
    rec.setWordTarget(0, 0x0200);
    rec.setWordTarget(1, 0x0300);
    rec.setWordTarget(17, 0x0101);
    WordOutputDialog d(*frame);
    d.accept();
    EXPECT_NE(d.result(), QDialog::Accepted);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, "タイミングチャートが不足しています。\nタイミングチャートを生成してください。\na.log\n");
    EXPECT_FALSE(generate);  // not before the frame has its turn
    QCoreApplication::processEvents();
    EXPECT_TRUE(generate);
}

}  // namespace
