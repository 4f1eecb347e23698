// A folder of its own for a test that works with files: created empty under
// the system's temporary folder, named after the running test, and removed
// with all it holds (its permissions restored first) when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace orlindel::testing {

class TestFolder {
 public:
  // `prefix` keeps the folders of different test files apart.
  explicit TestFolder(const std::string& prefix)
      : path_(
            std::filesystem::temp_directory_path() /
            (prefix +
             ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TestFolder() {
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, ignored);
    // Windows removes no read-only file: its files are made writable first.
    for (fs::recursive_directory_iterator entry(path_, ignored), end;
         entry != end; entry.increment(ignored)) {
      if (!entry->is_symlink(ignored) && entry->is_regular_file(ignored))
        fs::permissions(entry->path(), fs::perms::owner_write,
                        fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ignored);
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace orlindel::testing
