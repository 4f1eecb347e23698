#include "core/io/file_bytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
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

// Whether the system backs memory with large pages when asked to (Linux's
// transparent huge pages in "madvise" mode); none where it cannot tell.
std::optional<bool> LargePagesOnRequest() {
  std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string modes;
  if (!std::getline(setting, modes)) return std::nullopt;
  return modes.find("[madvise]") != std::string::npos;
}

// Whether the mapping holding `address` may be backed by large pages, as the
// system reports it for the process; none where it does not report it.
std::optional<bool> EligibleForLargePages(const void* address) {
  std::ifstream maps("/proc/self/smaps");
  const auto at = reinterpret_cast<uintptr_t>(address);
  bool inside = false;
  for (std::string line; std::getline(maps, line);) {
    uintptr_t first = 0, end = 0;
    char dash = 0;
    std::istringstream range(line);
    if (range >> std::hex >> first >> dash >> end && dash == '-') {
      inside = first <= at && at < end;
    } else if (inside && line.starts_with("THPeligible:")) {
      return line.find('1') != std::string::npos;
    }
  }
  return std::nullopt;
}

// Where large pages come only for the asking, every image-sized buffer asks
// for them before its first byte is touched, whether it is read into, made
// as a copy of the file as opened, or grown from a stream: otherwise a
// 10 MiB copy costs thousands of page faults.
TEST(FileBytesTest, ImageSizedBuffersAskForLargePages) {
  if (LargePagesOnRequest() != true)
    GTEST_SKIP() << "large pages are not given on request here";
  const FileBytes read(size_t{10} << 20);
  const FileBytes copy = read;
  FileBytes grown(100, uint8_t{0});
  grown.reserve(size_t{3} << 20);
  for (const FileBytes* bytes :
       std::initializer_list<const FileBytes*>{&read, &copy, &grown}) {
    const std::optional<bool> eligible = EligibleForLargePages(bytes->data());
    if (!eligible) GTEST_SKIP() << "the system does not report large pages";
    EXPECT_TRUE(*eligible) << bytes->size();
  }
}

}  // namespace
}  // namespace orlindel::io
