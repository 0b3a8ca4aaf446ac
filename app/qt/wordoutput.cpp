#include "wordoutput.h"

#include "chartexport.h"
#include "chartsupport.h"
#include "icons.h"
#include "mainframe.h"
#include "outputdialog.h"

#include "app/catalogue.h"
#include "app/project.h"
#include "app/shell.h"
#include "base/files.h"
#include "base/names.h"
#include "base/services.h"
#include "output/definition.h"
#include "view/qt/painter_canvas.h"
#include "word/wordrun.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemWatcher>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

namespace appqt {
namespace {

constexpr int kTreeImages[] = {6, 7, 10};  // cover, contents, timing chart
const int kKinds[] = {0, 1, 17};

int rowOfKind(int kind) { return kind == 0 ? 0 : kind == 1 ? 1 : 2; }

std::string utf8(const QString& s) { return s.toStdString(); }

// Writes the user's parameter file; a failure is told once, with catalogue 906 in a
// warning box captioned like the dialog.
void saveParams(app::UserParams& params, const char* caption) {
    if (!base::writeFileAtomic(params.path(), app::paramFileBytes(params.record())))
        base::services().warningBox(base::kBoxInfo, caption, app::message(906));
}
QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

// ---- OUTWORDDLG ------------------------------------------------------------------

WordOutputDialog::WordOutputDialog(MainFrame& frame) : HelpDialog(&frame, 822) {
    setObjectName("OUTWORDDLG");
    setWindowTitle(word::kDialogCaption);
    app::ParamRecord& rec = frame.core().params().record();
    output::TargetList targets{};
    for (int k = 0; k < output::kTargetCount; ++k) targets[k] = rec.wordTarget(k);
    output::prepareTargets(targets);
    targets[11] = 0;
    for (int k = 0; k < output::kTargetCount; ++k) rec.setWordTarget(k, targets[k]);

    auto* box = new QGroupBox("出力対象と出力順序", this);
    list_ = new QTreeWidget(box);
    list_->setObjectName("targets");
    list_->setColumnCount(1);
    list_->setHeaderHidden(true);
    list_->setRootIsDecorated(false);
    list_->setDragDropMode(QAbstractItemView::InternalMove);
    list_->setDefaultDropAction(Qt::MoveAction);
    for (int pos = 1; pos <= 17; ++pos) {
        for (int kind : kKinds) {
            if (output::targetPosition(targets[kind]) != pos) continue;
            auto* item = new QTreeWidgetItem(list_, {QString::fromUtf8(word::kindName(kind))});
            item->setIcon(0, treeIcon(kTreeImages[rowOfKind(kind)]));
            item->setData(0, Qt::UserRole, kind);
            // Items move between rows but never take others as children.
            item->setFlags((item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled) & ~Qt::ItemIsDropEnabled);
            item->setCheckState(0, output::targetOrder(targets[kind]) ? Qt::Checked : Qt::Unchecked);
        }
    }
    layOutTargetList(box, list_, [this](Qt::CheckState s) {
        for (int i = 0; i < list_->topLevelItemCount(); ++i) list_->topLevelItem(i)->setCheckState(0, s);
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText("キャンセル");
    auto* options = buttons->addButton("オプション(&O)...", QDialogButtonBox::ActionRole);
    options->setObjectName("options");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(options, &QPushButton::clicked, this, [this] {
        WordOptionsDialog dlg(*frame_);
        dlg.exec();
    });
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(box, 1);
    outer->addWidget(buttons);
    resize(380, 240);
}

void WordOutputDialog::moveItem(int from, int to) {
    const int n = list_->topLevelItemCount();
    if (from < 0 || from >= n) return;
    to = std::clamp(to, 0, n - 1);
    QTreeWidgetItem* item = list_->takeTopLevelItem(from);
    list_->insertTopLevelItem(to, item);
}

void WordOutputDialog::accept() {
    std::vector<output::TargetRow> rows;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list_->topLevelItem(i);
        rows.push_back({item->data(0, Qt::UserRole).toInt(), item->checkState(0) == Qt::Checked});
    }
    const output::TargetList targets = output::targetsFromRows(rows);
    app::AppCore& core = frame_->core();
    app::ParamRecord& rec = core.params().record();
    for (int k = 0; k < output::kTargetCount; ++k) rec.setWordTarget(k, k == 11 ? 0 : targets[k]);
    saveParams(core.params(), word::kDialogCaption);
    const word::CheckResult check = word::checkBeforeRun(
        rec, core.project().path, core.dataFolder());
    if (check == word::CheckResult::MissingKind) {
        // The generation dialog opens once this command has returned to the frame.
        MainFrame* frame = frame_;
        QTimer::singleShot(0, frame, [frame] { frame->dispatch(cmd::kGenerate); });
    }
    if (check != word::CheckResult::Ok) return;
    QDialog::accept();
}

// ---- Word options ------------------------------------------------------------------

WordOptionsDialog::WordOptionsDialog(MainFrame& frame) : HelpDialog(&frame, 823) {
    setObjectName("950");
    setWindowTitle(word::kOptionsCaption);
    const app::ParamRecord& rec = frame.core().params().record();
    auto fileRow = [this](QLineEdit*& edit, const char* name, QWidget* parent) {
        edit = new QLineEdit(parent);
        edit->setObjectName(name);
        auto* button = new QPushButton("...", parent);
        button->setObjectName(QString(name) + "Button");
        button->setFixedWidth(28);
        auto* row = new QHBoxLayout;
        row->addWidget(edit, 1);
        row->addWidget(button);
        return std::make_pair(row, button);
    };

    auto* files = new QGroupBox("テンプレートとフォーム", this);
    auto [folderRow, folderButton] = fileRow(folder_, "folder", files);
    auto [templRow, templButton] = fileRow(template_, "template", files);
    auto* grid = new QVBoxLayout(files);
    grid->addWidget(new QLabel("フォルダ(&F):", files));
    grid->addLayout(folderRow);
    grid->addWidget(new QLabel("テンプレート(&T):", files));
    grid->addLayout(templRow);
    template_->setText(qs(rec.wordTemplate()));
    folder_->setText(qs(base::folderOf(rec.wordTemplate())));

    auto* forms = new QGroupBox("フォーム", this);
    kinds_ = new QListWidget(forms);
    kinds_->setObjectName("kinds");
    for (int kind : kKinds) {
        kinds_->addItem(QString::fromUtf8(word::kindName(kind)));
        forms_[rowOfKind(kind)] = qs(rec.wordForm(kind));
    }
    auto [formRow, formButton] = fileRow(form_, "form", forms);
    auto* fl = new QVBoxLayout(forms);
    fl->addWidget(kinds_);
    fl->addLayout(formRow);

    auto* out = new QGroupBox("出力ドキュメント", this);
    auto [docRow, docButton] = fileRow(document_, "document", out);
    auto* ol = new QVBoxLayout(out);
    ol->addWidget(new QLabel("出力ファイル(&O):", out));
    ol->addLayout(docRow);
    document_->setText(qs(rec.wordDocument()));

    roman_ = new QCheckBox("目次のページ番号をローマ数字で表示(&G)", this);
    roman_->setObjectName("roman");
    roman_->setChecked(rec.wordRomanPages() == 1);
    auto* run = new QGroupBox("Word 実行", this);
    visible_ = new QRadioButton("ウィンドウを表示して実行(&X)", run);
    visible_->setObjectName("visible");
    minimised_ = new QRadioButton("最小化状態で実行(&I)", run);
    minimised_->setObjectName("minimised");
    (rec.wordMinimised() == 1 ? minimised_ : visible_)->setChecked(true);
    auto* rl = new QVBoxLayout(run);
    rl->addWidget(visible_);
    rl->addWidget(minimised_);

    // Typing a folder names the template after it.
    connect(folder_, &QLineEdit::textEdited, this, [this](const QString& f) {
        std::string folder = base::stripTrailingSlash(utf8(f));
        if (folder.empty()) return;
        template_->setText(qs(base::joinPath(folder, base::splitPath(folder).name + ".dot")));
    });
    connect(folderButton, &QPushButton::clicked, this, [this] {
        std::string folder = utf8(folder_->text());
        if (base::services().pickFolder("フォームファイルフォルダ設定", folder)) moveIntoFolder(qs(folder));
    });
    auto pick = [this](QLineEdit* edit, const char* filter, int mode) {
        std::string path = utf8(edit->text());
        int index = 0;
        if (base::services().pickFile(mode, path, filter, index)) edit->setText(qs(path));
    };
    connect(templButton, &QPushButton::clicked, this,
            [this, pick] { pick(template_, "テンプレートファイル(*.dot)", base::kPickOpen); });
    connect(formButton, &QPushButton::clicked, this, [this, pick] { pick(form_, "フォームファイル(*.doc)", base::kPickOpen); });
    connect(docButton, &QPushButton::clicked, this,
            [this, pick] { pick(document_, "フォームファイル(*.doc)", base::kPickOpenNoCheck); });
    connect(kinds_, &QListWidget::currentRowChanged, this, [this](int row) { showForm(row); });
    connect(form_, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (shownRow_ >= 0) forms_[shownRow_] = t;
    });
    kinds_->setCurrentRow(2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText("キャンセル");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(files);
    outer->addWidget(forms);
    outer->addWidget(out);
    outer->addWidget(roman_);
    outer->addWidget(run);
    outer->addWidget(buttons);
    resize(460, 560);
}

void WordOptionsDialog::showForm(int row) {
    shownRow_ = -1;
    form_->setText(row >= 0 && row < 3 ? forms_[row] : QString());
    shownRow_ = row;
}

void WordOptionsDialog::moveIntoFolder(const QString& f) {
    const std::string folder = base::stripTrailingSlash(utf8(f));
    folder_->setText(qs(folder));
    auto moved = [&](const QString& path, const std::string& fallback) {
        std::string name = base::splitPath(utf8(path)).name;
        return qs(base::joinPath(folder, name.empty() ? fallback : name));
    };
    template_->setText(moved(template_->text(), "word.dot"));
    for (int kind : kKinds) {
        QString& form = forms_[rowOfKind(kind)];
        form = moved(form, std::string(word::kindName(kind)) + ".doc");
    }
    showForm(kinds_->currentRow());
}

void WordOptionsDialog::accept() {
    app::AppCore& core = frame_->core();
    const std::string templ = utf8(template_->text());
    if (word::isLauncherTemplate(templ, core.installDir())) {
        base::services().warningBox(base::kBoxInfo, word::kOptionsCaption, app::message(913), templ);
        return;
    }
    app::ParamRecord& rec = core.params().record();
    rec.setWordTemplate(templ);
    for (int kind : kKinds) rec.setWordForm(kind, utf8(forms_[rowOfKind(kind)]));
    rec.setWordDocument(utf8(document_->text()));
    rec.setWordRomanPages(roman_->isChecked() ? 1 : 0);
    rec.setWordMinimised(minimised_->isChecked() ? 1 : 0);
    saveParams(core.params(), word::kOptionsCaption);
    QDialog::accept();
}

// ---- the watch ---------------------------------------------------------------------

WordWatch::WordWatch(MainFrame& frame) : QObject(&frame), frame_(frame) {
    timer_ = new QTimer(this);
    timer_->setObjectName(QString("timer%1").arg(word::kWatchTimerId));
    timer_->setInterval(word::kWatchPeriodMs);
    files_ = new QFileSystemWatcher(this);
    connect(timer_, &QTimer::timeout, this, &WordWatch::check);
    connect(files_, &QFileSystemWatcher::fileChanged, this, &WordWatch::check);
    connect(files_, &QFileSystemWatcher::directoryChanged, this, &WordWatch::check);
}

void WordWatch::start(const std::string& installDir) {
    installDir_ = installDir;
    if (!files_->directories().isEmpty()) files_->removePaths(files_->directories());
    if (!files_->files().isEmpty()) files_->removePaths(files_->files());
    // The folder tells when the file appears; the file, when it grows.
    files_->addPath(qs(installDir));
    if (!timer_->isActive()) timer_->start();
}

bool WordWatch::active() const { return timer_->isActive(); }

void WordWatch::check() {
    if (!timer_->isActive()) return;
    const QString log = qs(base::joinPath(installDir_, word::kProgressName));
    if (!files_->files().contains(log) && base::fileExists(utf8(log))) files_->addPath(log);
    if (!word::progressWatch().poll(installDir_)) return;
    timer_->stop();
    files_->removePaths(files_->files());
    word::progressWatch().finish(frame_.core().params().record());
}

// ---- the frame command -------------------------------------------------------------

void registerWordOutput(MainFrame& frame) {
    auto* watch = new WordWatch(frame);
    frame.setCommandHandler(cmd::kWord, [&frame, watch] {
        if (!frame.hasProject()) return;
        app::AppCore& core = frame.core();
        word::makeWordPathsAbsolute(core.params().record(), core.installDir());
        WordOutputDialog dlg(frame);
        if (dlg.exec() != QDialog::Accepted) return;
        word::RunInput in;
        in.installDir = core.installDir();
        in.projectPath = core.project().path;
        in.dataFolder = core.dataFolder();
        in.rec = core.params().record();
        in.params = chartParamsFrom(in.rec);
        in.screen = screenMetrics();
        in.builderProgram = word::builderProgramFor(in.installDir, app::executableDir());
        if (word::runWordOutput(in) == word::RunResult::Started) watch->start(in.installDir);
    });
}

// ---- chronava word -----------------------------------------------------------------

namespace {

// The console services of the subcommand: the lines of the "Word" list go to
// standard output, everything else to standard error.
class WordConsole : public base::ConsoleServices {
public:
    WordConsole() : ConsoleServices(true) {}
    void appendMessage(int list, std::string_view text) override {
        if (list == base::kListWord) {
            std::printf("%.*s\n", static_cast<int>(text.size()), text.data());
            std::fflush(stdout);
        } else {
            ConsoleServices::appendMessage(list, text);
        }
    }
};

// A program on PATH, or "" when there is none.
std::string findOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string all = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find(':', start);
        if (end == std::string::npos) end = all.size();
        std::string candidate = base::joinPath(all.substr(start, end - start), name);
        if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

void wordUsage() {
    std::fprintf(stderr, "usage: chronava word PROJECT.nam [--user NAME] [--pdf]\n"
                         "Builds the Word document (.docx) of a project with the user's Word settings;\n"
                         "--pdf also converts it to PDF with LibreOffice.\n");
}

}  // namespace

int wordCommand(int argc, char** argv) {
    std::string project, user;
    bool pdf = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--pdf") pdf = true;
        else if (a == "--user" && i + 1 < argc) user = argv[++i];
        else if (a.rfind("--user=", 0) == 0) user = a.substr(7);
        else if (a == "--help" || a == "-h") {
            wordUsage();
            return 0;
        } else if (!a.empty() && a[0] != '-' && project.empty()) project = a;
        else {
            wordUsage();
            return 2;
        }
    }
    if (project.empty()) {
        wordUsage();
        return 2;
    }
    char* real = realpath(project.c_str(), nullptr);
    if (real) {
        project = real;
        std::free(real);
    }
    const std::unique_ptr<QGuiApplication> qapp = startHeadlessPages(argv[0]);

    WordConsole console;
    base::ScopedServices installed(console);
    const std::string installDir = app::workingInstallDir(app::executableDir());
    app::UserParams up(installDir, user);
    if (up.read({}) != 0) return 1;
    app::ParamRecord rec = up.record();
    bool anyTicked = false;
    for (int kind : kKinds) anyTicked = anyTicked || output::targetOrder(rec.wordTarget(kind)) != 0;
    if (!anyTicked) {
        // Settings never made in the dialog: cover, contents and charts with the stock forms.
        std::fprintf(stderr, "chronava word: no Word output target is ticked; using cover, contents and timing "
                             "charts with the installed forms\n");
        for (int i = 0; i < 3; ++i) {
            rec.setWordTarget(kKinds[i], output::targetEntry(i + 1, i + 1));
            if (rec.wordForm(kKinds[i]).find_first_not_of(' ') == std::string::npos)
                rec.setWordForm(kKinds[i], std::string("Forms/Word/A4縦/") + word::kindName(kKinds[i]) + ".doc");
        }
    }
    word::makeWordPathsAbsolute(rec, installDir);
    app::Project opened;
    if (app::openProject(project, app::defaultDataDir(installDir, user), opened) != 0) {
        std::fprintf(stderr, "chronava word: ファイルオープンエラー [%s]\n", project.c_str());
        return 1;
    }
    opened.path = project;
    const std::string dataFolder = app::dataFolderOf(opened, installDir);
    if (word::checkBeforeRun(rec, project, dataFolder) != word::CheckResult::Ok) {
        std::fprintf(stderr, "chronava word: the project cannot be output [%s]\n", project.c_str());
        return 1;
    }
    word::RunInput in;
    in.installDir = installDir;
    in.projectPath = project;
    in.dataFolder = dataFolder;
    in.rec = rec;
    in.params = chartParamsFrom(rec);
    in.params.tellPageCount = false;
    in.screen = screenMetrics();
    in.builderProgram = word::builderProgramFor(installDir, app::executableDir());
    // The command line never opens the document in a desktop program.
    in.rec.setWordMinimised(1);
    const word::RunResult result = word::runWordOutput(in);
    if (result == word::RunResult::NothingToDo) {
        std::fprintf(stderr, "chronava word: no timing chart target is ticked; no document was built\n");
        return 1;
    }
    if (result != word::RunResult::Started) return 1;
    int status = 0;
    const pid_t pid = word::wordRunState().builder;
    if (pid > 0) waitpid(pid, &status, 0);
    word::wordRunState().builder = 0;
    const bool ended = word::progressWatch().poll(installDir);
    word::progressWatch().finish(in.rec);
    if (!ended || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;

    if (pdf) {
        std::string doc = rec.wordDocument();
        if (doc.empty()) doc = base::replaceExtension(project, ".doc");
        if (base::hasExtension(doc, ".doc")) doc += "x";
        else if (base::extensionOf(doc).empty()) doc += ".docx";
        const std::string soffice = findOnPath("soffice");
        if (soffice.empty()) {
            std::fprintf(stderr, "chronava word: LibreOffice is not installed (no soffice on PATH); the PDF was not "
                                 "written. Install libreoffice-writer-nogui to convert documents.\n");
            return 3;
        }
        const std::string profile = "file:///tmp/chronava-lo-" + std::to_string(getuid());
        std::vector<std::string> args{"-env:UserInstallation=" + profile, "--headless", "--convert-to", "pdf",
                                      "--outdir", base::folderOf(doc), doc};
        const int rc = console.Services::runAndWait(soffice, args, base::folderOf(doc));
        const std::string pdfPath = base::replaceExtension(doc, ".pdf");
        if (rc != 0 || !base::fileExists(pdfPath)) {
            std::fprintf(stderr, "chronava word: LibreOffice could not convert %s\n", doc.c_str());
            return 1;
        }
        std::printf("%s\n", pdfPath.c_str());
    }
    return 0;
}

}  // namespace appqt
