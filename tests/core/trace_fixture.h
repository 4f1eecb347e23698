// The fixture of the tracer's tests: one model of the test's own, traced on
// with a listing collected in log_.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/mcs51/trace_code.h"

namespace orlindel::testing {

class TraceFixture : public ::testing::Test {
 protected:
  // The trace's result as a number, as the command line shows it: 0 when it
  // completed, 1 when it stopped.
  int Trace(ImageView image, int64_t start, int64_t stop, int depth,
            AnalysisLog* log, const std::string& prefix) {
    return static_cast<int>(
        TraceCode(model_, image, start, stop, depth, log, prefix));
  }
  TraceModel& model() { return model_; }

  TraceModel model_;
  AnalysisLog log_;
};

}  // namespace orlindel::testing
