#include "cli/commands.h"

#include <array>
#include <string_view>

#include "cli/apply_ips_command.h"
#include "cli/command_context.h"
#include "cli/diff_command.h"
#include "cli/fix_checksum_command.h"
#include "cli/info_command.h"
#include "cli/ips_command.h"
#include "cli/json_writer.h"
#include "cli/set_subtitle_command.h"
#include "cli/set_window_command.h"
#include "cli/subtitle_command.h"
#include "cli/trace_command.h"
#include "core/errors.h"

namespace orlindel::cli {

namespace {

struct Command {
  std::string_view name;
  OptionSpec options;
  CommandFunction run;
};

const std::array<Command, 9>& Commands() {
  static const std::array<Command, 9> commands = {{
      {"info", {{"--json"}, {}}, RunInfo},
      {"subtitle", {{"--log", "--json"}, {}}, RunSubtitle},
      {"set-subtitle",
       {{"--log", "--json"},
        {"-o", "--window", "--x1", "--y1", "--x2", "--y2", "--align", "--flags",
         "--line-space"}},
       RunSetSubtitle},
      {"set-window",
       {{"--json"},
        {"-o", "--id", "--left", "--top", "--right", "--bottom", "--pal-dy",
         "--blend"}},
       RunSetWindow},
      {"trace", {{"--json"}, {"--start", "--stop", "--depth"}}, RunTrace},
      {"fix-checksum", {{"--json"}, {"-o"}}, RunFixChecksum},
      {"diff", {{"--json"}, {}}, RunDiff},
      {"ips", {{"--json"}, {"-o"}}, RunIps},
      {"apply-ips", {{"--json"}, {"-o"}}, RunApplyIps},
  }};
  return commands;
}

constexpr std::string_view kUsage =
    "usage: orlindel-cli info FILE [--json]\n"
    "       orlindel-cli subtitle FILE [--log] [--json]\n"
    "       orlindel-cli set-subtitle FILE -o OUT --window N --x1 N --y1 N "
    "--x2 N --y2 N\n"
    "                    --align N --flags N --line-space N [--log] [--json]\n"
    "       orlindel-cli set-window FILE -o OUT --id N [--left N] [--top N]\n"
    "                    [--right N] [--bottom N] [--pal-dy N] [--blend N] "
    "[--json]\n"
    "       orlindel-cli trace FILE --start OFF [--stop OFF] [--depth N] "
    "[--json]\n"
    "       orlindel-cli fix-checksum FILE -o OUT [--json]\n"
    "       orlindel-cli diff A B [--json]\n"
    "       orlindel-cli ips A B -o PATCH [--json]\n"
    "       orlindel-cli apply-ips A PATCH -o B [--json]\n";

void ReportError(CommandContext& context, std::string_view kind,
                 const std::string& message) {
  context.err << "orlindel-cli: " << message << '\n';
  if (!context.json) return;
  JsonWriter json;
  json.BeginObject()
      .Key("error")
      .BeginObject()
      .Key("kind")
      .String(kind)
      .Key("message")
      .String(message)
      .EndObject();
  if (context.report_log) {
    json.Key("log").BeginArray();
    for (const std::string& line : context.log) json.String(line);
    json.EndArray();
  }
  json.EndObject();
  context.out << json.text() << '\n';
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

int Run(std::span<const std::string> args, std::ostream& out,
        std::ostream& err) {
  CommandContext context{out, err, false, {}, false};
  const Command* command = nullptr;
  for (const Command& candidate : Commands())
    if (!args.empty() && args.front() == candidate.name) command = &candidate;
  if (command == nullptr) {
    err << (args.empty()
                ? "orlindel-cli: no command\n"
                : "orlindel-cli: unknown command " + args.front() + "\n")
        << kUsage;
    return kExitUsage;
  }
  try {
    const CommandLine line =
        ParseCommandLine(args.subspan(1), command->options);
    context.json = line.Has("--json");
    return command->run(line, context);
  } catch (const UsageError& error) {
    err << "orlindel-cli: " << error.what() << '\n' << kUsage;
    return kExitUsage;
  } catch (const FileError& error) {
    ReportError(context, "file", error.what());
    return kExitFile;
  } catch (const RangeError& error) {
    ReportError(context, "range", error.what());
    return kExitRunTime;
  } catch (const OverflowError& error) {
    ReportError(context, "overflow", error.what());
    return kExitRunTime;
  } catch (const PatchError& error) {
    // A refused comparison or patch: nothing was written.
    ReportError(context, "patch", error.what());
    return kExitNegative;
  }
}

}  // namespace orlindel::cli
