// The `export-layout` and `import-layout` commands: a firmware's OSD layout
// (window rectangles, subtitle area, message positions) carried from one
// firmware version to the next as a JSON document.
#pragma once

#include "cli/command_context.h"
#include "core/layout/layout.h"

namespace orlindel::cli {

// `export-layout FILE [-o LAYOUT] [--json]`: writes the layout document of
// the image to LAYOUT, or to standard output without -o (then no report).
// JSON report: {"windows":6,"subtitle":true,"groups":3}
int RunExportLayout(const CommandLine& line, CommandContext& context);

// `import-layout FILE LAYOUT -o OUT [--dry-run] [--only PARTS] [--json]`:
// writes the layout into the image and saves it to OUT (the checksum fixed
// when anything changed), reporting every item as changed, identical, not
// applied (with the reason) or skipped. Without --only a layout that does not
// wholly fit is refused (exit 1, error kind "layout") and nothing is written;
// with --only the parts named are applied as far as they fit. A dry run
// reports the same and writes nothing (-o not needed). JSON:
//   {"dryRun":false,"changed":["window 3"],"identical":["window 0"],
//    "notApplied":[{"item":"window 5","reason":"..."}],"skipped":[]}
int RunImportLayout(const CommandLine& line, CommandContext& context);

// The parts named in an --only list: "windows", "subtitle", "positions",
// separated by commas. UsageError for another name or an empty list.
LayoutParts ParseLayoutParts(const std::string& list);

}  // namespace orlindel::cli
