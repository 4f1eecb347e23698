// The 8051 tracer from an arbitrary start in arbitrary bytes, traced once
// with a listing and once without, each on a fresh model of its own: both
// must end alike and leave the same model. Nothing carries over from one
// input to the next.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "core/errors.h"
#include "core/mcs51/trace_code.h"

namespace {

enum class Ending { kResult0, kResult1, kRangeError, kOverflowError };

Ending Trace(orlindel::TraceModel& model, orlindel::ImageView image,
             int64_t start, int64_t stop, orlindel::AnalysisLog* log) {
  using namespace orlindel;
  try {
    return TraceCode(model, image, start, stop, -1, log, "\t\t") ==
                   TraceResult::kCompleted
               ? Ending::kResult0
               : Ending::kResult1;
  } catch (const RangeError&) {
    return Ending::kRangeError;
  } catch (const OverflowError&) {
    return Ending::kOverflowError;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orlindel;
  if (size < 4) return 0;
  const ImageView image(data + 4, size - 4);
  if (image.empty()) return 0;
  const int64_t start = (data[0] << 8 | data[1]) % std::ssize(image);
  const int64_t stop =
      data[2] == 0xFF ? -1 : start + (data[2] << 8 | data[3]) % 64;
  const auto quiet_model = std::make_unique<TraceModel>();
  const Ending quiet = Trace(*quiet_model, image, start, stop, nullptr);
  const auto model = std::make_unique<TraceModel>();
  AnalysisLog log;
  const Ending listed = Trace(*model, image, start, stop, &log);
  if (quiet != listed) std::abort();
  if (model->A != quiet_model->A || model->R != quiet_model->R ||
      model->DPTR != quiet_model->DPTR || model->Xram != quiet_model->Xram)
    std::abort();
  return 0;
}
