// Names as Windows takes them: the program's UTF-8 text converted to the
// system's UTF-16, and paths made absolute under the \\?\ prefix, with which
// no limit of 260 characters applies.
#pragma once

#include <string>

namespace orlindel::io {

// `text` (UTF-8) in UTF-16; false when it is no valid UTF-8.
bool WideFromUtf8(const std::string& text, std::wstring& wide);
// `wide` (UTF-16) in UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8FromWide(const std::wstring& wide);

// The path the wide file API takes for `path` (UTF-8, relative or absolute,
// with / or \ between folders): absolute, with . and .. resolved, under
// \\?\ (\\?\UNC\ for a network share); a device name (NUL, CON) stays one.
// Returns 0 or an errno value (ENOENT for a name that is no valid UTF-8).
int SystemPath(const std::string& path, std::wstring& system_path);

}  // namespace orlindel::io
