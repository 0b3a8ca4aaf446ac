#include "htmloutput.h"

#include "app/catalogue.h"
#include "app/shell.h"
#include "base/files.h"
#include "base/names.h"
#include "base/services.h"
#include "chartexport.h"
#include "chartsupport.h"
#include "mainframe.h"
#include "outputdialog.h"
#include "view/page_export.h"
#include "view/qt/painter_canvas.h"
#include "view/results.h"

#include <QApplication>
#include <QGuiApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

namespace appqt {

namespace {

// The installed form of each target, used while the user has not chosen one.
std::string defaultHtmlForm(int target) {
    switch (target) {
    case output::kTargetCover: return "Forms/Html/pxd98cvp.htm";
    case output::kTargetContents: return "Forms/Html/pxd98idx.htm";
    case output::kTargetChart: return "Forms/Html/pxd98tct.htm";
    default: return {};
    }
}

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& q) { return q.toStdString(); }

}  // namespace

std::string htmlFormPath(const app::ParamRecord& rec, const std::string& installDir, int target) {
    std::string form = rec.htmlForm(target);
    if (form.empty()) form = defaultHtmlForm(target);
    return form.empty() ? form : base::makeAbsolute(installDir, form);
}

output::HtmlRunSetup htmlRunSetup(const app::ParamRecord& rec, const std::string& installDir,
                                  const std::string& projectPath, const output::PublishSettings& publish) {
    output::HtmlRunSetup setup;
    setup.installDir = installDir;
    setup.projectPath = projectPath;
    for (int k = 0; k < output::kTargetCount; ++k) {
        setup.targets[k] = output::isProducedTarget(k) ? rec.htmlTarget(k) : 0;
        if (output::isProducedTarget(k)) setup.forms[k] = htmlFormPath(rec, installDir, k);
    }
    if (!publish.outputFolder.empty()) setup.outputFolder = base::makeAbsolute(installDir, publish.outputFolder);
    setup.nameDisplay = rec.nameDisplay();
    setup.upload = publish.upload;
    setup.account = {publish.server, publish.folder, publish.user, output::uploadPassword(publish)};
    return setup;
}

output::ChartExport gifChartExport(const app::ParamRecord& rec, const std::string& dataFolder) {
    view::ChartParams params = chartParamsFrom(rec);
    return [params, dataFolder](const std::string& log, const std::string& folder) {
        output::ChartPages r;
        std::string first;
        r.result = exportOneChart(dataFolder, log, ExportFormat::Gif, params, screenMetrics(), folder,
                                  [&](const std::string& path) {
                                      if (r.pages++ == 0) first = path;
                                  });
        // The pages are "<chart>-tct-001.gif", ...: the figure list names the chart
        // part, in the folder the export wrote to.
        const std::string suffix = "-tct-001.gif";
        if (first.size() > suffix.size() && first.compare(first.size() - suffix.size(), suffix.size(), suffix) == 0)
            r.chartPathNoExt = first.substr(0, first.size() - suffix.size());
        else
            r.chartPathNoExt = base::joinPath(dataFolder, base::baseName(base::chartFileOf(dataFolder, log)));
        if (r.result != 0)
            r.errorText = view::exportResultText(r.result, base::splitPath(base::chartFileOf(dataFolder, log)).name);
        return r;
    };
}

// ---- the dialog ----------------------------------------------------------------------

