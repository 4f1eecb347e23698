// Where a command's images and patches come from and go to: files, or the
// standard streams when the name is "-".
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <span>
#include <string>
#include <vector>

#include "cli/command_context.h"
#include "core/firmware_image.h"

namespace orlindel::cli {

// The file name that stands for standard input or standard output.
inline constexpr char kStandardStream[] = "-";

// All of `in`, at most `limit` bytes (standard input may hold as much as an
// image file: kMaxImageSize). Errors as io::ReadToLimit's, named "-": a
// FileError (open) when there is more or the stream fails before its end.
io::FileBytes ReadWholeStream(std::istream& in, int64_t limit = kMaxImageSize);

// The image in the file at `path`, or on standard input for "-"; errors as
// LoadFirmwareFile ("The file is empty" for an empty file or input).
FirmwareImage LoadInputImage(CommandContext& context, const std::string& path);
// The file at `path` (a FIFO or a pipe named /dev/fd/N read like standard
// input) or standard input, which may be empty.
io::FileBytes LoadInputFile(CommandContext& context, const std::string& path);

// Fixes the image checksum and writes the image to `path`, or to standard
// output for "-". FileError (create) for a file, OutputError for standard
// output. What a replaced file could not keep is said on standard error.
void SaveOutputImage(CommandContext& context, const std::string& path,
                     FirmwareImage& image);
// Writes `bytes` as they are, to `path` or to standard output for "-".
void SaveOutputFile(CommandContext& context, const std::string& path,
                    std::span<const uint8_t> bytes);

// True when `output` names the file `input` names: the same device and inode
// when both exist (a hard link, a symbolic link, another spelling of the
// path), else the same absolute path once "." and ".." are resolved.
bool NamesSameFile(const std::string& output, const std::string& input);

}  // namespace orlindel::cli
