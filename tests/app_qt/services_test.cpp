#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTest>

#include "fixture.h"
#include "logobox.h"
#include "messagepane.h"
#include "placement.h"

using namespace appqt;

namespace {
// Processes events until `done` holds (the timer of a clicked line is 100 ms).
template <class F>
bool waitFor(F done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qSleep(5);
    }
    return done();
}
}  // namespace

TEST_F(FrameTest, ClickableLineOpensItsFileThroughTheShell) {
    services.appendMessage(0, "  GIFファイルを出力しました。[ファイル名 : /out/a.gif]");
    services.appendMessage(0, "生成を終了しました。");
    QListWidget* list = frame->messagePane()->list(0);
    ASSERT_EQ(list->count(), 2);
    QRect plain = list->visualItemRect(list->item(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, plain.center());
    QRect r = list->visualItemRect(list->item(0));
    frame->setStatusText("生成中です。");
    QTest::mouseMove(list->viewport(), plain.center());
    EXPECT_EQ(frame->statusText(), "生成中です。");  // a plain line leaves the status alone
    QTest::mouseMove(list->viewport(), QPoint(10, r.center().y()));
    EXPECT_EQ(frame->statusText(), "/out/a.gif");
    EXPECT_EQ(list->viewport()->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, r.center().y()));
    ASSERT_TRUE(waitFor([&] { return !opened.empty(); }));
    EXPECT_EQ(opened, std::vector<std::string>{"/out/a.gif"});
    EXPECT_TRUE(boxes.empty());

    // A failing shell gives the browser message with the path.
    openResult = false;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, r.center().y()));
    ASSERT_TRUE(waitFor([&] { return !boxes.empty(); }));
    EXPECT_EQ(boxes[0].caption, "Chronava");
    EXPECT_EQ(boxes[0].text, "Browser を起動できません。\n/out/a.gif");
}

TEST_F(FrameTest, MessageListsDropTheOldestHundredAboveAThousand) {
    MessagePane* pane = frame->messagePane();
    for (int i = 0; i < 1001; ++i) pane->append(1, QString::number(i));
    QListWidget* list = pane->list(1);
    ASSERT_EQ(list->count(), 1001);
    pane->append(1, "new");
    ASSERT_EQ(list->count(), 902);
    EXPECT_EQ(list->item(0)->text(), "100");
    EXPECT_EQ(list->item(900)->text(), "1000");
    EXPECT_EQ(list->item(901)->text(), "new");
    EXPECT_EQ(pane->list(0)->count(), 0);

    services.selectMessageTab(1);
    EXPECT_EQ(pane->current(), 1);
    frame->dispatch(12309);  // clears the selected list only
    EXPECT_EQ(list->count(), 0);
}

TEST_F(FrameTest, StatusAndLogoFollowTheServices) {
    services.setStatus("生成中です。");
    EXPECT_EQ(frame->statusText(), "生成中です。");
    services.clearStatus();
    EXPECT_EQ(frame->statusText(), "");
    LogoBox* logo = frame->logoBox();
    EXPECT_EQ(logo->objectName(), "KOVLOGO");
    EXPECT_EQ(logo->toolTip(), "Chronava");
    services.logoStart();
    EXPECT_TRUE(logo->running());
    for (int i = 0; i < 9; ++i) logo->advance();
    EXPECT_EQ(logo->frame(), 0);
    logo->advance();
    services.logoStop();
    EXPECT_FALSE(logo->running());
    EXPECT_EQ(logo->frame(), 1);
    services.logoReset();
    EXPECT_EQ(logo->frame(), 0);
}