HtmlOutputDialog::HtmlOutputDialog(MainFrame& frame) : HelpDialog(&frame, kHtmlOutputHelp) {
    setObjectName("OUTHTMLDLG");
    setWindowTitle("HTML 出力");
    app::UserParams& params = frame.core().params();
    app::ParamRecord& rec = params.record();

    // Only the three produced targets stay; shared or missing positions are renumbered.
    output::TargetList targets{};
    for (int k = 0; k < output::kTargetCount; ++k) targets[k] = rec.htmlTarget(k);
    output::prepareTargets(targets);
    for (int k = 0; k < output::kTargetCount; ++k) rec.setHtmlTarget(k, targets[k]);

    auto* box = new QGroupBox("出力対象と出力順序", this);
    list_ = new QListWidget(box);
    list_->setObjectName("targets");
    list_->setDragDropMode(QAbstractItemView::InternalMove);
    list_->setDefaultDropAction(Qt::MoveAction);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    std::vector<int> order = {output::kTargetCover, output::kTargetContents, output::kTargetChart};
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return output::targetPosition(targets[a]) < output::targetPosition(targets[b]);
    });
    for (int k : order) {
        auto* item = new QListWidgetItem(q(std::string(output::targetName(k))), list_);
        item->setData(Qt::UserRole, k);
        item->setFlags((item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled) & ~Qt::ItemIsDropEnabled);
        item->setCheckState(output::targetOrder(targets[k]) != 0 ? Qt::Checked : Qt::Unchecked);
    }
    // Three rows; the list needs no more room than that.
    list_->setMaximumHeight(list_->fontMetrics().height() * 5 + 2 * list_->frameWidth());
    layOutTargetList(box, list_, [this](Qt::CheckState st) {
        for (int i = 0; i < list_->count(); ++i) list_->item(i)->setCheckState(st);
    });

    output::PublishSettings ps;
    output::readPublishSettings(output::publishSettingsPath(params.path()), ps);

    auto* pageBox = new QGroupBox("出力先", this);
    outputFolder_ = new QLineEdit(q(ps.outputFolder), pageBox);
    outputFolder_->setObjectName("outputFolder");
    outputFolder_->setPlaceholderText("プロジェクトのフォルダ");
    auto* browse = new QPushButton("参照(&B)...", pageBox);
    browse->setObjectName("browseFolder");
    connect(browse, &QPushButton::clicked, this, [this] {
        std::string path = s(outputFolder_->text());
        if (base::services().pickFolder("HTML 出力先フォルダ", path)) outputFolder_->setText(q(path));
    });
    auto* pageRow = new QHBoxLayout(pageBox);
    auto* pageLabel = new QLabel("出力フォルダ(&O):", pageBox);
    pageLabel->setBuddy(outputFolder_);
    pageRow->addWidget(pageLabel);
    pageRow->addWidget(outputFolder_, 1);
    pageRow->addWidget(browse);

    upload_ = new QCheckBox("サーバーへ転送(&N)", this);
    upload_->setObjectName("upload");
    upload_->setChecked(ps.upload);
    auto* serverBox = new QGroupBox("FTP サーバー", this);
    server_ = new QLineEdit(q(ps.server), serverBox);
    server_->setObjectName("server");
    server_->setPlaceholderText("ホスト名 または ホスト名:ポート");
    folder_ = new QLineEdit(q(ps.folder), serverBox);
    folder_->setObjectName("folder");
    user_ = new QLineEdit(q(ps.user), serverBox);
    user_->setObjectName("user");
    password_ = new QLineEdit(serverBox);
    password_->setObjectName("password");
    password_->setEchoMode(QLineEdit::Password);
    const bool havePassword = !output::uploadPassword(ps).empty();
    password_->setPlaceholderText(havePassword ? "(変更しないときは空のまま)" : "");
    savePassword_ = new QCheckBox("パスワードを保存(&S)", serverBox);
    savePassword_->setObjectName("savePassword");
    savePassword_->setChecked(ps.savePassword);
    auto* form = new QFormLayout(serverBox);
    form->addRow("サーバーアドレス(&A):", server_);
    form->addRow("転送先ディレクトリ(&D):", folder_);
    form->addRow("ユーザー名(&U):", user_);
    form->addRow("パスワード(&P):", password_);
    form->addRow(QString(), savePassword_);
    serverBox->setEnabled(ps.upload);
    connect(upload_, &QCheckBox::toggled, serverBox, &QWidget::setEnabled);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText("キャンセル");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(box);
    outer->addWidget(pageBox);
    outer->addWidget(upload_);
    outer->addWidget(serverBox);
    outer->addWidget(buttons);
    resize(440, 0);
}

