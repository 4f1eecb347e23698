// File names shown in messages: a name with control characters (an escape
// sequence, a bell) would act on the terminal, so it is shown quoted the way
// the shell reads it back.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace orlindel::cli {

// True when `text` holds a byte below 0x20 or DEL.
bool HasControlCharacters(std::string_view text);

// `name` as it stands when it has no control characters; otherwise quoted
// for a POSIX shell: plain runs in single quotes, control characters as
// $'\t', $'\a' or octal $'\033' ('a'$'\033''[31mb.bin').
std::string ShellEscaped(std::string_view name);

// `message` with every occurrence of each of `names` that holds control
// characters replaced by its ShellEscaped form.
std::string WithNamesEscaped(std::string message,
                             std::span<const std::string> names);

}  // namespace orlindel::cli
