#include "cli/diff_command.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/image_files.h"
#include "cli/json_output.h"
#include "core/firmware_image.h"
#include "core/history/image_diff.h"
#include "core/history/labelled_changes.h"

namespace orlindel::cli {

namespace {

// A text line shows at most this many bytes of each side.
constexpr size_t kTextBytes = 16;

constexpr char kDigits[] = "0123456789ABCDEF";

// Appends the first `limit` bytes as upper-case hex; "..." when some are left
// out.
void AppendHex(std::string& text, ImageView bytes, size_t limit) {
  const size_t shown = bytes.size() < limit ? bytes.size() : limit;
  for (size_t k = 0; k < shown; ++k) {
    text += kDigits[bytes[k] >> 4];
    text += kDigits[bytes[k] & 0x0F];
  }
  if (shown < bytes.size()) text += "...";
}

// Appends `value` in upper-case hex with at least `width` digits.
void AppendHexNumber(std::string& text, uint64_t value, int width) {
  char digits[16];
  int count = 0;
  do {
    digits[count++] = kDigits[value & 0x0F];
    value >>= 4;
  } while (value != 0);
  for (int k = count; k < width; ++k) text += '0';
  while (count > 0) text += digits[--count];
}

// The runs are written into a buffer of bounded size that is reused, so that
// millions of one-byte runs cost no allocation and no stream call each.
class DiffWriter {
 public:
  DiffWriter(std::ostream& out, bool json, const ChangeLabeller& labeller)
      : out_(out), json_(json), labeller_(labeller) {
    if (json_) out_ << "{\"changes\":[";
  }

  void Add(const DiffRun& run) {
    const auto length = static_cast<int64_t>(run.before.size());
    const std::vector<std::string> labels =
        labeller_.Labels(run.offset, length);
    if (json_) {
      if (ranges_ > 0) line_ += ',';
      line_ += "{\"offset\":";
      line_ += std::to_string(run.offset);
      line_ += ",\"length\":";
      line_ += std::to_string(length);
      line_ += ",\"old\":\"";
      AppendHex(line_, run.before, SIZE_MAX);
      line_ += "\",\"new\":\"";
      AppendHex(line_, run.after, SIZE_MAX);
      line_ += "\",\"labels\":[";
      for (size_t k = 0; k < labels.size(); ++k) {
        if (k > 0) line_ += ',';
        AppendJsonString(line_, labels[k]);
      }
      line_ += "]}";
    } else {
      line_ += "0x";
      AppendHexNumber(line_, static_cast<uint64_t>(run.offset), 5);
      line_ += "  len ";
      line_ += std::to_string(length);
      line_ += "  ";
      AppendHex(line_, run.before, kTextBytes);
      line_ += " -> ";
      AppendHex(line_, run.after, kTextBytes);
      line_ += "  ";
      line_ += JoinedLabels(labels);
      line_ += '\n';
    }
    ++ranges_;
    bytes_ += length;
    if (line_.size() >= kFlushSize) Flush();
  }

  // Closes the output; true when some range differed.
  bool Finish() {
    Flush();
    if (json_) {
      out_ << "]}\n";
    } else {
      out_ << "changed ranges: " << ranges_ << ", changed bytes: " << bytes_
           << '\n';
    }
    return ranges_ > 0;
  }

 private:
  static constexpr size_t kFlushSize = size_t{1} << 16;

  void Flush() {
    out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
    line_.clear();
    // No use comparing on once nobody reads the result.
    if (!out_) throw OutputError();
  }

  std::ostream& out_;
  const bool json_;
  const ChangeLabeller& labeller_;
  std::string line_;
  int64_t ranges_ = 0;
  int64_t bytes_ = 0;
};

}  // namespace

int RunDiff(const CommandLine& line, CommandContext& context) {
  const auto [path_a, path_b] = TwoFileArguments(line, "A and B");
  const FirmwareImage a = LoadInputImage(context, path_a);
  const FirmwareImage b = LoadInputImage(context, path_b);
  // Images of different lengths are refused before the labelling runs.
  if (a.size() != b.size()) VisitImageDifferences(a, b, [](const DiffRun&) {});
  // The command's own model for the subtitle analysis of the labels.
  const auto model = std::make_unique<TraceModel>();
  const ChangeLabeller labeller(*model, a);
  DiffWriter writer(context.out, context.json, labeller);
  VisitImageDifferences(a, b,
                        [&writer](const DiffRun& run) { writer.Add(run); });
  return writer.Finish() ? kExitNegative : kExitOk;
}

}  // namespace orlindel::cli
