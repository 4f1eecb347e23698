#include "cli/info_command.h"

#include <optional>
#include <utility>

#include "cli/image_files.h"
#include "cli/json_output.h"
#include "cli/window_report.h"
#include "core/image_scan.h"
#include "core/osd_pos_list.h"
#include "core/text.h"
#include "core/window_list.h"

namespace orlindel::cli {

namespace {

struct InfoReport {
  const FirmwareImage& image;
  WindowListInfo windows;
  OsdPosListInfo osd;
  bool checksum_valid;
};

Json OsdJson(const InfoReport& report) {
  Json groups = Json::array();
  for (int g = 0; g < report.osd.count; ++g) {
    const OsdPosGroup group =
        ReadOsdPosGroup(report.image, report.osd.offset, g);
    Json entries = Json::array();
    for (int e = 0; e < group.entry_count; ++e) {
      const std::optional<OsdPosEntry> entry =
          ReadOsdPosEntry(report.image, group, e);
      if (!entry) continue;
      entries.push_back(Json{{"offset", OsdPosEntryOffset(group, e)},
                             {"windowId", entry->window_id},
                             {"x", entry->x},
                             {"y", entry->y},
                             {"width", entry->width},
                             {"height", entry->height}});
    }
    groups.push_back(Json{{"entryCount", group.entry_count},
                          {"entriesOffset", group.entries_offset},
                          {"entries", std::move(entries)}});
  }
  return Json{{"offset", report.osd.offset},
              {"count", report.osd.count},
              {"groups", std::move(groups)}};
}

void WriteJson(std::ostream& out, const InfoReport& report) {
  Json json{{"length", report.image.size()},
            {"headerLength", ReadHeaderLength(report.image)},
            {"checksumValid", report.checksum_valid},
            {"windowList", nullptr},
            {"osdPosList", nullptr}};
  if (report.windows.count > 0) {
    Json windows = Json::array();
    for (int n = 0; n < report.windows.count; ++n)
      windows.push_back(WindowJson(report.image, report.windows, n));
    json["windowList"] = Json{{"offset", report.windows.offset},
                              {"bank", WindowBankOf(report.windows).number},
                              {"count", report.windows.count},
                              {"windows", std::move(windows)}};
  }
  if (report.osd.count > 0) json["osdPosList"] = OsdJson(report);
  WriteJsonLine(out, json);
}

void WriteText(std::ostream& out, const InfoReport& report) {
  const FirmwareImage& image = report.image;
  out << Format("length         %zu (0x%zX)\n", image.size(), image.size())
      << Format("header length  %u (0x%X)\n", ReadHeaderLength(image),
                ReadHeaderLength(image))
      << "checksum       " << (report.checksum_valid ? "valid" : "invalid")
      << '\n';
  if (report.windows.count == 0) {
    out << "window list    not found\n";
    return;
  }
  out << Format("window list    at 0x%.5llX, bank %u, %d windows\n",
                static_cast<unsigned long long>(report.windows.offset),
                unsigned{WindowBankOf(report.windows).number},
                report.windows.count)
      << WindowTableHeader() << '\n';
  for (int n = 0; n < report.windows.count; ++n)
    out << WindowTableRow(image, report.windows, n) << '\n';
  if (report.osd.count == 0) {
    out << "OSD positions  not found\n";
    return;
  }
  out << Format("OSD positions  at 0x%.5llX, %d groups\n",
                static_cast<unsigned long long>(report.osd.offset),
                report.osd.count)
      << "  group  entries  first entry\n";
  for (int g = 0; g < report.osd.count; ++g) {
    const OsdPosGroup group = ReadOsdPosGroup(image, report.osd.offset, g);
    out << Format("  %5d  %7u  0x%.5llX\n", g, group.entry_count,
                  static_cast<unsigned long long>(group.entries_offset));
  }
}

}  // namespace

int RunInfo(const CommandLine& line, CommandContext& context) {
  const FirmwareImage image = LoadInputImage(context, FileArgument(line));
  // The table searches and the checksum read the image in one pass.
  const ImageScan scan(image, ScannedSearches::kTablesAndChecksum);
  InfoReport report{
      image, FindWindowList(image, scan), {}, scan.checksum_valid()};
  if (report.windows.count > 0)
    report.osd = FindOsdPosList(image, report.windows.count - 1, scan);
  if (context.json) {
    WriteJson(context.out, report);
  } else {
    WriteText(context.out, report);
  }
  return kExitOk;
}

}  // namespace orlindel::cli
