// The application title: the main window's caption and every message box's.
#pragma once

#include <cstddef>

#include "orlindel/version.h"

namespace orlindel::editor {

namespace app_title_internal {

template <std::size_t N>
struct FixedText {
  char text[N];
};

// Joins string literals at compile time into one terminated character array.
template <std::size_t... Ns>
consteval FixedText<(Ns + ...) - sizeof...(Ns) + 1> Join(
    const char (&... parts)[Ns]) {
  FixedText<(Ns + ...) - sizeof...(Ns) + 1> joined{};
  std::size_t end = 0;
  auto append = [&](const char* part, std::size_t size) {
    for (std::size_t i = 0; i + 1 < size; ++i) joined.text[end++] = part[i];
  };
  (append(parts, Ns), ...);
  joined.text[end] = '\0';
  return joined;
}

inline constexpr auto kAppTitleText =
    Join("Orlindel v", kVersion, " by Brackwater");

}  // namespace app_title_internal

inline constexpr const auto& kAppTitle = app_title_internal::kAppTitleText.text;

}  // namespace orlindel::editor
