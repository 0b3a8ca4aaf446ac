// Result codes of a chart's page export and the texts the output commands show.
#pragma once

#include <string>
#include <string_view>

namespace view {

enum ExportResult : int {
    kExportOk = 0,
    kExportNotFound = 4,
    kExportOpenError = 5,
    kExportCancelled = 20,
    kExportReadError = -1,   // page writers: a page file that cannot be created (the export
                             // reports it as kExportWriteError)
    kExportCloseError = -2,
    kExportNoMemory = -3,
    kExportWriteError = -4,
    kExportRangeError = -5,
    kExportMarginsTooLarge = -6,
    kExportInitError = -8,
    kExportNoFigure = -9,
    kExportNoContext = -10,   // the figure is too large: no drawing context
    kExportNoBitmapMemory = -11,
    kExportNoIndexMemory = -12,
    kExportNoBitmap = -13,
};

// The text shown for a result code; `name` is the file the code concerns.
std::string exportResultText(int code, std::string_view name);

}  // namespace view
