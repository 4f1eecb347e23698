#include "cli/man_page.h"

#include <sstream>
#include <vector>

namespace orlindel::cli {

namespace {

std::vector<std::string> SplitNames(std::string_view names) {
  std::vector<std::string> parts;
  std::istringstream stream{std::string(names)};
  for (std::string part; std::getline(stream, part, ',');)
    parts.push_back(part);
  return parts;
}

std::string Bold(std::string_view text) {
  return "\\fB" + RoffText(text) + "\\fR";
}

std::string Italic(std::string_view text) {
  return "\\fI" + RoffText(text) + "\\fR";
}

// A sentence of the page: the help's phrase with its full stop.
std::string Sentence(std::string_view text) {
  std::string sentence = RoffText(text);
  if (!sentence.empty() && sentence.back() != '.') sentence += '.';
  return sentence;
}

// "-o, --output OUT" as the heading of an option's paragraph.
std::string OptionHeading(const OptionSpec& option) {
  std::string heading;
  for (const std::string& name : SplitNames(option.names))
    heading.append(heading.empty() ? "" : ", ").append(Bold(name));
  if (!option.value_name.empty())
    heading.append(" ").append(Italic(option.value_name));
  return heading;
}

// "-o OUT" when the command needs the option, "[--stop OFF]" when not.
std::string OptionUsage(const OptionSpec& option) {
  std::string usage = Bold(SplitNames(option.names).front());
  if (!option.value_name.empty())
    usage.append(" ").append(Italic(option.value_name));
  return option.required ? usage : "[" + usage + "]";
}

void WriteItem(std::ostream& page, const std::string& heading,
               std::string_view description) {
  page << ".TP\n" << heading << '\n' << Sentence(description) << '\n';
}

void WriteProgramOptions(std::ostream& page) {
  for (const OptionSpec* option : {&kHelpOption, &kVersionOption})
    WriteItem(page, OptionHeading(*option), option->description);
}

void WriteSynopsis(std::ostream& page) {
  const std::string program = Bold("orlindel-cli");
  page << program << ' ' << Italic("COMMAND") << " [" << Italic("FILES")
       << "] [" << Italic("OPTIONS") << "]\n.br\n";
  page << program << ' ' << Italic("COMMAND") << ' '
       << Bold(SplitNames(kCommandHelpOption.names).back()) << "\n.br\n";
  std::string choices;
  for (const OptionSpec* option : {&kHelpOption, &kVersionOption})
    for (const std::string& name : SplitNames(option->names))
      choices += (choices.empty() ? "" : " | ") + Bold(name);
  page << program << ' ' << choices << '\n';
}

void WriteCommand(std::ostream& page, const CommandSpec& command) {
  page << ".SS " << RoffText(command.name) << '\n';
  page << Bold("orlindel-cli " + std::string(command.name));
  for (const FileSpec& file : command.files) page << ' ' << Italic(file.name);
  for (const OptionSpec& option : command.options)
    page << ' ' << OptionUsage(option);
  page << "\n.PP\n" << Sentence(command.description) << '\n';
  for (const FileSpec& file : command.files)
    WriteItem(page, Italic(file.name), file.description);
  for (const OptionSpec& option : command.options)
    WriteItem(page, OptionHeading(option), option.description);
  WriteItem(page, OptionHeading(kCommandHelpOption),
            kCommandHelpOption.description);
}

void WriteExamples(std::ostream& page, std::string_view session) {
  page << ".PP\n.RS 4\n.nf\n";
  std::istringstream lines{std::string(session)};
  for (std::string line; std::getline(lines, line);)
    page << RoffText(line) << '\n';
  page << ".fi\n.RE\n";
}

std::string ReplaceAll(std::string text, std::string_view word,
                       std::string_view by) {
  for (size_t at = text.find(word); at != std::string::npos;
       at = text.find(word, at + by.size()))
    text.replace(at, word.size(), by);
  return text;
}

}  // namespace

std::string RoffText(std::string_view text) {
  std::string roff;
  // A line starting with a period or an apostrophe would be a request.
  if (!text.empty() && (text.front() == '.' || text.front() == '\''))
    roff += "\\&";
  for (const char c : text) {
    if (c == '\\')
      roff += "\\e";
    else if (c == '-')
      roff += "\\-";
    else
      roff += c;
  }
  return roff;
}

std::string ExampleSession(std::string_view markdown) {
  const std::string_view heading = "\n## Example session\n";
  const size_t section = markdown.find(heading);
  if (section == std::string_view::npos) return {};
  const size_t fence = markdown.find("\n```", section + heading.size() - 1);
  if (fence == std::string_view::npos) return {};
  const size_t body = markdown.find('\n', fence + 1);
  if (body == std::string_view::npos) return {};
  const size_t end = markdown.find("\n```", body);
  if (end == std::string_view::npos) return {};
  return std::string(markdown.substr(body + 1, end - body));
}

std::string WriteManPage(std::string_view page_template,
                         std::span<const CommandSpec> commands,
                         const ManPageFacts& facts) {
  std::ostringstream page;
  std::istringstream lines{std::string(page_template)};
  for (std::string line; std::getline(lines, line);) {
    if (line == "@SYNOPSIS@") {
      WriteSynopsis(page);
    } else if (line == "@OPTIONS@") {
      WriteProgramOptions(page);
    } else if (line == "@COMMANDS@") {
      for (const CommandSpec& command : commands) WriteCommand(page, command);
    } else if (line == "@EXAMPLES@") {
      WriteExamples(page, facts.examples);
    } else {
      page << ReplaceAll(ReplaceAll(line, "@DATE@", facts.date), "@VERSION@",
                         facts.version)
           << '\n';
    }
  }
  return page.str();
}

}  // namespace orlindel::cli
