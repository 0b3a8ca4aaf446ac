// Settings pages and dialogs without their windows: the values they show, the checks
// of their OK button and how they store into the parameter record and the project.
#pragma once

#include <string>
#include <string_view>

#include "app/params.h"
#include "app/shell.h"

namespace app {

// Writes the parameter file after a settings dialog; on failure a warning box with
// the dialog's caption and catalogue `catalogueNo` (906, or 6 on the page "表示").
// 0 or -1.
int saveSettings(const UserParams& params, std::string_view caption, int catalogueNo = 906);

// Options page "表示".
struct DisplayOptions {
    std::string tabWidthText;  // as typed
    std::string editor;
    int nameDisplay = 0;       // 0 name only, 1 relative, 2 absolute
    int sound = 0;             // 0 none, 1 beep
    Rgb text{0, 0, 0};
    Rgb back{255, 255, 255};
    bool resetColours = false; // "標準色に戻す(&S)" pending
};
DisplayOptions displayOptionsFrom(const ParamRecord& rec);
// A decimal number from 0 to 32, blanks around it allowed; anything else is refused.
bool parseTabWidth(std::string_view text, int& out);
// OK of the page: 0 stored and written; 1 bad tab width (warning box "表示" with
// catalogue 0 and the text, nothing stored); -1 the file could not be written.
int applyDisplayOptions(UserParams& params, const DisplayOptions& o);

// Options page "プロジェクト": 0; 1 when the .css file cannot be written (warning box
// "オプション", the page keeps the dialog open); -1 when the parameter file cannot be
// written. A changed code becomes the project's and is rewritten in its file.
int applyProjectOptions(AppCore& core, const std::string& systemName, int code);

// Output target dialogs of metafiles and GIF files (lists at off::kMetafileTargets
// and off::kGifTargets): the chart is ticked when its entry's low byte is non-zero.
bool imageTargetTicked(const ParamRecord& rec, std::size_t listOffset);
// OK: the chart, the only kind offered (row 0), gets 256 plus 1 when ticked; every
// other kind (kind + 1) * 256.
void storeImageTargets(ParamRecord& rec, std::size_t listOffset, bool chartTicked);

// Generation dialog: the check state of "タイミングチャート(&G)".
inline void storeGenerationChoice(ParamRecord& rec, bool chart) { rec.setGenerationTarget(kKindChart, chart ? 1 : 0); }

}  // namespace app
