#include "editor/patch_files.h"

#include "core/patch/bps.h"
#include "core/patch/ips.h"

namespace orlindel::editor {

std::vector<uint8_t> PatchFileFor(const QString& path, ImageView before,
                                  ImageView after) {
  if (path.endsWith(".bps", Qt::CaseInsensitive))
    return MakeBpsPatch(before, after);
  return WriteIps(before, after);
}

}  // namespace orlindel::editor
