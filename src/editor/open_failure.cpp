#include "editor/open_failure.h"

#include <QDir>
#include <iterator>
#include <optional>

#include "core/checks.h"
#include "core/errors.h"
#include "core/firmware_image.h"
#include "core/window_list.h"
#include "editor/local_path.h"

namespace orlindel::editor {

namespace {

// Why the image holds no usable window list; nothing when it holds one.
std::optional<QString> MissingPart(const FirmwareImage& image) {
  WindowListInfo list;
  try {
    list = FindWindowList(image);
  } catch (const OrlindelError&) {
    if (std::ssize(image) > kAnalysisLimit)
      return QString(
                 "No list of OSD windows was found in its first %1 bytes, "
                 "as far as the search goes.")
          .arg(kAnalysisLimit + 1);
    return QString(
        "The search for its list of OSD windows ran out: a table entry "
        "points past the end of the file.");
  }
  if (list.count == 0)
    return QString(
        "No list of OSD windows was found in it: no table whose first five "
        "entries lead to plausible window records.");
  return std::nullopt;
}

}  // namespace

QString NotFirmwareMessage(const QString& path, const QString& error_text) {
  std::optional<QString> missing;
  try {
    missing = MissingPart(LoadFirmwareFile(LocalPath(path)));
  } catch (const OrlindelError&) {
    return error_text;  // it cannot even be read again
  }
  if (!missing)
    missing = QString(
        "Its list of OSD windows was found, but the data it leads to runs "
        "past the end of the file.");
  return QString(
             "\"%1\" is not a firmware image this editor can open.\n%2\n(%3)")
      .arg(QDir::toNativeSeparators(path), *missing, error_text);
}

}  // namespace orlindel::editor
