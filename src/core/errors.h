// Run-time errors of the analysis core. Each what() is the exact text the user
// sees in a message box; callers catch OrlindelError at their own boundary.
#pragma once

#include <stdexcept>
#include <string>

namespace orlindel {

class OrlindelError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An index or offset outside its allowed range.
class RangeError : public OrlindelError {
 public:
  RangeError() : OrlindelError("Range check error") {}
};

// An arithmetic step whose result does not fit its type.
class OverflowError : public OrlindelError {
 public:
  OverflowError() : OrlindelError("Integer overflow") {}
};

// A file that cannot be opened, read, created or written. The text names the
// file in double quotes and ends with the system's reason.
class FileError : public OrlindelError {
 public:
  enum class Kind { kOpen, kCreate };
  FileError(Kind kind, const std::string& path, const std::string& reason)
      : OrlindelError((kind == Kind::kOpen ? "Cannot open file \""
                                           : "Cannot create file \"") +
                      path + "\". " + reason),
        kind_(kind) {}
  Kind kind() const { return kind_; }

 private:
  Kind kind_;
};

// A layout document that cannot be read, or a layout that does not fit the
// firmware it is imported into; the text says why.
class LayoutError : public OrlindelError {
 public:
  explicit LayoutError(const std::string& message) : OrlindelError(message) {}
};

// A file whose contents do not fit in the memory left to the program.
class OutOfMemoryError : public OrlindelError {
 public:
  explicit OutOfMemoryError(const std::string& path)
      : OrlindelError("Not enough memory to load \"" + path + "\"") {}
};

// Two images that cannot be compared, or a patch that cannot be made or
// applied; the text says why.
class PatchError : public OrlindelError {
 public:
  explicit PatchError(const std::string& message) : OrlindelError(message) {}
};

}  // namespace orlindel
