// The File menu's actions that carry work between firmware files: applying
// a patch, exporting and importing a layout, and saving the preview as a
// picture. Each asks through the dialogs seam and throws the core's errors
// for the caller to show (run it through RunGuarded). The folder of a file
// is remembered for its kind of dialog once the action has succeeded.
#pragma once

#include <QImage>

#include "editor/editor_document.h"
#include "editor/user_dialogs.h"

namespace orlindel::editor {

// Asks for an IPS or BPS patch file and applies it to the open image as one
// history entry "Apply patch NAME", then has every view read the image
// again (see EditorDocument::Changed). PatchError, nothing changed, for a BPS
// patch made from another file (the text names both CRC32s), a damaged patch,
// or one that would change the image's length. Nothing happens without an open
// firmware.
void ApplyPatchFromFile(EditorDocument& editor, UserDialogs& dialogs);

// Asks for a file ("NAME.ips" beside the opened firmware suggested) and
// writes a patch from the firmware as opened to the image there: BPS for a
// ".bps" name, IPS otherwise. With no change since the open it says so and
// writes nothing. Nothing happens without an open firmware.
void ExportPatchToFile(EditorDocument& editor, UserDialogs& dialogs);

// Asks for a file ("NAME-layout.json" beside the firmware suggested) and
// writes the layout document of the open image there.
void ExportLayoutToFile(EditorDocument& editor, UserDialogs& dialogs);

// Asks for a layout document and imports it as one history entry "Import
// layout NAME", then shows a summary in an information window: the items
// changed, unchanged and not applied, counted, with the names of those
// changed and the reasons of those not applied. A layout that does not
// wholly fit is refused with its reasons, and the user is asked whether to
// import the parts that fit instead; nothing is applied on no.
void ImportLayoutFromFile(EditorDocument& editor, UserDialogs& dialogs);

// The summary shown after an import (rich text).
QString LayoutImportSummary(const LayoutImport& import);

// Asks for a picture file ("NAME-preview.png" beside the firmware at
// `firmware_path` suggested) and writes `bitmap` there in the format its
// suffix names. FileError for a suffix that names no format Qt can write, or
// a file that cannot be written.
void ExportPreviewToFile(const QImage& bitmap, const QString& firmware_path,
                         UserDialogs& dialogs);

}  // namespace orlindel::editor
