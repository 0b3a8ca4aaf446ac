#include "view/results.h"

namespace view {

namespace {
std::string bracketed(std::string_view text, std::string_view name) {
    std::string s(text);
    s += '[';
    s += name;
    s += ']';
    return s;
}
}  // namespace

std::string exportResultText(int code, std::string_view name) {
    switch (code) {
    case kExportNotFound: return std::string(name) + "が見つかりません。";
    case kExportOpenError: return bracketed("ファイルオープンエラー", name);
    case kExportCancelled: return "出力処理は中断されました。";
    case kExportReadError: return bracketed("読み込みエラー", name);
    case kExportCloseError: return bracketed("ファイルクローズエラー", name);
    case kExportNoMemory: return "メモリが足りません。";
    case kExportWriteError: return "書き込みエラー";
    case kExportRangeError: return "タイミングチャート\n出力範囲指定に誤りがあります。";
    case kExportMarginsTooLarge: return "ファイルサイズに対して余白が大きすぎます。";
    case kExportInitError: return bracketed("初期化エラー", name);
    case kExportNoFigure: return bracketed("図が存在しません。", name);
    case kExportNoContext:
    case kExportNoBitmapMemory:
    case kExportNoIndexMemory:
    case kExportNoBitmap: return bracketed("図が大きすぎます。", name);
    default: return bracketed("出力エラー", std::to_string(code));
    }
}

}  // namespace view
