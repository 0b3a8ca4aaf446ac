#include "app/settings.h"

#include "app/catalogue.h"
#include "app/project.h"
#include "base/names.h"
#include "base/services.h"

namespace app {

int saveSettings(const UserParams& params, std::string_view caption, int catalogueNo) {
    if (params.write() == 0) return 0;
    base::services().warningBox(base::kBoxInfo, caption, message(catalogueNo));
    return -1;
}

DisplayOptions displayOptionsFrom(const ParamRecord& rec) {
    DisplayOptions o;
    o.tabWidthText = std::to_string(rec.tabWidth());
    o.editor = rec.editorPath();
    o.nameDisplay = rec.nameDisplay();
    o.sound = rec.completionSound();
    o.text = rec.sourceTextColour();
    o.back = rec.sourceBackColour();
    return o;
}

bool parseTabWidth(std::string_view text, int& out) {
    std::string t = base::trimBlanks(text);
    if (t.empty() || t.size() > 3) return false;
    int v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v > 32) return false;
    out = v;
    return true;
}

int applyDisplayOptions(UserParams& params, const DisplayOptions& o) {
    int tab = 0;
    if (!parseTabWidth(o.tabWidthText, tab)) {
        base::services().warningBox(base::kBoxInfo, "表示", formatMessage(message(0), o.tabWidthText));
        return 1;
    }
    ParamRecord& r = params.record();
    r.setTabWidth(tab);
    if (!r.setEditorPath(o.editor)) {
        base::services().warningBox(base::kBoxInfo, "表示", formatMessage(message(0), o.editor));
        return 1;
    }
    r.setNameDisplay(o.nameDisplay);
    r.setCompletionSound(o.sound);
    r.setSourceTextColour(o.resetColours ? Rgb{0, 0, 0} : o.text);
    r.setSourceBackColour(o.resetColours ? Rgb{255, 255, 255} : o.back);
    return saveSettings(params, "表示", 6);
}

int applyProjectOptions(AppCore& core, const std::string& systemName, int code) {
    Project& p = core.project();
    if (core.hasProject() && writeCss(p.path, systemName, "") != 0) {
        base::services().warningBox(base::kBoxInfo, "オプション", message(100), cssPath(p.path));
        return 1;
    }
    if (code >= 0 && code <= 3 && code != p.inputCode) {
        p.inputCode = code;
        core.params().record().setInputFileCode(code);
        if (core.hasProject()) rewriteInputFileCode(p.path, code);
    }
    return saveSettings(core.params(), "プロジェクト") == 0 ? 0 : -1;
}

bool imageTargetTicked(const ParamRecord& rec, std::size_t listOffset) {
    return (rec.u16(listOffset + 2 * kKindChart) & 0xFF) != 0;
}

void storeImageTargets(ParamRecord& rec, std::size_t listOffset, bool chartTicked) {
    for (int k = 0; k < kTargetKinds; ++k) rec.setU16(listOffset + 2 * k, (k + 1) * 256);
    rec.setU16(listOffset + 2 * kKindChart, 256 + (chartTicked ? 1 : 0));
}

}  // namespace app