void HtmlOutputDialog::accept() {
    app::AppCore& core = frame_->core();
    app::UserParams& params = core.params();
    app::ParamRecord& rec = params.record();
    base::Services& sv = base::services();

    std::vector<output::TargetRow> rows;
    for (int i = 0; i < list_->count(); ++i)
        rows.push_back({list_->item(i)->data(Qt::UserRole).toInt(), list_->item(i)->checkState() == Qt::Checked});
    const output::TargetList targets = output::targetsFromRows(rows);
    for (int k = 0; k < output::kTargetCount; ++k) rec.setHtmlTarget(k, targets[k]);

    const std::string settingsPath = output::publishSettingsPath(params.path());
    output::PublishSettings ps;
    output::readPublishSettings(settingsPath, ps);
    ps.upload = upload_->isChecked();
    ps.server = base::trimBlanks(s(server_->text()));
    ps.folder = base::trimBlanks(s(folder_->text()));
    ps.user = s(user_->text());
    ps.outputFolder = base::trimBlanks(s(outputFolder_->text()));
    output::takePasswordField(ps, s(password_->text()), savePassword_->isChecked());
    password_->clear();

    // A record or settings file that cannot be written is reported; the dialog goes on.
    const bool recordWritten = base::writeFileAtomic(params.path(), app::paramFileBytes(rec));
    if (output::writePublishSettings(settingsPath, ps) != 0 || !recordWritten)
        sv.warningBox(base::kBoxInfo, windowTitle().toStdString(), std::string(app::message(906)));

    std::string missing;
    const output::HtmlRunSetup setup = htmlRunSetup(rec, core.installDir(), core.project().path, ps);
    if (!output::checkHtmlOutput(setup, missing)) {
        const bool folder = !setup.outputFolder.empty() && missing == setup.outputFolder;
        sv.messageBox(base::kBoxInfo, windowTitle().toStdString(),
                      folder ? "出力フォルダが見つかりません。" : "HTML フォームが見つかりません。", missing);
        return;
    }
    QDialog::accept();
}

void registerHtmlOutput(MainFrame& frame) {
    frame.setCommandHandler(cmd::kHtml, [&frame] {
        if (!frame.hasProject()) return;
        HtmlOutputDialog dlg(frame);
        if (dlg.exec() != QDialog::Accepted) return;
        app::AppCore& core = frame.core();
        output::PublishSettings ps;
        output::readPublishSettings(output::publishSettingsPath(core.params().path()), ps);
        const app::ParamRecord& rec = core.params().record();
        output::runHtmlOutput(htmlRunSetup(rec, core.installDir(), core.project().path, ps),
                              gifChartExport(rec, core.dataFolder()));
    });
}

// ---- chronava html --------------------------------------------------------------------

