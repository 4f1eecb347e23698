// The `diff` command: the changed byte ranges between two images.
#pragma once

#include "cli/command_context.h"

namespace orlindel::cli {

// `diff A B [--json]`: the byte ranges in which image B differs from image A,
// each labelled from A as the editor's list of changes labels it. Exit 0 when
// the images are equal and 1 when they differ, as cmp does; images of
// different lengths differ too, and are refused (exit 1; with --json the
// error object has kind "patch"). Ranges are written as they are found, so
// memory does not grow with their number. With --json, one object, ranges in
// offset order, bytes as upper-case hex without separators:
//   {"changes":[{"offset":260,"length":2,"old":"0010","new":"0020",
//                "labels":["window 3 record: Left"]},...]}
// As text, one line per range ("0x00104  len 2  0010 -> 0020  window 3
// record: Left"; bytes past the sixteenth shown as "..."), then a total.
int RunDiff(const CommandLine& line, CommandContext& context);

}  // namespace orlindel::cli
