#include "cli/commands.h"

#include <iostream>
#include <new>
#include <span>
#include <string>
#include <string_view>

#include "cli/apply_ips_command.h"
#include "cli/bps_commands.h"
#include "cli/command_parser.h"
#include "cli/diff_command.h"
#include "cli/fix_checksum_command.h"
#include "cli/image_files.h"
#include "cli/info_command.h"
#include "cli/ips_command.h"
#include "cli/json_output.h"
#include "cli/layout_commands.h"
#include "cli/render_program.h"
#include "cli/set_subtitle_command.h"
#include "cli/set_window_command.h"
#include "cli/shell_quote.h"
#include "cli/subtitle_command.h"
#include "cli/trace_command.h"
#include "core/errors.h"
#include "core/tv_geometry.h"

namespace orlindel::cli {

namespace {

// The table is constant data laid out by the compiler (see CommandSpec): the
// texts are written out in full, and options and file lists that several
// commands share are arrays of their own.

constexpr OptionSpec kJson{"--json", "",
                           "Print one JSON object instead of text"};
constexpr OptionSpec kLog{
    "--log", "", "Include the analysis log (the editor's Debug lines)"};
constexpr OptionSpec kForce{
    "--force", "", "Write to standard output even when it is a terminal"};

constexpr FileSpec kImage{"FILE", "The firmware image (\"-\": standard input)"};
constexpr FileSpec kImageFile[] = {kImage};
constexpr FileSpec kImagesBeforeAfter[] = {
    {"A", "The image before (\"-\": standard input)"},
    {"B", "The image after (\"-\": standard input)"}};

// The -o option of each command that writes a file, naming what it writes.
constexpr OptionSpec kImageOutput{
    "-o,--output", "OUT", "Write the image to OUT (\"-\": standard output)",
    true};
constexpr OptionSpec kChangedImageOutput{
    "-o,--output", "OUT",
    "Write the changed image to OUT (\"-\": standard output)", true};
constexpr OptionSpec kPatchOutput{
    "-o,--output", "OUT", "Write the patch to OUT (\"-\": standard output)",
    true};
constexpr OptionSpec kPatchedImageOutput{
    "-o,--output", "OUT",
    "Write the patched image to OUT (\"-\": standard output)", true};

constexpr OptionSpec kJsonOnly[] = {kJson};
constexpr OptionSpec kPatchOptions[] = {kPatchOutput, kForce, kJson};
constexpr OptionSpec kApplyPatchOptions[] = {kPatchedImageOutput, kForce,
                                             kJson};

// The --tv text names the line counts of the TV geometry.
static_assert(kPalLines == 576 && kNtscLines == 480,
              "the --tv option's text names 576 and 480 lines");

constexpr OptionSpec kRenderOptions[] = {
    {"-o,--output", "PICTURE",
     "Write the picture to PICTURE (\"-\": standard output, as PNG)", true},
    kForce,
    {"--window", "N", "The selected window (default 0) (decimal or 0x hex)"},
    {"--second", "N", "A second window drawn with it (decimal or 0x hex)"},
    {"--view", "MODE",
     "Window positions: ntsc, pal or both (default: as --tv)"},
    {"--tv", "TV",
     "The TV height: pal (576 lines, the default) or ntsc (480 lines)"},
    {"--safe-title", "", "Frame the title-safe area"},
    {"--safe-action", "", "Frame the action-safe area"},
    {"--background", "BMP", "A BMP picture drawn under the windows"},
    {"--background-mode", "MODE",
     "Where the picture goes: top, center (the default) or stretch"},
    kJson};

constexpr CommandSpec Render(CommandFunction run) {
  return {"render",
          "Draw the editor's TV preview of the image and write it as a "
          "picture in the format its suffix names",
          kImageFile, kRenderOptions, run};
}

constexpr OptionSpec kSubtitleOptions[] = {kLog, kJson};

constexpr OptionSpec kSetSubtitleOptions[] = {
    kChangedImageOutput,
    kForce,
    {"--window", "N", "Subtitle window id (decimal or 0x hex)", true},
    {"--x1", "N", "Left edge of the subtitle area (decimal or 0x hex)", true},
    {"--y1", "N", "Top edge of the subtitle area (decimal or 0x hex)", true},
    {"--x2", "N", "Right edge of the subtitle area (decimal or 0x hex)", true},
    {"--y2", "N", "Bottom edge of the subtitle area (decimal or 0x hex)", true},
    {"--align", "N", "Alignment (decimal or 0x hex)", true},
    {"--flags", "N", "Flags (character range) (decimal or 0x hex)", true},
    {"--line-space", "N", "Line spacing (decimal or 0x hex)", true},
    kLog,
    kJson};

constexpr OptionSpec kSetWindowOptions[] = {
    kChangedImageOutput,
    kForce,
    {"--id", "N", "The window to change (decimal or 0x hex)", true},
    {"--left", "N", "Left edge, 0..65535 (decimal or 0x hex)"},
    {"--top", "N", "Top edge, 0..65535 (decimal or 0x hex)"},
    {"--right", "N", "Right edge, 0..65535 (decimal or 0x hex)"},
    {"--bottom", "N", "Bottom edge, 0..65535 (decimal or 0x hex)"},
    {"--pal-dy", "N", "PalDY, 0..65535 (decimal or 0x hex)"},
    {"--blend", "N", "Blend, 0..255 (decimal or 0x hex)"},
    kJson};

constexpr OptionSpec kTraceOptions[] = {
    {"--start", "OFF", "Image offset to start at (decimal or 0x hex)", true},
    {"--stop", "OFF", "Image offset to stop at; -1: none (the default)"},
    {"--depth", "N", "Call depth to follow; -1: unlimited (the default)"},
    kJson};

constexpr OptionSpec kFixChecksumOptions[] = {kImageOutput, kForce, kJson};

constexpr FileSpec kIpsFiles[] = {
    {"A", "The image to patch (\"-\": standard input)"},
    {"PATCH", "The IPS patch (\"-\": standard input)"}};
constexpr FileSpec kBpsFiles[] = {
    {"A", "The image to patch (\"-\": standard input)"},
    {"PATCH", "The BPS patch (\"-\": standard input)"}};

constexpr OptionSpec kExportLayoutOptions[] = {
    {"-o,--output", "OUT",
     "Write the layout to OUT (\"-\" or none: standard output)"},
    kJson};

constexpr FileSpec kImportLayoutFiles[] = {
    kImage, {"LAYOUT", "The layout document (\"-\": standard input)"}};
constexpr OptionSpec kImportLayoutOptions[] = {
    {"-o,--output", "OUT",
     "Write the changed image to OUT (\"-\": standard output); not needed "
     "with --dry-run"},
    kForce,
    {"--dry-run", "", "Report what would change and write nothing"},
    {"--only", "PARTS",
     "Apply only these parts as far as they fit: windows, subtitle, "
     "positions, separated by commas"},
    kJson};

}  // namespace

CommandSpec RenderCommand(CommandFunction run) { return Render(run); }

std::span<const CommandSpec> Commands() {
  static constexpr CommandSpec kCommands[] = {
      {"info",
       "Show the image's header length, checksum, window list and OSD "
       "message positions",
       kImageFile, kJsonOnly, RunInfo},
      {"subtitle", "Read the MPEG-4 subtitle parameters", kImageFile,
       kSubtitleOptions, RunSubtitle},
      {"set-subtitle",
       "Write the MPEG-4 subtitle parameters and save the image with a fresh "
       "checksum",
       kImageFile, kSetSubtitleOptions, RunSetSubtitle, 0},
      {"set-window",
       "Write fields of one window's record and save the image with a fresh "
       "checksum",
       kImageFile, kSetWindowOptions, RunSetWindow, 0},
      {"trace",
       "Trace the 8051 code at an offset and show the listing and the model "
       "it leaves",
       kImageFile, kTraceOptions, RunTrace},
      {"fix-checksum",
       "Store the image checksum in the last whole word and save the image",
       kImageFile, kFixChecksumOptions, RunFixChecksum, 0},
      {"diff",
       "List the byte ranges in which image B differs from image A; exit 0 "
       "when equal, 1 when they differ",
       kImagesBeforeAfter, kJsonOnly, RunDiff},
      {"ips", "Write the IPS patch that turns image A into image B",
       kImagesBeforeAfter, kPatchOptions, RunIps},
      {"apply-ips",
       "Apply an IPS patch to image A and write the result as it is", kIpsFiles,
       kApplyPatchOptions, RunApplyIps, 0},
      {"bps",
       "Write the BPS patch that turns image A into image B; it names the "
       "CRC32 of A and refuses any other file",
       kImagesBeforeAfter, kPatchOptions, RunBps},
      {"apply-bps",
       "Apply a BPS patch to image A, refused unless A is the file it was made "
       "from, and write the result as it is",
       kBpsFiles, kApplyPatchOptions, RunApplyBps, 0},
      {"export-layout",
       "Write the image's layout (window rectangles, subtitle area, message "
       "positions) as a JSON document",
       kImageFile, kExportLayoutOptions, RunExportLayout},
      {"import-layout",
       "Write a layout document into the image and save it with a fresh "
       "checksum, reporting what changed",
       kImportLayoutFiles, kImportLayoutOptions, RunImportLayout, 0},
      Render(RunRenderProgram),
  };
  return kCommands;
}

namespace {

// What the user is told of each kind of error: the exit code, and the kind
// named in the JSON report (none: the error is reported as text alone).
struct ErrorReport {
  int exit_code;
  const char* json_kind;
};

ErrorReport ReportOf(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::kUsage:
      return {kExitUsage, nullptr};
    case ErrorKind::kOutput:
      return {kExitFile, nullptr};
    case ErrorKind::kFile:
      return {kExitFile, "file"};
    case ErrorKind::kRange:
      return {kExitRunTime, "range"};
    case ErrorKind::kOverflow:
      return {kExitRunTime, "overflow"};
    // A refused comparison, patch or layout: nothing was written.
    case ErrorKind::kPatch:
      return {kExitNegative, "patch"};
    case ErrorKind::kLayout:
      return {kExitNegative, "layout"};
    case ErrorKind::kMemory:
      return {kExitRunTime, "memory"};
  }
  return {kExitRunTime, "range"};
}

// Reports `error` and returns its exit code. The message goes to standard
// error; with --json the report stream also takes the error object, and when
// the report stream is standard error itself (`-o -`) the object alone goes
// there, so that it holds one JSON object per error.
int ReportError(CommandContext& context, const OrlindelError& error) {
  const ErrorReport report = ReportOf(error.error_kind());
  const bool as_json = context.json && report.json_kind != nullptr;
  if (!as_json || &context.out != &context.err)
    context.err << "orlindel-cli: "
                << WithNamesEscaped(error.what(), context.arguments) << '\n';
  if (error.error_kind() == ErrorKind::kUsage)
    context.err << "Try 'orlindel-cli " << context.help_topic
                << (context.help_topic.empty() ? "" : " ")
                << "--help' for more information.\n";
  if (!as_json) return report.exit_code;
  Json object{{"kind", report.json_kind}};
  SetText(object, "message", error.what());
  Json json{{"error", std::move(object)}};
  if (context.report_log) json["log"] = TextArray(context.log);
  WriteJsonLine(context.out, json);
  return report.exit_code;
}

// Refuses a command line that reads standard input twice or writes over one
// of the command's inputs (but for the image it edits in place).
void CheckFiles(const CommandSpec& command, const CommandLine& line) {
  int from_stdin = 0;
  for (const std::string& file : line.positional)
    if (file == kStandardStream) ++from_stdin;
  if (from_stdin > 1) throw UsageError("standard input can be read only once");
  const std::optional<std::string> output = line.Value("-o");
  if (!output || *output == kStandardStream) return;
  for (size_t k = 0; k < line.positional.size(); ++k) {
    if (static_cast<int>(k) == command.in_place_file) continue;
    const std::string& input = line.positional[k];
    if (input != kStandardStream && NamesSameFile(*output, input))
      throw UsageError("the output " + *output + " is the input " +
                       std::string(command.files[k].name) +
                       "; choose another output file");
  }
}

}  // namespace

