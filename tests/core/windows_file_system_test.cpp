// The safe write and the bounded reader on Windows: what the system keeps
// of a replaced file, read-only files, files another program holds open,
// names past 260 characters and outside the code page, handles and pipes.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/io/bounded_read.h"
#include "core/io/safe_write.h"
#include "core/io/windows_paths.h"
#include "tests/support/test_folder.h"

namespace orlindel {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kOld(3000, 0x11);
// Line ends and a Ctrl+Z among the bytes: text mode would change them.
const Bytes kNew = {0x0A, 0x0D, 0x0A, 0x1A, 0x00, 0xFF, 0x0A, 0x42};

bool RunsUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr &&
         GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class WindowsFileSystemTest : public ::testing::Test {
 protected:
  // The folder as UTF-8 with the system's separators.
  std::string PathOf(const std::string& name) const {
    return io::Utf8FromWide(folder_.path().wstring()) + "\\" + name;
  }
  static std::wstring Wide(const std::string& path) {
    std::wstring wide;
    EXPECT_EQ(io::SystemPath(path, wide), 0) << path;
    return wide;
  }
  static DWORD AttributesOf(const std::string& path) {
    return GetFileAttributesW(Wide(path).c_str());
  }
  static std::string Error(const auto& action) {
    try {
      action();
    } catch (const OrlindelError& error) {
      return error.what();
    }
    return "done";
  }
  static io::FileBytes Read(const std::string& path) {
    return io::ReadWholeFile(path, int64_t{1} << 20);
  }
  // The names in the test's folder.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry :
         std::filesystem::directory_iterator(folder_.path()))
      names.push_back(io::Utf8FromWide(entry.path().filename().wstring()));
    return names;
  }

  orlindel::testing::TestFolder folder_{"orlindel_windows_fs_"};
};

TEST_F(WindowsFileSystemTest, ReplacingKeepsAttributesAndCreationTime) {
  const std::string path = PathOf("fw.bin");
  io::WriteFileSafely(path, kOld);
  ASSERT_TRUE(SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_HIDDEN));
  WIN32_FILE_ATTRIBUTE_DATA before{};
  ASSERT_TRUE(
      GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &before));

  io::WriteFileSafely(path, kNew);

  WIN32_FILE_ATTRIBUTE_DATA after{};
  ASSERT_TRUE(
      GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &after));
  EXPECT_NE(after.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN, 0u);
  // Wine stores no creation time of its own: the host's file systems have
  // none that can be set.
  if (!RunsUnderWine()) {
    EXPECT_EQ(CompareFileTime(&before.ftCreationTime, &after.ftCreationTime),
              0);
  }
  EXPECT_EQ(Read(path), kNew);
  EXPECT_EQ(Entries(), std::vector<std::string>{"fw.bin"});
}

