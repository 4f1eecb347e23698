#include "cli/fix_checksum_command.h"

#include <cstdint>

#include "cli/image_files.h"
#include "cli/json_output.h"
#include "core/firmware_image.h"
#include "core/text.h"

namespace orlindel::cli {

namespace {

constexpr size_t kMinChecksumImage = 8;

}  // namespace

int RunFixChecksum(const CommandLine& line, CommandContext& context) {
  const std::string& input = FileArgument(line);
  const std::string output = RequiredValue(line, "-o");
  FirmwareImage image = LoadInputImage(context, input);
  // The checksum word holds the XOR of the words before it; with no word
  // before it, no value of it makes the checksum valid.
  if (image.size() < kMinChecksumImage)
    throw CommandRangeError(Format(
        "The image is %zu bytes long; a checksum needs at least %zu bytes "
        "(two whole 32-bit words)",
        image.size(), kMinChecksumImage));
  SaveOutputImage(context, output, image);  // fixes the checksum first

  // The checksum word: the last whole little-endian word of the image.
  const size_t at = image.size() / 4 * 4 - 4;
  uint32_t checksum = 0;
  for (size_t k = 0; k < 4; ++k)
    checksum |= static_cast<uint32_t>(image[at + k]) << (8 * k);
  if (context.json) {
    WriteJsonLine(context.out,
                  Json{{"checksumOffset", at}, {"checksum", checksum}});
  } else {
    context.out << Format("checksum 0x%.8X at 0x%.5zX, written to %s\n",
                          checksum, at, output.c_str());
  }
  return kExitOk;
}

}  // namespace orlindel::cli
