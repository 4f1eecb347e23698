#include "core/text.h"

#include <cstdarg>
#include <cstdio>

#if defined(__MINGW32__) && !__USE_MINGW_ANSI_STDIO
#error "Define __USE_MINGW_ANSI_STDIO=1: patterns follow C99"
#endif

namespace orlindel {

namespace {

std::string FormatV(const char* pattern, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int size = std::vsnprintf(nullptr, 0, pattern, measure);
  va_end(measure);
  std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
  if (size > 0) std::vsnprintf(text.data(), text.size() + 1, pattern, args);
  return text;
}

}  // namespace

std::string Format(const char* pattern, ...) {
  va_list args;
  va_start(args, pattern);
  std::string text = FormatV(pattern, args);
  va_end(args);
  return text;
}

void LogLine(AnalysisLog* log, const char* pattern, ...) {
  if (log == nullptr) return;
  va_list args;
  va_start(args, pattern);
  log->push_back(FormatV(pattern, args));
  va_end(args);
}

}  // namespace orlindel