TEST_F(WindowsFileSystemTest, ReadOnlyFilesAreRefusedAndKept) {
  const std::string path = PathOf("fw.bin");
  io::WriteFileSafely(path, kOld);
  ASSERT_TRUE(SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_READONLY));

  EXPECT_EQ(Error([&] { io::WriteFileSafely(path, kNew); }),
            "Cannot create file \"" + path + "\". Permission denied");
  EXPECT_EQ(Read(path), kOld);
  EXPECT_NE(AttributesOf(path) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(Entries(), std::vector<std::string>{"fw.bin"});
  SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A program that opened the file without sharing it: the save and the load
// wait a moment, then say why they cannot go on; nothing is lost or left.
TEST_F(WindowsFileSystemTest, FilesHeldOpenElsewhereGiveAClearError) {
  const std::string path = PathOf("fw.bin");
  io::WriteFileSafely(path, kOld);
  const HANDLE held =
      CreateFileW(Wide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  EXPECT_EQ(Error([&] { io::WriteFileSafely(path, kNew); }),
            "Cannot create file \"" + path +
                "\". The file is open in another program");
  EXPECT_EQ(
      Error([&] { Read(path); }),
      "Cannot open file \"" + path + "\". The file is open in another program");
  EXPECT_EQ(Entries(), std::vector<std::string>{"fw.bin"});

  CloseHandle(held);
  EXPECT_EQ(Read(path), kOld);
  io::WriteFileSafely(path, kNew);
  EXPECT_EQ(Read(path), kNew);
}

TEST_F(WindowsFileSystemTest, PathsPastTwoHundredSixtyCharactersWork) {
  std::string folder = PathOf("");
  folder.pop_back();
  while (folder.size() < 300) {
    folder += "\\" + std::string(40, 'd');
    ASSERT_TRUE(CreateDirectoryW(Wide(folder).c_str(), nullptr)) << folder;
  }
  const std::string path = folder + "\\fw.bin";
  ASSERT_GT(path.size(), 260u);

  io::WriteFileSafely(path, kOld);
  io::WriteFileSafely(path, kNew);
  EXPECT_EQ(Read(path), kNew);
  // Forward slashes and dots name the same file.
  EXPECT_EQ(Read(folder + "/./fw.bin"), kNew);

  // The standard library's removal stops at 260 characters.
  EXPECT_TRUE(DeleteFileW(Wide(path).c_str()));
  while (folder.size() > PathOf("").size()) {
    EXPECT_TRUE(RemoveDirectoryW(Wide(folder).c_str())) << folder;
    folder.erase(folder.rfind('\\'));
  }
}

TEST_F(WindowsFileSystemTest, NamesOutsideTheCodePageArriveWhole) {
  const std::string name =
      "pr\xC3\xBC"
      "fung-\xE6\x97\xA5\xE6\x9C\xAC.bin";
  const std::string path = PathOf(name);
  io::WriteFileSafely(path, kNew);
  EXPECT_EQ(Read(path), kNew);
  EXPECT_EQ(Entries(), std::vector<std::string>{name});
  // Bytes that are no UTF-8 name no file, as on the POSIX systems a name
  // that is not there.
  EXPECT_EQ(Error([&] { Read(PathOf("bad\xFF.bin")); }),
            "Cannot open file \"" + PathOf("bad\xFF.bin") +
                "\". No such file or directory");
}

TEST_F(WindowsFileSystemTest, TheTemporaryFileIsMadeInTheTargetsFolder) {
  const std::string folder = PathOf("sub");
  ASSERT_TRUE(CreateDirectoryW(Wide(folder).c_str(), nullptr));
  io::WriteFileSafely(folder + "\\fw.bin", kNew);
  io::WriteFileSafely(folder + "/fw.bin", kOld);
  EXPECT_EQ(Read(folder + "\\fw.bin"), kOld);
  EXPECT_EQ(Entries(), std::vector<std::string>{"sub"});
  EXPECT_EQ(Error([&] { io::WriteFileSafely(folder, kNew); }),
            "Cannot create file \"" + folder + "\". Is a directory");
}

TEST_F(WindowsFileSystemTest, HandlesAndPipesAreReadToTheLimit) {
  const std::string path = PathOf("fw.bin");
  io::WriteFileSafely(path, kNew);
  const HANDLE file =
      CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(io::ReadWholeHandle(reinterpret_cast<io::Handle>(file), "-", 100),
            kNew);
  CloseHandle(file);

  // A pipe states no size: it is read up to one byte past the limit.
  HANDLE reader = nullptr;
  HANDLE writer = nullptr;
  ASSERT_TRUE(CreatePipe(&reader, &writer, nullptr, 0));
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(writer, kOld.data(), 3000, &written, nullptr));
  CloseHandle(writer);
  EXPECT_EQ(Error([&] {
              io::ReadWholeHandle(reinterpret_cast<io::Handle>(reader), "-",
                                  2047);
            }),
            "Cannot open file \"-\". The file is larger than 0 MiB, the most "
            "an image may have");
  CloseHandle(reader);

  ASSERT_TRUE(CreatePipe(&reader, &writer, nullptr, 0));
  ASSERT_TRUE(WriteFile(writer, kNew.data(), 8, &written, nullptr));
  CloseHandle(writer);
  EXPECT_EQ(io::ReadWholeHandle(reinterpret_cast<io::Handle>(reader), "-", 8),
            kNew);
  CloseHandle(reader);
}

TEST_F(WindowsFileSystemTest, DevicesAreWrittenDirectly) {
  io::WriteFileSafely("NUL", kNew);
  EXPECT_EQ(Error([&] { Read("NUL"); }),
            "Cannot open file \"NUL\". Not a regular file");
}

}  // namespace
}  // namespace orlindel
