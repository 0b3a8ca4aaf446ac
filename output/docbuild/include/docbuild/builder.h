// The document builder: reads the definition file "word.dif" of the installation
// folder, builds the Word document it describes from the template and the forms, and
// reports each step as a line of "word.log" in the same folder (CP932, CR LF). The
// last line always contains "終了", also after a failure, whose reason stands on the
// line before it, so that a program watching the file knows when the builder is done.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace docbuild {

inline constexpr const char* kDefinitionName = "word.dif";
inline constexpr const char* kProgressName = "word.log";

// Lines of the progress file.
inline constexpr const char* kStartLine = "Word ドキュメントの作成を開始します。[%s]";
inline constexpr const char* kTemplateLine = "テンプレートを読み込みました。[%s]";
inline constexpr const char* kTargetLine = "%sを作成しました。";
inline constexpr const char* kSourceLine = "タイミングチャートを作成しました。[%s]";
inline constexpr const char* kSkippedLine = "この出力対象は作成できません。[%s]";
inline constexpr const char* kDocumentLine = "ドキュメントを出力しました。[Word : %s]";
inline constexpr const char* kOpenedLine = "ドキュメントを開きました。[%s]";
inline constexpr const char* kOpenFailedLine = "ドキュメントを開けません。[%s]";
inline constexpr const char* kDoneLine = "Word ドキュメントの作成を終了しました。";
inline constexpr const char* kFailedLine = "Word ドキュメントの作成が異常終了しました。";

// The progress file: each line is written and flushed at once, so a watcher sees it
// while the builder works. The first failure (the file cannot be made, a line cannot
// be written whole) is kept for `close` to tell.
class ProgressLog {
public:
    explicit ProgressLog(const std::string& path);
    ~ProgressLog();
    ProgressLog(const ProgressLog&) = delete;
    ProgressLog& operator=(const ProgressLog&) = delete;
    bool isOpen() const { return f_ != nullptr; }
    void line(std::string_view text);
    // Closes the file; 0 when every line is in it, else the error number of the first
    // failure.
    int close();

private:
    std::FILE* f_ = nullptr;
    int error_ = 0;
};

// Said on standard error when the progress file is incomplete ("%s": the file and the
// reason). The document's own result does not change: it is complete or it is not.
inline constexpr const char* kProgressLostLine = "進行状況を書き込めませんでした。[%s: %s]";

struct BuildOptions {
    // Opens the finished document with the desktop's program ("-vis=on"); true when
    // it started. The program's default runs xdg-open detached.
    std::function<bool(const std::string&)> openDocument;
    // The date put under "$DTD"; empty for today.
    std::string date;
};

// Runs the builder for the installation folder. Returns 0 when the document was
// written, 1 otherwise (the reason is in the progress file). A progress file that
// could not be written whole is told on standard error.
int buildDocument(const std::string& installDir, const BuildOptions& options);

// The date as documents show it: "%4d 年 %2d 月 %2d 日".
std::string documentDate(int year, int month, int day);

// Starts xdg-open on `path` without waiting for it.
bool openWithDesktop(const std::string& path);

}  // namespace docbuild
