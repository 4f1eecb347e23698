#include "cli/fix_checksum_command.h"

#include <cstdint>

#include "cli/json_writer.h"
#include "core/firmware_image.h"
#include "core/text.h"

namespace orlindel::cli {

int RunFixChecksum(const CommandLine& line, CommandContext& context) {
  const std::string& input = FileArgument(line);
  const std::string output = RequiredValue(line, "-o");
  FirmwareImage image = LoadFirmwareFile(input);
  FixImageChecksum(image);  // RangeError under 4 bytes, before any file
  SaveFirmwareFile(output, image);

  // The checksum word: the last whole little-endian word of the image.
  const size_t at = image.size() / 4 * 4 - 4;
  uint32_t checksum = 0;
  for (size_t k = 0; k < 4; ++k)
    checksum |= static_cast<uint32_t>(image[at + k]) << (8 * k);
  if (context.json) {
    JsonWriter json;
    json.BeginObject();
    json.Key("checksumOffset").Int(static_cast<int64_t>(at));
    json.Key("checksum").Int(checksum);
    json.EndObject();
    context.out << json.text() << '\n';
  } else {
    context.out << Format("checksum 0x%.8X at 0x%.5zX, written to %s\n",
                          checksum, at, output.c_str());
  }
  return kExitOk;
}

}  // namespace orlindel::cli