// A long caption widens the box so the title bar shows it whole; a short one leaves the
// box as its text makes it.
TEST(ServicesForm, BoxesAreAsWideAsTheirCaption) {
    const QString caption = QString::fromUtf8("タイミングチャート読み込み確認");
    QMessageBox box;
    box.setWindowTitle(caption);
    box.setText("OK?");
    box.addButton("OK", QMessageBox::AcceptRole);
    const int before = box.sizeHint().width();
    widenForCaption(box);
    EXPECT_GE(box.sizeHint().width(), captionWidth(caption));
    EXPECT_GT(captionWidth(caption), before);

    QMessageBox small;
    small.setWindowTitle("表示");
    small.setText(QString::fromUtf8("システムファイルが保存できません。とても長い本文の一行目です。"));
    const int textWidth = small.sizeHint().width();
    widenForCaption(small);
    EXPECT_EQ(small.sizeHint().width(), textWidth);
}

TEST(ServicesForm, FilterLabelsAndPlacement) {
    EXPECT_EQ(qtFilter("ログファイル(*.klg;*.log)"), "ログファイル(*.klg *.log)");
    EXPECT_EQ(defaultSuffix("ログファイル(*.klg;*.log)"), "klg");
    EXPECT_EQ(defaultSuffix("プロジェクトファイル(*.nam)"), "nam");

    QRect screen(0, 0, 1024, 768);
    EXPECT_EQ(placeCentred({200, 100}, QRect(100, 100, 400, 300), screen), QRect(200, 200, 200, 100));
    // Over a frame near the corner the dialog is pulled back onto the screen.
    EXPECT_EQ(placeCentred({300, 200}, QRect(-200, -150, 300, 200), screen).topLeft(), QPoint(0, 0));
    EXPECT_EQ(placeCentred({300, 200}, QRect(900, 700, 300, 200), screen).bottomRight(), QPoint(1023, 767));
    // Larger than the screen: the top-left corner stays visible.
    EXPECT_EQ(placeCentred({2000, 1000}, QRect(), screen).topLeft(), QPoint(0, 0));
    // Before the frame exists the screen is the reference.
    EXPECT_EQ(placeCentred({200, 100}, QRect(), screen), QRect(412, 334, 200, 100));
}

namespace {
struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
};

// Answers the next modal message box by clicking button `answer` after noting what
// it shows.
void answerNextBox(SeenBox& seen, int answer) {
    QTimer::singleShot(0, [&seen, answer] {
        auto* mb = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(mb, nullptr);
        seen.title = mb->windowTitle();
        seen.text = mb->text();
        seen.icon = mb->icon();
        for (QAbstractButton* b : mb->buttons()) seen.buttons << b->text();
        if (mb->defaultButton()) seen.defaultButton = mb->defaultButton()->text();
        mb->buttons().at(answer)->click();
    });
}
}  // namespace

TEST_F(FrameTest, MessageBoxesShowTheDesignedButtons) {
    services.boxHook = nullptr;
    base::Services& sv = services;
    int beeps = 0;
    services.beepHook = [&] { ++beeps; };

    SeenBox info;
    answerNextBox(info, 0);
    EXPECT_TRUE(sv.messageBox(1, "Chronava", "ファイルオープンエラー", "/x/a.nam"));
    EXPECT_EQ(info.title, "Chronava");
    EXPECT_EQ(info.text, "ファイルオープンエラー\n/x/a.nam");
    EXPECT_EQ(info.icon, QMessageBox::Information);
    EXPECT_EQ(info.buttons, QStringList{"OK"});

    SeenBox ask;
    answerNextBox(ask, 1);
    EXPECT_FALSE(sv.messageBox(2, "Word", "Word出力を実行しますか?"));
    EXPECT_EQ(ask.icon, QMessageBox::Question);
    EXPECT_EQ(ask.buttons, (QStringList{"はい(&Y)", "いいえ(&N)"}));
    EXPECT_EQ(ask.defaultButton, "いいえ(&N)");

    SeenBox warn;
    answerNextBox(warn, 0);
    EXPECT_TRUE(sv.warningBox(0, "表示", "設定を保存します。"));
    EXPECT_EQ(warn.icon, QMessageBox::Warning);
    EXPECT_EQ(warn.buttons, (QStringList{"OK", "キャンセル"}));
    EXPECT_EQ(warn.defaultButton, "OK");
    EXPECT_EQ(beeps, 3);
}
