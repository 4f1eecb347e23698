#include "cli/image_files.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "core/errors.h"
#include "core/io/bounded_read.h"

namespace orlindel::cli {

io::FileBytes ReadWholeStream(std::istream& in, int64_t limit) {
  const io::ReadSome read_some = [&in](std::span<uint8_t> into, size_t& count) {
    count = 0;
    if (!in.good()) return in.bad() ? EIO : 0;
    in.read(reinterpret_cast<char*>(into.data()),
            static_cast<std::streamsize>(into.size()));
    count = static_cast<size_t>(in.gcount());
    // What came before a failure still counts; the failure shows next time.
    return in.bad() && count == 0 ? EIO : 0;
  };
  return io::ReadToLimit(read_some, kStandardStream, limit);
}

FirmwareImage LoadInputImage(CommandContext& context, const std::string& path) {
  return RefuseEmpty(LoadInputFile(context, path), path);
}

io::FileBytes LoadInputFile(CommandContext& context, const std::string& path) {
  if (path != kStandardStream)
    return io::ReadWholeFileOrPipe(path, kMaxImageSize);
  return ReadWholeStream(context.in);
}

namespace {

// Tells the user, on standard error, what a replaced file could not keep.
void Notify(CommandContext& context, const std::string& notice) {
  if (!notice.empty()) context.err << "orlindel-cli: " << notice << '\n';
}

}  // namespace

void SaveOutputImage(CommandContext& context, const std::string& path,
                     FirmwareImage& image) {
  if (path != kStandardStream) {
    Notify(context, SaveFirmwareFile(path, image));
    return;
  }
  FixImageChecksum(image);
  SaveOutputFile(context, path, image);
}

void SaveOutputFile(CommandContext& context, const std::string& path,
                    std::span<const uint8_t> bytes) {
  if (path != kStandardStream) {
    Notify(context, SaveWholeFile(path, bytes));
    return;
  }
  context.data.write(reinterpret_cast<const char*>(bytes.data()),
                     static_cast<std::streamsize>(bytes.size()));
  // The report that follows must not claim an image that never arrived.
  if (!context.data.flush()) throw OutputError();
}

namespace {

// A path from the program's UTF-8 text: a plain string would be read in the
// system's code page on Windows.
std::filesystem::path PathFromUtf8(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace

bool NamesSameFile(const std::string& output_name,
                   const std::string& input_name) {
  namespace fs = std::filesystem;
  const fs::path output = PathFromUtf8(output_name);
  const fs::path input = PathFromUtf8(input_name);
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
