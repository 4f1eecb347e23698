// The patch formats the program reads and writes, told apart by the bytes a
// patch file begins with.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace orlindel {

// The first bytes of an IPS and of a BPS patch.
inline constexpr std::string_view kIpsMagic = "PATCH";
inline constexpr std::string_view kBpsMagic = "BPS1";

enum class PatchFormat { kIps, kBps };

// The format of a patch file by its first bytes. PatchError for anything
// else.
PatchFormat PatchFormatOf(std::span<const uint8_t> patch);

}  // namespace orlindel
