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
  // The records are written straight into the loaded image: no copy of it,
  // and no record held apart from the patch.
  FirmwareImage patched = LoadInputImage(context, image_path);
  const int64_t records =
      ApplyIpsInPlace(patched, LoadInputFile(context, patch_path));
  SaveOutputFile(context, output, patched);

  const bool checksum_valid = IsImageChecksumValid(patched);
  if (context.json) {
    WriteJsonLine(context.out, Json{{"records", records},
                                    {"length", std::ssize(patched)},
                                    {"checksumValid", checksum_valid}});
  } else {
    context.out << Format("%lld IPS records applied, written to %s%s\n",
                          static_cast<long long>(records), output.c_str(),
                          checksum_valid ? "" : " (image checksum not valid)");
  }
  return kExitOk;
}

}  // namespace orlindel::cli
