// The `render` command as orlindel-render runs it: the editor's TV preview
// drawn offscreen and written as a picture.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "cli/command_context.h"
#include "cli/command_parser.h"

namespace orlindel::cli {

// The preview controls the command's options stand for, as the editor's
// controls hold them after opening an image.
struct RenderSettings {
  int window = 0;             // tbID
  std::optional<int> second;  // cb2nd checked, tbID2
  int tv_index = 0;           // cmbTV: 0 PAL, 1 NTSC
  int rects_mode = 1;         // cmbRects: 0 NTSC, 1 PAL, 2 both
  bool safe_title = false;    // cbSafeTitle
  bool safe_action = false;   // cbSafeAction
  std::string background;     // the BMP under the windows; empty: none
  int background_mode = 1;    // cmbBackgrY: 0 top, 1 center, 2 stretch
};

// The settings the options name. --tv ntsc also switches the view to NTSC
// windows, as the editor's TV switch does, unless --view is given.
// UsageError for a value outside its option's words.
RenderSettings ParseRenderSettings(const CommandLine& line);

// `render FILE -o PICTURE [--window N] [--second N] [--view ntsc|pal|both]
// [--tv pal|ntsc] [--safe-title] [--safe-action] [--background BMP
// --background-mode top|center|stretch] [--json]`: writes the preview in the
// format PICTURE's suffix names (PNG for "-"). JSON:
//   {"width":720,"height":576,"format":"png"}
int RunRender(const CommandLine& line, CommandContext& context);

// orlindel-render's one command: render, as orlindel-cli lists it.
std::span<const CommandSpec> RenderCommands();

}  // namespace orlindel::cli
