// Locate, read and update of the subtitle parameters on arbitrary bytes, with
// and without a log: both must end alike, and an update must change nothing
// but the twelve parameter loads.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

#include "core/errors.h"
#include "core/subtitle/subtitle_analysis.h"

namespace {

using namespace orlindel;

struct Outcome {
  std::optional<bool> result;  // nullopt: a run-time error
  Mpeg4SubtitleParams params;
  FirmwareImage image;

  bool operator==(const Outcome&) const = default;
};

Outcome ReadThenUpdate(ImageView bytes, AnalysisLog* log) {
  // One model for both runs and every input: no result may depend on what
  // an earlier trace left in it.
  static TraceModel model;
  Outcome outcome{std::nullopt, {}, FirmwareImage(bytes.begin(), bytes.end())};
  try {
    outcome.result =
        ReadSubtitleParams(model, outcome.image, outcome.params, log);
    const Mpeg4SubtitleParams wanted = {3, 40, 400, 680, 560, 2, 1, 0};
    outcome.result = UpdateSubtitleParams(model, outcome.image, wanted, log);
  } catch (const RangeError&) {
  } catch (const OverflowError&) {
  }
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ImageView bytes(data, size);
  const Outcome quiet = ReadThenUpdate(bytes, nullptr);
  AnalysisLog log;
  const Outcome listed = ReadThenUpdate(bytes, &log);
  if (!(quiet == listed)) std::abort();
  // An update writes only whole parameter loads: 00 00 74 vv.
  size_t changed = 0;
  for (size_t i = 0; i < size; ++i) changed += quiet.image[i] != data[i];
  if (changed > 12 * 4) std::abort();
  return 0;
}
