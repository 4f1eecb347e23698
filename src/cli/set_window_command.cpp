#include "cli/set_window_command.h"

#include <cstdint>
#include <limits>
#include <optional>

#include "cli/image_files.h"
#include "cli/json_output.h"
#include "cli/window_report.h"
#include "core/errors.h"
#include "core/firmware_document.h"
#include "core/window_list.h"

namespace orlindel::cli {

namespace {

// The field values given on the command line; unset fields keep what the
// record holds.
struct WindowEdit {
  std::optional<uint16_t> left, top, right, bottom, pal_dy;
  std::optional<uint8_t> blend;
};

template <typename T>
std::optional<T> FieldValue(const CommandLine& line,
                            const std::string& option) {
  const std::optional<std::string> text = line.Value(option);
  if (!text) return std::nullopt;
  return static_cast<T>(
      ParseNumber(*text, 0, std::numeric_limits<T>::max(), option));
}

template <typename T>
void Apply(const std::optional<T>& value, int& field) {
  if (value) field = *value;
}

}  // namespace

int RunSetWindow(const CommandLine& line, CommandContext& context) {
  const std::string& input = FileArgument(line);
  const std::string output = RequiredValue(line, "-o");
  const int64_t id = ParseNumber(RequiredValue(line, "--id"), 0,
                                 std::numeric_limits<int32_t>::max(), "--id");
  const WindowEdit edit{FieldValue<uint16_t>(line, "--left"),
                        FieldValue<uint16_t>(line, "--top"),
                        FieldValue<uint16_t>(line, "--right"),
                        FieldValue<uint16_t>(line, "--bottom"),
                        FieldValue<uint16_t>(line, "--pal-dy"),
                        FieldValue<uint8_t>(line, "--blend")};

  FirmwareDocument document(LoadInputImage(context, input));
  const WindowListInfo list = document.LocateWindowList();
  // No window list, or no window N in it: nothing to edit, nothing written.
  CheckWindowId(list, id);
  const int n = static_cast<int>(id);
  // The whole record must lie inside the image, as the table shows it.
  WindowRecordOffset(document.image(), list, n);
  PaletteValues values = document.WindowValues(n);
  Apply(edit.left, values.left);
  Apply(edit.top, values.top);
  Apply(edit.right, values.right);
  Apply(edit.bottom, values.bottom);
  Apply(edit.pal_dy, values.pal_dy);
  Apply(edit.blend, values.blend);
  document.WriteWindow(n, values);  // fixes the checksum
  SaveOutputFile(context, output, document.image());
  const FirmwareImage& image = document.image();

  if (context.json) {
    WriteJsonLine(context.out, Json{{"window", WindowJson(image, list, n)}});
  } else {
    context.out << WindowTableHeader() << '\n'
                << WindowTableRow(image, list, n) << '\n'
                << "written to " << output << '\n';
  }
  return kExitOk;
}

}  // namespace orlindel::cli
