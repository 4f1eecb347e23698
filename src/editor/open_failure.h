// The message for a file that was opened as a firmware image but is none.
#pragma once

#include <QString>

namespace orlindel::editor {

// What went wrong when the file at `path` could not be taken as a firmware
// image and the analysis stopped with `error_text` (a range or overflow
// error): what was looked for and not found, or where the search ran out,
// followed by the error's own text. The file is read once more to tell; a
// file that turns out to hold a window list after all gets `error_text`
// alone.
QString NotFirmwareMessage(const QString& path, const QString& error_text);

}  // namespace orlindel::editor
