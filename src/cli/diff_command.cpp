#include "cli/diff_command.h"

#include <cstdint>
#include <string>
#include <vector>

#include "cli/json_writer.h"
#include "core/firmware_image.h"
#include "core/history/image_diff.h"
#include "core/history/labelled_changes.h"
#include "core/text.h"

namespace orlindel::cli {

namespace {

// A text line shows at most this many bytes of each side.
constexpr size_t kTextBytes = 16;

// The first `limit` bytes as upper-case hex; "..." when some are left out.
std::string Hex(const std::vector<uint8_t>& bytes, size_t limit) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  const size_t shown = bytes.size() < limit ? bytes.size() : limit;
  std::string text;
  text.reserve(2 * shown + 3);
  for (size_t k = 0; k < shown; ++k) {
    text += kDigits[bytes[k] >> 4];
    text += kDigits[bytes[k] & 0x0F];
  }
  if (shown < bytes.size()) text += "...";
  return text;
}

}  // namespace

int RunDiff(const CommandLine& line, CommandContext& context) {
  const auto [path_a, path_b] = TwoFileArguments(line, "A and B");
  const FirmwareImage a = LoadFirmwareFile(path_a);
  const FirmwareImage b = LoadFirmwareFile(path_b);
  // Images of different lengths are refused before the labelling runs.
  const EditList edits = DiffImages(a, b);
  const ChangeLabeller labeller(a);
  std::vector<LabelledChange> changes;
  for (const ByteEdit& edit : edits)
    changes.push_back({edit, labeller.Labels(edit.offset, edit.length())});

  if (context.json) {
    JsonWriter json;
    json.BeginObject().Key("changes").BeginArray();
    for (const LabelledChange& change : changes) {
      json.BeginObject()
          .Key("offset")
          .Int(change.edit.offset)
          .Key("length")
          .Int(change.edit.length())
          .Key("old")
          .String(Hex(change.edit.old_bytes, SIZE_MAX))
          .Key("new")
          .String(Hex(change.edit.new_bytes, SIZE_MAX))
          .Key("labels")
          .BeginArray();
      for (const std::string& label : change.labels) json.String(label);
      json.EndArray().EndObject();
    }
    json.EndArray().EndObject();
    context.out << json.text() << '\n';
    return kExitOk;
  }

  int64_t bytes = 0;
  for (const LabelledChange& change : changes) {
    bytes += change.edit.length();
    context.out << Format("0x%.5llX  len %lld  %s -> %s  %s\n",
                          static_cast<unsigned long long>(change.edit.offset),
                          static_cast<long long>(change.edit.length()),
                          Hex(change.edit.old_bytes, kTextBytes).c_str(),
                          Hex(change.edit.new_bytes, kTextBytes).c_str(),
                          JoinedLabels(change.labels).c_str());
  }
  context.out << Format("changed ranges: %zu, changed bytes: %lld\n",
                        changes.size(), static_cast<long long>(bytes));
  return kExitOk;
}

}  // namespace orlindel::cli
