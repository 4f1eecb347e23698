#include "cli/apply_ips_command.h"

#include <cstdint>
#include <vector>

#include "cli/json_writer.h"
#include "core/firmware_image.h"
#include "core/patch/ips.h"
#include "core/text.h"

namespace orlindel::cli {

int RunApplyIps(const CommandLine& line, CommandContext& context) {
  const auto [image_path, patch_path] = TwoFileArguments(line, "A and PATCH");
  const std::string output = RequiredValue(line, "-o");
  const FirmwareImage image = LoadFirmwareFile(image_path);
  const std::vector<IpsRecord> records = ParseIps(LoadWholeFile(patch_path));
  const FirmwareImage patched = ApplyIpsRecords(image, records);
  SaveWholeFile(output, patched);

  const bool checksum_valid = IsImageChecksumValid(patched);
  if (context.json) {
    JsonWriter json;
    json.BeginObject()
        .Key("records")
        .Int(std::ssize(records))
        .Key("length")
        .Int(std::ssize(patched))
        .Key("checksumValid")
        .Bool(checksum_valid)
        .EndObject();
    context.out << json.text() << '\n';
  } else {
    context.out << Format("%zu IPS records applied, written to %s%s\n",
                          records.size(), output.c_str(),
                          checksum_valid ? "" : " (image checksum not valid)");
  }
  return kExitOk;
}

}  // namespace orlindel::cli
