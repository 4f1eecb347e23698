#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <utility>

#include "core/errors.h"
#include "core/layout/layout.h"
#include "core/text.h"

namespace orlindel {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kFormat = "orlindel-layout";
constexpr int kVersion = 1;

LayoutError Malformed(const std::string& what) {
  return LayoutError("The layout document is not valid: " + what);
}

// The path of `key` inside `where` ("windows[2].left"); `where` is empty
// for the document itself.
std::string PathOf(const std::string& where, const char* key) {
  return where.empty() ? key : where + "." + key;
}

const Json& Member(const Json& object, const char* key,
                   const std::string& where) {
  const auto found = object.find(key);
  if (found == object.end())
    throw Malformed(PathOf(where, key) + " is missing");
  return *found;
}

const Json& ArrayMember(const Json& object, const char* key,
                        const std::string& where) {
  const Json& value = Member(object, key, where);
  if (!value.is_array())
    throw Malformed(PathOf(where, key) + " must be a list");
  return value;
}

// The whole number `object[key]`, from 0 to `max` (by default T's largest).
template <typename T>
T Number(const Json& object, const char* key, const std::string& where,
         int64_t max = std::numeric_limits<T>::max()) {
  const Json& value = Member(object, key, where);
  const bool whole = value.is_number_integer();
  const bool fits =
      whole && (value.is_number_unsigned()
                    ? value.get<uint64_t>() <= static_cast<uint64_t>(max)
                    : value.get<int64_t>() >= 0 && value.get<int64_t>() <= max);
  if (!fits)
    throw Malformed(Format("%s must be a whole number from 0 to %lld",
                           PathOf(where, key).c_str(),
                           static_cast<long long>(max)));
  return static_cast<T>(value.get<int64_t>());
}

void CheckObject(const Json& value, const std::string& where) {
  if (!value.is_object())
    throw Malformed((where.empty() ? "the document" : where) +
                    " must be an object");
}

LayoutWindow WindowFromJson(const Json& value, const std::string& where) {
  CheckObject(value, where);
  return {Number<uint8_t>(value, "id", where),
          Number<uint16_t>(value, "left", where),
          Number<uint16_t>(value, "top", where),
          Number<uint16_t>(value, "right", where),
          Number<uint16_t>(value, "bottom", where),
          Number<uint16_t>(value, "palDY", where),
          Number<uint8_t>(value, "blend", where)};
}

Mpeg4SubtitleParams SubtitleFromJson(const Json& value) {
  CheckObject(value, "subtitle");
  Mpeg4SubtitleParams params;
  params.window_id = Number<uint8_t>(value, "windowId", "subtitle");
  params.x1 = Number<uint16_t>(value, "x1", "subtitle");
  params.y1 = Number<uint16_t>(value, "y1", "subtitle");
  params.x2 = Number<uint16_t>(value, "x2", "subtitle");
  params.y2 = Number<uint16_t>(value, "y2", "subtitle");
  params.align = Number<uint8_t>(value, "align", "subtitle");
  params.flags = Number<uint8_t>(value, "flags", "subtitle");
  params.line_space = Number<uint8_t>(value, "lineSpace", "subtitle");
  return params;
}

LayoutPositionGroup GroupFromJson(const Json& value, const std::string& where) {
  CheckObject(value, where);
  // A reference holds a count below 0x80; a list has at most 255 groups.
  LayoutPositionGroup group{Number<int>(value, "group", where, 254),
                            Number<int>(value, "entryCount", where, 0x7F),
                            {}};
  std::set<int> seen;
  const Json& entries = ArrayMember(value, "entries", where);
  for (size_t e = 0; e < entries.size(); ++e) {
    const std::string at = Format("%s.entries[%zu]", where.c_str(), e);
    CheckObject(entries[e], at);
    if (group.entry_count == 0)
      throw Malformed(
          Format("%s: group %d has no entries", at.c_str(), group.group));
    LayoutPosition position;
    position.entry =
        Number<int>(entries[e], "entry", at, group.entry_count - 1);
    if (!seen.insert(position.entry).second)
      throw Malformed(
          Format("%s: entry %d is listed twice", at.c_str(), position.entry));
    position.place = {Number<uint8_t>(entries[e], "windowId", at),
                      Number<uint16_t>(entries[e], "x", at),
                      Number<uint16_t>(entries[e], "y", at),
                      Number<uint16_t>(entries[e], "width", at),
                      Number<uint16_t>(entries[e], "height", at)};
    group.entries.push_back(position);
  }
  return group;
}

Json Parse(std::string_view text) {
  try {
    return Json::parse(text.begin(), text.end());
  } catch (const Json::parse_error& error) {
    throw LayoutError(Format(
        "The layout document is not valid JSON: the text breaks off or goes "
        "wrong at byte %zu",
        error.byte));
  } catch (const Json::out_of_range&) {
    // A number too large for any numeric type.
    throw LayoutError(
        "The layout document is not valid JSON: it holds a number too large "
        "to read");
  } catch (const Json::exception&) {
    throw LayoutError("The layout document is not valid JSON");
  }
}

}  // namespace

