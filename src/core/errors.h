// The errors of the program. Each what() is the exact text the user sees in a
// message box or on standard error; every one derives from OrlindelError and
// carries its ErrorKind, so a boundary catches the base alone and decides by
// the kind (the exit code and JSON kind of the command line, the message box
// of the editor).
#pragma once

#include <stdexcept>
#include <string>

namespace orlindel {

enum class ErrorKind {
  kUsage,     // a command line the program cannot act on
  kFile,      // a file that cannot be opened, read, created or written
  kOutput,    // standard output that cannot take what is written
  kRange,     // a value outside what the code can handle
  kOverflow,  // an arithmetic result that does not fit its type
  kPatch,     // a comparison or patch refused; nothing written
  kLayout,    // a layout document refused; nothing written
  kMemory,    // data that does not fit in the memory left
};

class OrlindelError : public std::runtime_error {
 public:
  OrlindelError(ErrorKind kind, const std::string& message)
      : std::runtime_error(message), error_kind_(kind) {}
  ErrorKind error_kind() const { return error_kind_; }

 private:
  ErrorKind error_kind_;
};

// An index or offset outside its allowed range. The plain form is the
// analysis's own check; the other names the range in the user's words.
class RangeError : public OrlindelError {
 public:
  RangeError() : OrlindelError(ErrorKind::kRange, "Range check error") {}
  explicit RangeError(const std::string& message)
      : OrlindelError(ErrorKind::kRange, message) {}
};

// An arithmetic step whose result does not fit its type.
class OverflowError : public OrlindelError {
 public:
  OverflowError() : OrlindelError(ErrorKind::kOverflow, "Integer overflow") {}
};

// A file that cannot be opened, read, created or written. The text names the
// file in double quotes and ends with the system's reason.
class FileError : public OrlindelError {
 public:
  enum class Kind { kOpen, kCreate };
  FileError(Kind kind, const std::string& path, const std::string& reason)
      : OrlindelError(ErrorKind::kFile,
                      (kind == Kind::kOpen ? "Cannot open file \""
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
  explicit LayoutError(const std::string& message)
      : OrlindelError(ErrorKind::kLayout, message) {}
};

// A file whose contents do not fit in the memory left to the program.
class OutOfMemoryError : public OrlindelError {
 public:
  explicit OutOfMemoryError(const std::string& path)
      : OrlindelError(ErrorKind::kMemory,
                      "Not enough memory to load \"" + path + "\"") {}
};

// Two images that cannot be compared, or a patch that cannot be made or
// applied; the text says why.
class PatchError : public OrlindelError {
 public:
  explicit PatchError(const std::string& message)
      : OrlindelError(ErrorKind::kPatch, message) {}
};

}  // namespace orlindel
