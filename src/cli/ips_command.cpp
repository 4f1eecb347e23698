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
  const std::vector<IpsRecord> records = PlanIpsRecords(a, b);
  const std::vector<uint8_t> patch = EncodeIps(records);
  SaveOutputFile(context, output, patch);

  if (context.json) {
    WriteJsonLine(context.out, Json{{"records", std::ssize(records)},
                                    {"patchLength", std::ssize(patch)}});
  } else {
    context.out << Format("%zu IPS records, %zu bytes, written to %s\n",
                          records.size(), patch.size(), output.c_str());
  }
  return kExitOk;
}

}  // namespace orlindel::cli
