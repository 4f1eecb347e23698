#include "cli/bps_commands.h"

#include <cstdint>
#include <vector>

#include "cli/image_files.h"
#include "cli/json_output.h"
#include "core/firmware_document.h"
#include "core/firmware_image.h"
#include "core/patch/bps.h"
#include "core/patch/crc32.h"
#include "core/patch/patch_format.h"
#include "core/text.h"

namespace orlindel::cli {

namespace {

std::string CrcText(uint32_t crc) { return Format("%08X", crc); }

}  // namespace

int RunBps(const CommandLine& line, CommandContext& context) {
  const auto [path_a, path_b] = TwoFileArguments(line, "A and B");
  const std::string output = RequiredValue(line, "-o");
  const FirmwareImage a = LoadInputImage(context, path_a);
  const FirmwareImage b = LoadInputImage(context, path_b);
  const std::vector<uint8_t> patch = MakeBpsPatch(a, b);
  SaveOutputFile(context, output, patch);

  const std::string source_crc = CrcText(Crc32(a));
  const std::string target_crc = CrcText(Crc32(b));
  if (context.json) {
    WriteJsonLine(context.out, Json{{"patchLength", std::ssize(patch)},
                                    {"sourceCrc", source_crc},
                                    {"targetCrc", target_crc}});
  } else {
    context.out << Format(
        "BPS patch of %zu bytes from CRC32 %s to CRC32 %s, written to %s\n",
        patch.size(), source_crc.c_str(), target_crc.c_str(), output.c_str());
  }
  return kExitOk;
}

int RunApplyBps(const CommandLine& line, CommandContext& context) {
  const auto [image_path, patch_path] = TwoFileArguments(line, "A and PATCH");
  const std::string output = RequiredValue(line, "-o");
  const FirmwareImage image = LoadInputImage(context, image_path);
  const io::FileBytes patch = LoadInputFile(context, patch_path);
  if (PatchFormatOf(patch) != PatchFormat::kBps)
    throw PatchError("Not a BPS patch: it does not begin with \"BPS1\"");
  CheckBpsSourceFits(ReadBpsHeader(patch), image);
  // The target is built straight into its own buffer: the same bytes the
  // editor's in-place edit gives, without a list of the changes.
  const FirmwareImage patched = ApplyBpsPatch(image, patch);
  SaveOutputFile(context, output, patched);

  const bool checksum_valid = IsImageChecksumValid(patched);
  if (context.json) {
    WriteJsonLine(context.out, Json{{"length", std::ssize(patched)},
                                    {"checksumValid", checksum_valid}});
  } else {
    context.out << Format("BPS patch applied, %lld bytes, written to %s%s\n",
                          static_cast<long long>(patched.size()),
                          output.c_str(),
                          checksum_valid ? "" : " (image checksum not valid)");
  }
  return kExitOk;
}

}  // namespace orlindel::cli
