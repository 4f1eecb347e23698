// The file names the export dialogs suggest.
#pragma once

#include <QString>

namespace orlindel::editor {

// The absolute path of an export of the firmware at `firmware_path`: its name
// without the extension, followed by `ending` (".ips", "-layout.json",
// "-preview.png"), in the firmware's folder. Without a firmware path, the
// bare name "firmware" + `ending`, for the dialog's remembered folder.
QString ExportName(const QString& firmware_path, const QString& ending);

}  // namespace orlindel::editor
