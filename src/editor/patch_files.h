// The patch file the editor writes for the changes of an image: the format
// follows the name the user chose.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "core/firmware_image.h"

namespace orlindel::editor {

// The patch that turns `before` into `after`: BPS, which names the CRC32 of
// the file it applies to, when `path` ends in ".bps" (any case); IPS
// otherwise.
std::vector<uint8_t> PatchFileFor(const QString& path, ImageView before,
                                  ImageView after);

}  // namespace orlindel::editor
