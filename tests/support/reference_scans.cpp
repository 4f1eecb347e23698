#include "tests/support/reference_scans.h"

#include "core/checks.h"

namespace orlindel::testing {

namespace {

// Reads one byte as the analysis does: past the analysis limit is a range
// error; past the image end the caller has already given up.
uint8_t At(ImageView image, int64_t offset) {
  CheckAnalysisOffset(offset);
  return ByteAt(image, offset);
}

int64_t Limit(ImageView image) {
  const int64_t header = ReadHeaderLength(image);
  const auto length = static_cast<int64_t>(image.size());
  return header < length ? header : length - 1;
}

bool EntryShape(ImageView image, int64_t e) {
  return At(image, e) == 0xFF &&
         !(At(image, e + 1) == 0xFF && At(image, e + 2) == 0xFF);
}

bool RecordValid(ImageView image, int64_t j, int64_t e, int n) {
  const int64_t target =
      (j & 0xFF0000) + At(image, e + 1) * 256 + At(image, e + 2);
  CheckAnalysisOffset(target);
  if (!FitsInside(image, target, kWindowRecordSize)) return false;
  WindowRecord record;
  record.id = At(image, target + 10);
  record.left =
      static_cast<uint16_t>(At(image, target) * 256 + At(image, target + 1));
  record.top = static_cast<uint16_t>(At(image, target + 2) * 256 +
                                     At(image, target + 3));
  record.right = static_cast<uint16_t>(At(image, target + 4) * 256 +
                                       At(image, target + 5));
  record.bottom = static_cast<uint16_t>(At(image, target + 6) * 256 +
                                        At(image, target + 7));
  record.check_byte = At(image, target + 14);
  return IsValidWindowRecord(n, record);
}

bool GroupValid(ImageView image, int64_t p, int max_id) {
  const int64_t start =
      At(image, p + 2) * 256 + ((p + 1) & 0xFF0000) + At(image, p + 3);
  const int count = At(image, p);
  for (int e = 0; e < count; ++e) {
    const int64_t entry = start + 9 * e;
    CheckAnalysisOffset(entry);
    if (!FitsInside(image, entry, 9)) return false;
    OsdPosEntry decoded;
    decoded.window_id = At(image, entry);
    decoded.x = static_cast<uint16_t>(At(image, entry + 1) * 256 +
                                      At(image, entry + 2));
    decoded.y = static_cast<uint16_t>(At(image, entry + 3) * 256 +
                                      At(image, entry + 4));
    decoded.width = static_cast<uint16_t>(At(image, entry + 5) * 256 +
                                          At(image, entry + 6));
    decoded.height = static_cast<uint16_t>(At(image, entry + 7) * 256 +
                                           At(image, entry + 8));
    if (!IsValidOsdPosEntry(decoded, max_id)) return false;
  }
  return true;
}

bool ReferenceValid(ImageView image, int64_t p, int max_id) {
  if (!FitsInside(image, p, 4)) return false;
  return At(image, p) < 0x80 && At(image, p + 1) == 0xFF &&
         !(At(image, p + 2) == 0xFF && At(image, p + 3) == 0xFF) &&
         GroupValid(image, p, max_id);
}

}  // namespace

WindowListInfo ReferenceFindWindowList(ImageView image) {
  const int64_t last = Limit(image) - 15;
  for (int64_t j = 0; j <= last; ++j) {
    bool accepted = true;
    for (int n = 0; n <= 4 && accepted; ++n)
      accepted = EntryShape(image, j + 3 * n);
    for (int n = 0; n <= 4 && accepted; ++n)
      accepted = RecordValid(image, j, j + 3 * n, n);
    if (!accepted) continue;
    int count = 5;
    for (int n = 5; n <= 255; ++n) {
      const int64_t e = j + 3 * n;
      if (!FitsInside(image, e, 3) || !EntryShape(image, e) ||
          !RecordValid(image, j, e, n))
        break;
      ++count;
    }
    return {j, count};
  }
  return {};
}

OsdPosListInfo ReferenceFindOsdPosList(ImageView image, int max_window_id) {
  const int64_t last = Limit(image) - 12;
  for (int64_t i = 0; i <= last; ++i) {
    if (!ReferenceValid(image, i, max_window_id) ||
        !ReferenceValid(image, i + 4, max_window_id) ||
        !ReferenceValid(image, i + 8, max_window_id))
      continue;
    int k = 3;
    while (k < 255 && ReferenceValid(image, i + 4 * k, max_window_id)) ++k;
    return {i, static_cast<uint8_t>(k)};
  }
  return {};
}

void ReferenceFixImageChecksum(std::span<uint8_t> image) {
  const size_t words = image.size() / 4;
  if (words == 0) return;
  uint32_t sum = 0;
  for (size_t w = 0; w + 1 < words; ++w)
    sum ^= static_cast<uint32_t>(image[4 * w]) |
           static_cast<uint32_t>(image[4 * w + 1]) << 8 |
           static_cast<uint32_t>(image[4 * w + 2]) << 16 |
           static_cast<uint32_t>(image[4 * w + 3]) << 24;
  for (size_t k = 0; k < 4; ++k)
    image[4 * (words - 1) + k] = static_cast<uint8_t>(sum >> (8 * k));
}

}  // namespace orlindel::testing
