#include "cli/ips_command.h"

#include <cstdint>
#include <vector>

#include "cli/image_files.h"
#include "cli/json_output.h"
#include "core/firmware_image.h"
#include "core/patch/ips.h"
#include "core/text.h"

namespace orlindel::cli {

int RunIps(const CommandLine& line, CommandContext& context) {
  const auto [path_a, path_b] = TwoFileArguments(line, "A and B");
  const std::string output = RequiredValue(line, "-o");
  const FirmwareImage a = LoadInputImage(context, path_a);
  const FirmwareImage b = LoadInputImage(context, path_b);
  const std::vector<uint8_t> patch = WriteIps(a, b);
  SaveOutputFile(context, output, patch);
  // Counted from the patch itself, so no list of the records is ever held.
  const int64_t records = ReadIpsRecords(patch, std::ssize(b), nullptr);

  if (context.json) {
    WriteJsonLine(context.out, Json{{"records", records},
                                    {"patchLength", std::ssize(patch)}});
  } else {
    context.out << Format("%lld IPS records, %zu bytes, written to %s\n",
                          static_cast<long long>(records), patch.size(),
                          output.c_str());
  }
  return kExitOk;
}

}  // namespace orlindel::cli
