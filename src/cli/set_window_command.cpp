#include "cli/set_window_command.h"

#include <cstdint>
#include <limits>
#include <optional>

#include "cli/image_files.h"
#include "cli/json_output.h"
#include "cli/window_report.h"
#include "core/errors.h"
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
void Apply(const std::optional<T>& value, T& field) {
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

  FirmwareImage image = LoadInputImage(context, input);
  const WindowListInfo list = FindWindowList(image);
  // No window list, or no window N in it: nothing to edit, nothing written.
  if (id >= list.count) throw RangeError();
  const int n = static_cast<int>(id);
  const int64_t offset = WindowRecordOffset(image, list, n);
  WindowRecord record = ReadWindowRecordAt(image, offset);
  Apply(edit.left, record.left);
  Apply(edit.top, record.top);
  Apply(edit.right, record.right);
  Apply(edit.bottom, record.bottom);
  Apply(edit.pal_dy, record.pal_dy);
  Apply(edit.blend, record.blend);
  WriteWindowRecordAt(image, offset, record);
  SaveOutputImage(context, output, image);  // fixes the checksum first

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
