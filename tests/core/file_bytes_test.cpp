#include "core/io/file_bytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace orlindel::io {
namespace {

bool OnLargePage(const FileBytes& bytes) {
  return reinterpret_cast<uintptr_t>(bytes.data()) % kLargePageSize == 0;
}

// Buffers of an image's size start on a large-page boundary however they
// are made, keep their bytes when copied, grown or freed in any order, and
// bytes given a value have it.
TEST(FileBytesTest, ImageSizedBuffersStartOnALargePage) {
  std::vector<FileBytes> buffers;
  for (const size_t size :
       {kLargePageSize, kLargePageSize + 1, size_t{10} << 20}) {
    buffers.emplace_back(size, uint8_t{0});
    EXPECT_TRUE(OnLargePage(buffers.back())) << size;
    EXPECT_EQ(buffers.back(), std::vector<uint8_t>(size, 0)) << size;
    buffers.back()[size - 1] = 0x5A;
    FileBytes copy = buffers.back();
    EXPECT_TRUE(OnLargePage(copy)) << size;
    EXPECT_EQ(copy, buffers.back()) << size;
  }
  buffers.erase(buffers.begin() + 1);
  FileBytes grown(100, uint8_t{0x11});
  grown.resize(size_t{3} << 20, 0x22);
  EXPECT_TRUE(OnLargePage(grown));
  EXPECT_EQ(grown[99], 0x11);
  EXPECT_EQ(grown[100], 0x22);
  EXPECT_EQ(grown.back(), 0x22);
  for (const FileBytes& kept : buffers) {
    EXPECT_EQ(kept.back(), 0x5A);
    EXPECT_EQ(kept.front(), 0);
  }
}

}  // namespace
}  // namespace orlindel::io
