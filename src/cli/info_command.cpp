#include "cli/info_command.h"

#include "cli/json_writer.h"
#include "cli/window_report.h"
#include "core/checks.h"
#include "core/osd_pos_list.h"
#include "core/text.h"
#include "core/window_list.h"

namespace orlindel::cli {

namespace {

struct InfoReport {
  const FirmwareImage& image;
  WindowListInfo windows;
  OsdPosListInfo osd;
};

void WriteOsdJson(JsonWriter& json, const InfoReport& report) {
  json.BeginObject()
      .Key("offset")
      .Int(report.osd.offset)
      .Key("count")
      .Int(report.osd.count)
      .Key("groups")
      .BeginArray();
  for (int g = 0; g < report.osd.count; ++g) {
    const OsdPosGroup group =
        ReadOsdPosGroup(report.image, report.osd.offset, g);
    json.BeginObject()
        .Key("entryCount")
        .Int(group.entry_count)
        .Key("entriesOffset")
        .Int(group.entries_offset)
        .Key("entries")
        .BeginArray();
    for (int e = 0; e < group.entry_count; ++e) {
      const int64_t at = group.entries_offset + kOsdPosEntrySize * e;
      if (!FitsInside(report.image, at, kOsdPosEntrySize)) continue;
      const OsdPosEntry entry = ReadOsdPosEntryAt(report.image, at);
      json.BeginObject()
          .Key("offset")
          .Int(at)
          .Key("windowId")
          .Int(entry.window_id)
          .Key("x")
          .Int(entry.x)
          .Key("y")
          .Int(entry.y)
          .Key("width")
          .Int(entry.width)
          .Key("height")
          .Int(entry.height)
          .EndObject();
    }
    json.EndArray().EndObject();
  }
  json.EndArray().EndObject();
}

void WriteJson(std::ostream& out, const InfoReport& report) {
  JsonWriter json;
  json.BeginObject()
      .Key("length")
      .Int(static_cast<int64_t>(report.image.size()))
      .Key("headerLength")
      .Int(ReadHeaderLength(report.image))
      .Key("checksumValid")
      .Bool(IsImageChecksumValid(report.image))
      .Key("windowList");
  if (report.windows.count == 0) {
    json.Null();
  } else {
    json.BeginObject()
        .Key("offset")
        .Int(report.windows.offset)
        .Key("bank")
        .Int(WindowBankOf(report.windows))
        .Key("count")
        .Int(report.windows.count)
        .Key("windows")
        .BeginArray();
    for (int n = 0; n < report.windows.count; ++n)
      WriteWindowJson(json, report.image, report.windows, n);
    json.EndArray().EndObject();
  }
  json.Key("osdPosList");
  if (report.osd.count == 0) {
    json.Null();
  } else {
    WriteOsdJson(json, report);
  }
  json.EndObject();
  out << json.text() << '\n';
}

void WriteText(std::ostream& out, const InfoReport& report) {
  const FirmwareImage& image = report.image;
  out << Format("length         %zu (0x%zX)\n", image.size(), image.size())
      << Format("header length  %u (0x%X)\n", ReadHeaderLength(image),
                ReadHeaderLength(image))
      << "checksum       "
      << (IsImageChecksumValid(image) ? "valid" : "invalid") << '\n';
  if (report.windows.count == 0) {
    out << "window list    not found\n";
    return;
  }
  out << Format("window list    at 0x%.5llX, bank %u, %d windows\n",
                static_cast<unsigned long long>(report.windows.offset),
                WindowBankOf(report.windows), report.windows.count)
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
  const FirmwareImage image = LoadFirmwareFile(FileArgument(line));
  InfoReport report{image, FindWindowList(image), {}};
  if (report.windows.count > 0)
    report.osd = FindOsdPosList(image, report.windows.count - 1);
  if (context.json) {
    WriteJson(context.out, report);
  } else {
    WriteText(context.out, report);
  }
  return kExitOk;
}

}  // namespace orlindel::cli
