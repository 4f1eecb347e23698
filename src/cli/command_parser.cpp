#include "cli/command_parser.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>

#include "orlindel/version.h"

namespace orlindel::cli {

const char kProgramDescription[] =
    "orlindel-cli: inspect and patch DVD-player firmware images (8051 code in "
    "64 KiB banks) from the shell.";

const char kExitStatusSummary[] =
    "FILE \"-\" reads the image from standard input; \"-o -\" writes it to\n"
    "standard output (the report then goes to standard error).\n"
    "Exit status: 0 done (diff: the images are equal); 1 negative result\n"
    "(diff: the images differ; a refused update or patch); 2 usage error;\n"
    "3 file error or standard output not writable; 4 run-time error in the\n"
    "analysis, or out of memory.";

constinit const OptionSpec kHelpOption{"-h,--help", "",
                                       "Print this help and exit"};
constinit const OptionSpec kVersionOption{
    "-V,--version", "", "Print the program's version and exit"};
constinit const OptionSpec kCommandHelpOption{
    "-h,--help", "", "Print this command's help and exit"};

namespace {

std::string FirstName(std::string_view names) {
  return std::string(names.substr(0, names.find(',')));
}

std::string CommandNames(std::span<const CommandSpec> commands) {
  std::string names;
  for (const CommandSpec& command : commands)
    names.append(names.empty() ? "" : ", ").append(command.name);
  return names;
}

bool HasName(std::string_view names, std::string_view name) {
  size_t from = 0;
  while (from <= names.size()) {
    const size_t comma = std::min(names.find(',', from), names.size());
    if (names.substr(from, comma - from) == name) return true;
    from = comma + 1;
  }
  return false;
}

bool IsHelpOrVersion(std::string_view name, bool program) {
  return name == "-h" || name == "--help" ||
         (program && (name == "-V" || name == "--version"));
}

// Refuses, in plain words, an option the command does not know, a value
// given to a flag and an option left without its value; CLI11 would call
// each something else (a missing FILE, a "disallowed flag override", "1
// required OFF missing").
void CheckOptionNames(const CommandSpec* command,
                      std::span<const std::string> args) {
  for (size_t k = command != nullptr ? 1 : 0; k < args.size(); ++k) {
    const std::string& arg = args[k];
    if (arg == "--") return;
    if (arg.size() < 2 || arg.front() != '-') continue;
    const bool long_name = arg.starts_with("--");
    const std::string name =
        long_name ? arg.substr(0, arg.find('=')) : arg.substr(0, 2);
    if (IsHelpOrVersion(name, command == nullptr)) continue;
    const OptionSpec* option = nullptr;
    if (command != nullptr) {
      for (const OptionSpec& candidate : command->options)
        if (HasName(candidate.names, name)) option = &candidate;
    }
    if (option == nullptr) {
      std::string text = "unknown option " + arg;
      if (command != nullptr && !long_name)
        text.append("; a file whose name starts with - goes after --: ")
            .append(command->name)
            .append(" -- " + arg);
      throw UsageError(text);
    }
    const bool attached = long_name ? arg.size() > name.size() : arg.size() > 2;
    if (option->value_name.empty()) {
      if (attached) throw UsageError(name + " takes no value");
      continue;
    }
    // "--stop" last on the line, or "--stop=" with nothing after it.
    const bool value_missing = attached
                                   ? long_name && arg.size() == name.size() + 1
                                   : k + 1 == args.size();
    if (value_missing)
      throw UsageError(name + " needs a value: " + name + " " +
                       std::string(option->value_name));
    if (!attached) ++k;  // its value, whatever it looks like ("--stop -1")
  }
}

}  // namespace

ParsedArguments ParseArguments(std::span<const CommandSpec> commands,
                               std::span<const std::string> args) {
  // CLI11 would call an unknown command an unexpected argument.
  if (args.empty())
    throw UsageError("no command; the commands are " + CommandNames(commands));
  const std::string& first = args.front();
  const auto named =
      std::find_if(commands.begin(), commands.end(),
                   [&first](const CommandSpec& c) { return c.name == first; });
  const bool known = named != commands.end();
  if (!known && !first.starts_with("-"))
    throw UsageError("unknown command " + first + "; the commands are " +
                     CommandNames(commands));
  CheckOptionNames(known ? &*named : nullptr, args);

  CLI::App app(kProgramDescription, "orlindel-cli");
  // CLI11 takes its names and texts as strings; they are made here, for
  // the program and the commands it declares, and for no other.
  app.set_help_flag(std::string(kHelpOption.names),
                    std::string(kHelpOption.description));
  app.set_version_flag(std::string(kVersionOption.names),
                       std::string("orlindel-cli ") + kVersion,
                       std::string(kVersionOption.description));
  app.require_subcommand(1);
  app.get_formatter()->label("SUBCOMMAND", "COMMAND");
  app.get_formatter()->label("Subcommands", "Commands");
  app.get_formatter()->label("Positionals", "Files");

  struct Bound {
    const CommandSpec* command;
    CLI::App* app;
  };
  // A command not named on the line can only show in the program's help,
  // which lists its name and description; declaring it, let alone its
  // options, would cost the start of every other run for nothing.
  const bool help_asked = std::any_of(
      args.begin(), args.end(),
      [](const std::string& arg) { return HasName(kHelpOption.names, arg); });
  std::vector<Bound> bound;
  for (const CommandSpec& command : commands) {
    const bool on_line =
        std::find(args.begin(), args.end(), command.name) != args.end();
    if (!on_line && !help_asked) continue;
    CLI::App* sub = app.add_subcommand(std::string(command.name),
                                       std::string(command.description));
    if (!on_line) continue;
    sub->set_help_flag(std::string(kCommandHelpOption.names),
                       std::string(kCommandHelpOption.description));
    // CLI11 takes a description only as a const string: a string that is not
    // would be the variable the option sets.
    for (const FileSpec& file : command.files) {
      const std::string description(file.description);
      sub->add_option(std::string(file.name), description)
          ->required()
          ->type_name("");
    }
    for (const OptionSpec& option : command.options) {
      const std::string description(option.description);
      if (option.value_name.empty()) {
        sub->add_flag(std::string(option.names), description)
            ->disable_flag_override();
      } else {
        sub->add_option(std::string(option.names), description)
            ->type_name(std::string(option.value_name))
            ->required(option.required)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
      }
    }
    bound.push_back({&command, sub});
  }

  // Only the program's own help ends with the summary.
  app.footer(kExitStatusSummary);

  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    // The help of the command named, or of the program.
    ParsedArguments help;
    help.text = app.help();
    return help;
  } catch (const CLI::CallForVersion& version) {
    ParsedArguments text;
    text.text = std::string(version.what()) + "\n";
    return text;
  } catch (const CLI::ParseError& error) {
    throw UsageError(error.what());
  }

  for (const Bound& b : bound) {
    if (!b.app->parsed()) continue;
    ParsedArguments parsed;
    parsed.command = b.command;
    parsed.line.arguments.assign(args.begin(), args.end());
    for (const FileSpec& file : b.command->files)
      parsed.line.positional.push_back(
          b.app->get_option(std::string(file.name))->as<std::string>());
    for (const OptionSpec& option : b.command->options) {
      const CLI::Option* given = b.app->get_option(FirstName(option.names));
      if (given->count() == 0) continue;
      if (option.value_name.empty())
        parsed.line.flags.insert(FirstName(option.names));
      else
        parsed.line.values[FirstName(option.names)] = given->results().back();
    }
    return parsed;
  }
  throw UsageError("no command");
}

}  // namespace orlindel::cli
