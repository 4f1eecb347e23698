#include "cli/layout_commands.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/image_files.h"
#include "cli/json_output.h"
#include "core/firmware_document.h"
#include "core/text.h"

namespace orlindel::cli {

namespace {

const char* OutcomeText(LayoutOutcome outcome) {
  switch (outcome) {
    case LayoutOutcome::kChanged:
      return "changed";
    case LayoutOutcome::kIdentical:
      return "identical";
    case LayoutOutcome::kNotApplied:
      return "not applied";
    case LayoutOutcome::kSkipped:
      return "skipped";
  }
  return "";
}

void ReportImport(CommandContext& context, const LayoutImport& import,
                  bool dry_run, const std::optional<std::string>& output) {
  int counts[4] = {0, 0, 0, 0};
  for (const LayoutItem& item : import.items)
    ++counts[static_cast<int>(item.outcome)];
  if (context.json) {
    Json report{{"dryRun", dry_run},
                {"changed", Json::array()},
                {"identical", Json::array()},
                {"notApplied", Json::array()},
                {"skipped", Json::array()}};
    for (const LayoutItem& item : import.items) {
      const std::string name = LayoutItemName(item);
      switch (item.outcome) {
        case LayoutOutcome::kChanged:
          report["changed"].push_back(name);
          break;
        case LayoutOutcome::kIdentical:
          report["identical"].push_back(name);
          break;
        case LayoutOutcome::kNotApplied: {
          Json entry{{"item", name}};
          SetText(entry, "reason", item.reason);
          report["notApplied"].push_back(std::move(entry));
          break;
        }
        case LayoutOutcome::kSkipped:
          report["skipped"].push_back(name);
          break;
      }
    }
    WriteJsonLine(context.out, report);
    return;
  }
  for (const LayoutItem& item : import.items) {
    context.out << LayoutItemName(item) << ": " << OutcomeText(item.outcome);
    if (item.outcome == LayoutOutcome::kNotApplied)
      context.out << " (" << item.reason << ')';
    context.out << '\n';
  }
  context.out << Format("%d changed, %d identical, %d not applied, %d skipped",
                        counts[0], counts[1], counts[2], counts[3]);
  if (dry_run)
    context.out << "; dry run, nothing written\n";
  else
    context.out << "; written to " << *output << '\n';
}

}  // namespace

LayoutParts ParseLayoutParts(const std::string& list) {
  LayoutParts parts;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = std::min(list.find(',', start), list.size());
    const std::string part = list.substr(start, comma - start);
    if (part == "windows")
      parts.windows = true;
    else if (part == "subtitle")
      parts.subtitle = true;
    else if (part == "positions")
      parts.positions = true;
    else
      throw UsageError("bad part for --only: \"" + part +
                       "\"; the parts are windows, subtitle, positions");
    start = comma + 1;
  }
  return parts;
}

int RunExportLayout(const CommandLine& line, CommandContext& context) {
  const std::string& input = FileArgument(line);
  const std::string output = line.Value("-o").value_or(kStandardStream);
  // The command's own model for the subtitle analysis.
  const auto model = std::make_unique<TraceModel>();
  const Layout layout = ExportLayout(*model, LoadInputImage(context, input));
  const std::string document = LayoutToJson(layout);
  SaveOutputFile(
      context, output,
      {reinterpret_cast<const uint8_t*>(document.data()), document.size()});
  // Without -o the document alone goes to standard output.
  if (!line.Value("-o")) return kExitOk;

  if (context.json) {
    WriteJsonLine(context.out, Json{{"windows", std::ssize(layout.windows)},
                                    {"subtitle", layout.subtitle.has_value()},
                                    {"groups", std::ssize(layout.positions)}});
  } else {
    context.out << Format(
        "Layout of %zu windows, %s and %zu message position groups, written "
        "to %s\n",
        layout.windows.size(),
        layout.subtitle ? "the subtitle parameters" : "no subtitle parameters",
        layout.positions.size(), output.c_str());
  }
  return kExitOk;
}

int RunImportLayout(const CommandLine& line, CommandContext& context) {
  const auto [image_path, layout_path] =
      TwoFileArguments(line, "FILE and LAYOUT");
  const bool dry_run = line.Has("--dry-run");
  const std::optional<std::string> output = line.Value("-o");
  if (!dry_run && !output)
    throw UsageError("-o is required unless --dry-run is given");
  const LayoutParts only = line.Value("--only")
                               ? ParseLayoutParts(*line.Value("--only"))
                               : LayoutParts{};

  FirmwareDocument document(LoadInputImage(context, image_path));
  const io::FileBytes text = LoadInputFile(context, layout_path);
  const Layout layout = LayoutFromJson(std::string_view(
      reinterpret_cast<const char*>(text.data()), text.size()));
  LayoutImport import;
  try {
    import = document.ImportLayout(layout, only, dry_run);
  } catch (const LayoutMisfitError& error) {
    throw LayoutError(std::string(error.what()) +
                      "\nUse --only to apply the parts that fit (windows, "
                      "subtitle, positions).");
  }
  // The import fixed the checksum when it changed anything; an image it left
  // alone is written as it came.
  if (!dry_run) SaveOutputFile(context, *output, document.image());
  ReportImport(context, import, dry_run, output);
  return kExitOk;
}

}  // namespace orlindel::cli
