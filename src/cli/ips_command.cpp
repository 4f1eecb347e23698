#include "cli/ips_command.h"

#include <cstdint>
#include <vector>

#include "cli/json_writer.h"
#include "core/firmware_image.h"
#include "core/patch/ips.h"
#include "core/text.h"

namespace orlindel::cli {

int RunIps(const CommandLine& line, CommandContext& context) {
  const auto [path_a, path_b] = TwoFileArguments(line, "A and B");
  const std::string output = RequiredValue(line, "-o");
  const FirmwareImage a = LoadFirmwareFile(path_a);
  const FirmwareImage b = LoadFirmwareFile(path_b);
  const std::vector<IpsRecord> records = PlanIpsRecords(a, b);
  const std::vector<uint8_t> patch = EncodeIps(records);
  SaveWholeFile(output, patch);

  if (context.json) {
    JsonWriter json;
    json.BeginObject()
        .Key("records")
        .Int(std::ssize(records))
        .Key("patchLength")
        .Int(std::ssize(patch))
        .EndObject();
    context.out << json.text() << '\n';
  } else {
    context.out << Format("%zu IPS records, %zu bytes, written to %s\n",
                          records.size(), patch.size(), output.c_str());
  }
  return kExitOk;
}

}  // namespace orlindel::cli