std::string LayoutToJson(const Layout& layout) {
  Json document;
  document["format"] = kFormat;
  document["version"] = kVersion;
  Json& windows = document["windows"] = Json::array();
  for (const LayoutWindow& window : layout.windows)
    windows.push_back({{"id", window.id},
                       {"left", window.left},
                       {"top", window.top},
                       {"right", window.right},
                       {"bottom", window.bottom},
                       {"palDY", window.pal_dy},
                       {"blend", window.blend}});
  Json& subtitle = document["subtitle"] = nullptr;
  if (const auto& params = layout.subtitle)
    subtitle = {{"windowId", params->window_id},
                {"x1", params->x1},
                {"y1", params->y1},
                {"x2", params->x2},
                {"y2", params->y2},
                {"align", params->align},
                {"flags", params->flags},
                {"lineSpace", params->line_space}};
  Json& positions = document["positions"] = Json::array();
  for (const LayoutPositionGroup& group : layout.positions) {
    Json entries = Json::array();
    for (const LayoutPosition& position : group.entries)
      entries.push_back({{"entry", position.entry},
                         {"windowId", position.place.window_id},
                         {"x", position.place.x},
                         {"y", position.place.y},
                         {"width", position.place.width},
                         {"height", position.place.height}});
    positions.push_back({{"group", group.group},
                         {"entryCount", group.entry_count},
                         {"entries", std::move(entries)}});
  }
  return document.dump(2) + "\n";
}

Layout LayoutFromJson(std::string_view text) {
  const Json document = Parse(text);
  CheckObject(document, "");
  const auto format = document.find("format");
  if (format == document.end() || !format->is_string() || *format != kFormat)
    throw LayoutError(
        "Not an Orlindel layout: the document's \"format\" is not "
        "\"orlindel-layout\"");
  const auto version = document.find("version");
  if (version == document.end() || !version->is_number_integer() ||
      version->get<int64_t>() < 1)
    throw Malformed("version must be a whole number from 1 on");
  if (version->get<int64_t>() > kVersion)
    throw LayoutError(
        Format("The layout is of version %lld, newer than this program reads "
               "(version %d)",
               static_cast<long long>(version->get<int64_t>()), kVersion));

  Layout layout;
  std::set<int> windows_seen;
  const Json& windows = ArrayMember(document, "windows", "");
  for (size_t n = 0; n < windows.size(); ++n) {
    const std::string where = Format("windows[%zu]", n);
    layout.windows.push_back(WindowFromJson(windows[n], where));
    if (!windows_seen.insert(layout.windows.back().id).second)
      throw Malformed(Format("%s: window %d is listed twice", where.c_str(),
                             layout.windows.back().id));
  }
  const Json& subtitle = Member(document, "subtitle", "");
  if (!subtitle.is_null()) layout.subtitle = SubtitleFromJson(subtitle);
  std::set<int> groups_seen;
  const Json& positions = ArrayMember(document, "positions", "");
  for (size_t g = 0; g < positions.size(); ++g) {
    const std::string where = Format("positions[%zu]", g);
    layout.positions.push_back(GroupFromJson(positions[g], where));
    if (!groups_seen.insert(layout.positions.back().group).second)
      throw Malformed(Format("%s: group %d is listed twice", where.c_str(),
                             layout.positions.back().group));
  }
  return layout;
}

}  // namespace orlindel
