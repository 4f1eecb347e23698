#include "cli/apply_ips_command.h"

#include <cstdint>
#include <vector>

#include "cli/image_files.h"
#include "cli/json_output.h"
#include "core/firmware_image.h"
#include "core/patch/ips.h"
#include "core/text.h"

namespace orlindel::cli {

int RunApplyIps(const CommandLine& line, CommandContext& context) {
  const auto [image_path, patch_path] = TwoFileArguments(line, "A and PATCH");
  const std::string output = RequiredValue(line, "-o");
  const FirmwareImage image = LoadInputImage(context, image_path);
  const std::vector<IpsRecord> records =
      ParseIps(LoadInputFile(context, patch_path), std::ssize(image));
  const FirmwareImage patched = ApplyIpsRecords(image, records);
  SaveOutputFile(context, output, patched);

  const bool checksum_valid = IsImageChecksumValid(patched);
  if (context.json) {
    WriteJsonLine(context.out, Json{{"records", std::ssize(records)},
                                    {"length", std::ssize(patched)},
                                    {"checksumValid", checksum_valid}});
  } else {
    context.out << Format("%zu IPS records applied, written to %s%s\n",
                          records.size(), output.c_str(),
                          checksum_valid ? "" : " (image checksum not valid)");
  }
  return kExitOk;
}

}  // namespace orlindel::cli
