#include "editor/command_line.h"

#include <QCommandLineParser>

#include "orlindel/version.h"

namespace orlindel::editor {

CommandLine ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Edits the OSD windows, the OSD message positions and the subtitle "
      "parameters of a DVD player's firmware image.");
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  parser.addPositionalArgument("FILE", "Firmware image to open at start.",
                               "[FILE]");
  CommandLine result;
  if (!parser.parse(arguments)) {
    result.action = CommandLine::Action::kError;
    result.text = parser.errorText();
    return result;
  }
  if (parser.isSet(help) || parser.isSet("help-all")) {
    result.action = CommandLine::Action::kHelp;
    // Read before the application exists, the help cannot know the
    // program's name by itself.
    result.text = parser.helpText().replace("<executable_name>", "orlindel");
    return result;
  }
  if (parser.isSet(version)) {
    result.action = CommandLine::Action::kVersion;
    result.text = QString("orlindel %1\n").arg(kVersion);
    return result;
  }
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) {
    result.action = CommandLine::Action::kError;
    result.text = "Only one firmware file can be opened at a time.";
    return result;
  }
  if (!files.isEmpty()) result.file = files.first();
  return result;
}

}  // namespace orlindel::editor
