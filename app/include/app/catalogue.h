// The numbered message catalogue of the shell, and the small catalogues of the chart
// window and the source list view.
#pragma once

#include <string>
#include <string_view>

namespace app {

// Text of catalogue message `no`, or an empty view when the number has no text.
std::string_view message(int no);
// True when the catalogue holds a text for `no`.
bool hasMessage(int no);

// printf-style filling of a catalogue text with text arguments ("%s"), and with one
// integer for "%d". Unused arguments are ignored; missing ones become empty.
std::string formatMessage(std::string_view fmt, std::string_view a1 = {}, std::string_view a2 = {},
                          std::string_view a3 = {});
std::string formatMessage(int no, std::string_view a1 = {}, std::string_view a2 = {},
                          std::string_view a3 = {});

// Messages of the chart window.
enum ChartMessage {
    kChartOutOfMemory = 1,      // "メモリが足りません。"
    kChartFileNotFound,         // "ファイルが見つかりません。"
    kChartOutdated,             // "日付けの古いタイミングチャートが存在します。"
    kChartMissing,              // "タイミングチャートが存在しません。"
    kChartWillGenerate,         // "タイミングチャート生成を実行します。"
    kChartCreating,             // "タイミングチャートを作成中です。"
    kChartSelectFile,           // "ファイルを選択してください。"
    kChartRegisterEditor,       // "[オプション]でユーザー指定エディタ名を登録してください。"
    kChartCannotStartEditor,    // "ユーザー指定エディタを起動できません。"
    kChartFirstPage,            // "先頭ページ表示中です。"
    kChartLastPage,             // "最終ページ表示中です。"
};
std::string_view chartMessage(int no);

// Messages of the source list view.
enum SourceMessage {
    kSourceFileOpenError = 1,   // "ファイルオープンエラー"
    kSourceFileName,            // "ファイル名(%s)"
    kSourceOutOfMemory,         // "メモリが足りません。"
    kSourceReading,             // "ソースリストを読み込み中です。"
    kSourceTooLarge,            // "ソースが大きすぎます。"
    kSourceBufferOverflow,      // "ソースリストバッファオーバ"
    kSourceTooWide,             // "ソースの桁数が制限を超えています。"
    kSourceShowing,             // "ソースリストを表示中です。"
    kSourceFirstPage,           // "先頭ページ表示中です。"
    kSourceLastPage,            // "最終ページ表示中です。"
    kSourceNotFoundInFunction,  // "指定関数内に検索文字列が見つかりません。"
    kSourceNotFound,            // "検索文字列が見つかりません。"
    kSourceEnterSearchText,     // "検索文字列を入力してください。"
    kSourceRegisterEditor,      // "[オプション]でユーザー指定エディタ名を登録してください。"
    kSourceCannotStartEditor,   // "ユーザー指定エディタを起動できません。"
};
std::string_view sourceMessage(int no);

}  // namespace app