const std::string& FileArgument(const CommandLine& line) {
  if (line.positional.size() != 1)
    throw UsageError("expected exactly one FILE");
  return line.positional.front();
}

std::pair<std::string, std::string> TwoFileArguments(
    const CommandLine& line, std::string_view expected) {
  if (line.positional.size() != 2)
    throw UsageError("expected exactly two files, " + std::string(expected));
  return {line.positional[0], line.positional[1]};
}

int RunReportingErrors(CommandContext& context,
                       const std::function<int()>& body) {
  try {
    return body();
  } catch (const OrlindelError& error) {
    return ReportError(context, error);
  } catch (const std::bad_alloc&) {
    // The image and what the command built from it have been released by
    // now, so the report has room again; should it still fail, the fixed
    // message alone goes out.
    try {
      context.log.clear();
      return ReportError(
          context, OrlindelError(ErrorKind::kMemory, "Not enough memory"));
    } catch (const std::bad_alloc&) {
      context.err << "orlindel-cli: Not enough memory\n";
    }
    return kExitRunTime;
  }
}

namespace {

// Refuses to pour an image or a picture onto a terminal, unless asked to.
void CheckTerminalOutput(const CommandSpec& command, const CommandLine& line,
                         bool out_is_terminal) {
  if (!out_is_terminal || line.Value("-o") != kStandardStream ||
      line.Has("--force"))
    return;
  for (const OptionSpec& option : command.options)
    if (option.names == kForce.names)
      throw UsageError(
          "standard output is a terminal; redirect it to a file or a pipe, "
          "or give --force to write the " +
          std::string(command.name) + " output there anyway");
}

int RunCommand(std::span<const CommandSpec> commands,
               std::span<const std::string> args, std::istream& in,
               std::ostream& out, std::ostream& err, bool out_is_terminal) {
  CommandContext context{in, out, err, out, false, {}, false, {}, {}};
  context.arguments.assign(args.begin(), args.end());
  // A usage error points at the help of the command named, if any.
  if (!args.empty()) {
    for (const CommandSpec& command : commands)
      if (command.name == args.front()) context.help_topic = command.name;
  }
  ParsedArguments parsed;
  const int parsed_code = RunReportingErrors(context, [&]() {
    parsed = ParseArguments(commands, args);
    return static_cast<int>(kExitOk);
  });
  if (parsed_code != kExitOk) return parsed_code;
  if (parsed.command == nullptr) {  // help or version
    out << parsed.text;
    return kExitOk;
  }
  // While the image goes to standard output, the report goes to standard
  // error.
  const bool image_to_stdout = parsed.line.Value("-o") == kStandardStream;
  CommandContext command{
      in, image_to_stdout ? err : out, err, out, false, {}, false, {}, {}};
  command.help_topic = parsed.command->name;
  command.arguments = context.arguments;
  command.json = parsed.line.Has("--json");
  return RunReportingErrors(command, [&]() {
    CheckFiles(*parsed.command, parsed.line);
    CheckTerminalOutput(*parsed.command, parsed.line, out_is_terminal);
    return parsed.command->run(parsed.line, command);
  });
}

}  // namespace

int Run(std::span<const CommandSpec> commands,
        std::span<const std::string> args, std::istream& in, std::ostream& out,
        std::ostream& err, bool out_is_terminal) {
  const int code = RunCommand(commands, args, in, out, err, out_is_terminal);
  // Whatever the command did, a report or image that never arrived is a
  // failure.
  if (!out.flush()) {
    // A failed image write has said so already.
    if (code != kExitFile)
      err << "orlindel-cli: " << OutputError().what() << '\n';
    return kExitFile;
  }
  // So is a report on standard error (with `-o -`) that was lost; nothing is
  // left to tell it to.
  if (!err.flush() && code <= kExitNegative) return kExitFile;
  return code;
}

int Run(std::span<const std::string> args, std::istream& in, std::ostream& out,
        std::ostream& err, bool out_is_terminal) {
  return Run(Commands(), args, in, out, err, out_is_terminal);
}

int Run(std::span<const std::string> args, std::ostream& out,
        std::ostream& err) {
  return Run(args, std::cin, out, err);
}

}  // namespace orlindel::cli