namespace {

// The console form with the message pane's lines on standard output.
class HtmlConsole : public base::ConsoleServices {
public:
    HtmlConsole() : ConsoleServices(true) { setQuiet(true); }
    void appendMessage(int, std::string_view text) override {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
};

void htmlUsage() {
    std::fprintf(stderr,
                 "usage: chronava html PROJECT.nam [--upload] [--user NAME] [--params FILE] [--date YYYY-MM-DD]\n"
                 "         [--targets cvp,idx,tct]\n"
                 "         [--server HOST[:PORT]] [--folder DIR] [--ftp-user NAME] [--password-stdin]\n"
                 "  Produces the HTML pages of a project as \"HTML 出力\" does, with the user's targets, forms\n"
                 "  and publishing settings; --upload also sends them to the FTP server. The password is the\n"
                 "  saved one, or one line read from standard input with --password-stdin.\n"
                 "  Exit status: 0 done, 1 the run failed, 2 usage, 3 the parameter file cannot be read.\n");
}

}  // namespace

int htmlCommand(int argc, char** argv) {
    std::string project, user, paramsFile, date, server, folder, ftpUser, targetList;
    bool upload = false, serverGiven = false, folderGiven = false, ftpUserGiven = false, passwordStdin = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool takesValue =
            a == "--user" || a == "--params" || a == "--date" || a == "--server" || a == "--folder" || a == "--ftp-user" ||
                                a == "--targets";
        if (takesValue) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "chronava html: %s needs a value\n", a.c_str());
                return 2;
            }
            const std::string v = argv[++i];
            if (a == "--user") user = v;
            else if (a == "--params") paramsFile = v;
            else if (a == "--date") date = v;
            else if (a == "--server") server = v, serverGiven = true;
            else if (a == "--folder") folder = v, folderGiven = true;
            else if (a == "--targets") targetList = v;
            else ftpUser = v, ftpUserGiven = true;
        } else if (a == "--upload") {
            upload = true;
        } else if (a == "--password-stdin") {
            passwordStdin = true;
        } else if (a == "--help" || a == "-h") {
            htmlUsage();
            return 0;
        } else if (a.rfind("-", 0) != 0 && project.empty()) {
            project = a;
        } else {
            htmlUsage();
            return 2;
        }
    }
    if (project.empty()) {
        htmlUsage();
        return 2;
    }
    // --targets cvp,idx,tct: these targets in this order instead of the user's choice.
    std::vector<output::TargetRow> rows;
    if (!targetList.empty()) {
        std::string rest = targetList + ",";
        for (size_t at; (at = rest.find(',')) != std::string::npos; rest.erase(0, at + 1)) {
            const std::string code = base::toUpperAscii(base::trimBlanks(rest.substr(0, at)));
            int target = -1;
            for (int k : {output::kTargetCover, output::kTargetContents, output::kTargetChart})
                if (code == output::targetTypeCode(k)) target = k;
            if (target < 0) {
                std::fprintf(stderr, "chronava html: --targets takes cvp, idx and tct\n");
                return 2;
            }
            rows.push_back({target, true});
        }
    }
    output::GeneratorOptions gen;
    if (!date.empty() && !output::parseRunDate(date, gen.date)) {
        std::fprintf(stderr, "chronava html: --date wants YYYY-MM-DD\n");
        return 2;
    }

    const std::unique_ptr<QGuiApplication> qapp = startHeadlessPages(argv[0]);

    HtmlConsole console;
    base::ScopedServices installed(console);

    const std::string installDir = app::workingInstallDir(app::installation().dataDir);
    app::UserParams up(installDir, user);
    if (up.read(paramsFile) != 0) return 3;
    output::PublishSettings ps;
    output::readPublishSettings(output::publishSettingsPath(up.path()), ps);
    if (serverGiven) ps.server = server;
    if (folderGiven) ps.folder = folder;
    if (ftpUserGiven) ps.user = ftpUser;
    if (passwordStdin) {
        std::string line;
        std::getline(std::cin, line);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ps.savePassword = false;
        output::setSessionPassword(line);
    }
    ps.upload = upload;

    std::string projectPath = project;
    if (!base::isAbsolutePath(projectPath)) {
        char cwd[4096];
        if (::getcwd(cwd, sizeof cwd)) projectPath = base::makeAbsolute(cwd, project);
    }
    output::HtmlRunSetup setup = htmlRunSetup(up.record(), installDir, projectPath, ps);
    setup.generator = gen;
    if (!rows.empty()) setup.targets = output::targetsFromRows(rows);
    std::string missing;
    if (!output::checkHtmlOutput(setup, missing)) {
        std::fprintf(stderr, "chronava html: not found: %s\n", missing.c_str());
        return 1;
    }
    // The charts lie in the project's data folder; a relative one is taken in the
    // installation folder, as the desktop program does.
    app::Project opened;
    std::string openedPath = projectPath;
    if (app::openProject(openedPath, app::defaultDataDir(installDir, user), opened) != 0) {
        std::fprintf(stderr, "chronava html: ファイルオープンエラー [%s]\n", project.c_str());
        return 1;
    }
    opened.path = openedPath;
    const int rc = output::runHtmlOutput(setup, gifChartExport(up.record(), app::dataFolderOf(opened, installDir)));
    std::fflush(stdout);
    return rc == output::kHtmlRunOk ? 0 : 1;
}

}  // namespace appqt
