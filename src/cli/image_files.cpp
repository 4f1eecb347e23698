#include "cli/image_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/errors.h"
#include "core/text.h"

namespace orlindel::cli {

std::vector<uint8_t> ReadWholeStream(std::istream& in, size_t limit) {
  std::vector<uint8_t> bytes;
  constexpr size_t kChunk = size_t{1} << 16;
  // One byte past the limit tells a stream that is too long from one that
  // ends exactly there.
  while (bytes.size() <= limit && in.good()) {
    const size_t start = bytes.size();
    const size_t wanted = std::min(kChunk, limit + 1 - start);
    bytes.resize(start + wanted);
    in.read(reinterpret_cast<char*>(bytes.data() + start),
            static_cast<std::streamsize>(wanted));
    bytes.resize(start + static_cast<size_t>(in.gcount()));
  }
  if (in.bad())
    throw FileError(FileError::Kind::kOpen, kStandardStream,
                    "Standard input could not be read");
  if (bytes.size() > limit)
    throw FileError(
        FileError::Kind::kOpen, kStandardStream,
        Format("Standard input holds more than %zu MiB", limit >> 20));
  return bytes;
}

FirmwareImage LoadInputImage(CommandContext& context, const std::string& path) {
  if (path != kStandardStream) return LoadFirmwareFile(path);
  FirmwareImage image = ReadWholeStream(context.in, kMaxStandardInput);
  if (image.empty()) throw RangeError();  // as for an empty file
  return image;
}

std::vector<uint8_t> LoadInputFile(CommandContext& context,
                                   const std::string& path) {
  if (path != kStandardStream) return LoadWholeFile(path);
  return ReadWholeStream(context.in, kMaxStandardInput);
}

void SaveOutputImage(CommandContext& context, const std::string& path,
                     FirmwareImage& image) {
  if (path != kStandardStream) {
    SaveFirmwareFile(path, image);
    return;
  }
  FixImageChecksum(image);
  SaveOutputFile(context, path, image);
}

void SaveOutputFile(CommandContext& context, const std::string& path,
                    std::span<const uint8_t> bytes) {
  if (path != kStandardStream) {
    SaveWholeFile(path, bytes);
    return;
  }
  context.data.write(reinterpret_cast<const char*>(bytes.data()),
                     static_cast<std::streamsize>(bytes.size()));
  // The report that follows must not claim an image that never arrived.
  if (!context.data.flush()) throw OutputError();
}

bool NamesSameFile(const std::string& output, const std::string& input) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::exists(output, error)) {
    const bool same = fs::equivalent(output, input, error);
    return !error && same;
  }
  // An output that does not exist yet can only name an input by its path.
  const fs::path a = fs::weakly_canonical(fs::absolute(output, error), error);
  if (error) return false;
  const fs::path b = fs::weakly_canonical(fs::absolute(input, error), error);
  return !error && a == b;
}

}  // namespace orlindel::cli
