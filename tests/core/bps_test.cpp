#include "core/patch/bps.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"
#include "core/firmware_document.h"

namespace orlindel {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }
FirmwareImage ImageOf(std::string_view text) {
  return FirmwareImage(text.begin(), text.end());
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

uint32_t Crc(const Bytes& bytes) {
  return static_cast<uint32_t>(
      crc32(0L, bytes.data(), static_cast<uInt>(bytes.size())));
}

void Append32(Bytes& bytes, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    bytes.push_back(static_cast<uint8_t>(value >> shift));
}

// "BPS1", the header numbers and actions as raw bytes, then the footer with
// the given source and target CRCs and the patch's own CRC.
Bytes Patch(const Bytes& header, const Bytes& actions, uint32_t source_crc,
            uint32_t target_crc) {
  Bytes patch = Concat({Text("BPS1"), header, actions});
  Append32(patch, source_crc);
  Append32(patch, target_crc);
  Append32(patch, Crc(patch));
  return patch;
}

// A patch from `source` to `target` built from raw actions.
Bytes Patch(const Bytes& header, const Bytes& actions, const Bytes& source,
            const Bytes& target) {
  return Patch(header, actions, Crc(source), Crc(target));
}

std::string Hex(uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

std::string ErrorOf(const Bytes& source, const Bytes& patch) {
  try {
    ApplyBpsPatch(source, patch);
  } catch (const PatchError& error) {
    return error.what();
  }
  return "applied";
}

// Every number has exactly one encoding: seven bits a byte, and each byte
// after the first adds one more than its bits.
struct NumberCase {
  const char* name;
  uint64_t value;
  Bytes encoding;
};

const NumberCase kNumbers[] = {
    {"zero", 0, {0x80}},
    {"largest of one byte", 127, {0xFF}},
    {"smallest of two bytes", 128, {0x00, 0x80}},
    {"largest of two bytes", 16511, {0x7F, 0xFF}},
    {"smallest of three bytes", 16512, {0x00, 0x00, 0x80}},
    {"two to the 32", uint64_t{1} << 32, {0x00, 0x7F, 0x7E, 0x7E, 0x8E}},
    {"64 MiB and one", (uint64_t{1} << 26) + 1, {0x01, 0x7F, 0x7E, 0x9E}},
    {"smallest of ten bytes",
     9295997013522923648u,
     {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80}},
    {"largest of 64 bits",
     std::numeric_limits<uint64_t>::max(),
     {0x7F, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x80}},
};

TEST(BpsNumberTest, EncodesAndDecodesTheEdgesOfEachLength) {
  for (const NumberCase& number : kNumbers) {
    SCOPED_TRACE(number.name);
    EXPECT_EQ(EncodeBpsNumber(number.value), number.encoding);
    const Bytes bytes = Concat({{0x55}, number.encoding, {0x55}});
    int64_t position = 1;
    EXPECT_EQ(DecodeBpsNumber(bytes, position), number.value);
    EXPECT_EQ(position, 1 + std::ssize(number.encoding));
  }
}

TEST(BpsNumberTest, RefusesNumbersPast64BitsAndNumbersCutShort) {
  const struct {
    const char* name;
    Bytes bytes;
    const char* error;
  } kCases[] = {
      {"ten bytes, the last adding 2^63 once too often",
       {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x81},
       "The patch is damaged: the number at patch offset 0 is too large"},
      {"one past the largest",
       {0x7F, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x81},
       "The patch is damaged: the number at patch offset 0 is too large"},
      {"eleven bytes",
       {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80},
       "The patch is damaged: the number at patch offset 0 is too large"},
      {"no last byte",
       {0x00, 0x7F},
       "The patch is truncated: the number at patch offset 0 is incomplete"},
      {"nothing",
       {},
       "The patch is truncated: the number at patch offset 0 "
       "is incomplete"},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.name);
    int64_t position = 0;
    try {
      DecodeBpsNumber(test.bytes, position);
      ADD_FAILURE() << "decoded";
    } catch (const PatchError& error) {
      EXPECT_STREQ(error.what(), test.error);
    }
  }
}

// Actions: SourceRead length n is (n-1) << 2, TargetRead | 1, SourceCopy | 2,
// TargetCopy | 3, each as a number; a copy's distance follows as a number,
// (d << 1) forwards or (d << 1 | 1) backwards.
struct ApplyCase {
  const char* name;
  Bytes source;
  Bytes header;
  Bytes actions;
  Bytes target;
};

const ApplyCase kApplied[] = {
    {"source reads around a target read",
     Text("ABCDEFGH"),
     {0x88, 0x88, 0x80},
     {0x84, 0x85, 'x', 'y', 0x8C},
     Text("ABxyEFGH")},
    {"source copies forwards and backwards",
     Text("ABCDEFGH"),
     {0x88, 0x88, 0x80},
     {0x8E, 0x88, 0x8E, 0x91},
     Text("EFGHABCD")},
    {"a target copy that repeats its own output",
     Text("ABCDEFGH"),
     {0x88, 0x88, 0x80},
     {0x85, 'A', 'B', 0x97, 0x80},
     Text("ABABABAB")},
    {"metadata is passed over",
     Text("ABCD"),
     {0x84, 0x84, 0x84, '<', 'x', '/', '>'},
     {0x8C},
     Text("ABCD")},
    {"a longer target",
     Text("ABCD"),
     {0x84, 0x86, 0x80},
     {0x8C, 0x85, 'E', 'F'},
     Text("ABCDEF")},
    {"a shorter target", Text("ABCD"), {0x84, 0x82, 0x80}, {0x84}, Text("AB")},
    {"an empty target", Text("ABCD"), {0x84, 0x80, 0x80}, {}, {}},
};

TEST(ApplyBpsPatchTest, BuildsTheTargetOfEveryAction) {
  for (const ApplyCase& test : kApplied) {
    SCOPED_TRACE(test.name);
    EXPECT_EQ(ApplyBpsPatch(test.source, Patch(test.header, test.actions,
                                               test.source, test.target)),
              test.target);
  }
}

TEST(ReadBpsHeaderTest, ReportsSizesMetadataAndCrcs) {
  const Bytes patch = Patch({0x84, 0x84, 0x84, '<', 'x', '/', '>'}, {0x8C},
                            0x11223344, 0x55667788);
  const BpsHeader header = ReadBpsHeader(patch);
  EXPECT_EQ(header.source_size, 4u);
  EXPECT_EQ(header.target_size, 4u);
  EXPECT_EQ(header.metadata, "<x/>");
  EXPECT_EQ(header.source_crc, 0x11223344u);
  EXPECT_EQ(header.target_crc, 0x55667788u);
}

TEST(ApplyBpsPatchTest, RefusesWhatCannotBeAppliedSafely) {
  const Bytes source = Text("ABCDEFGH");
  const Bytes other = Text("ABCDEFGX");
  const Bytes target = Text("ABxyEFGH");
  const Bytes header = {0x88, 0x88, 0x80};
  const Bytes good =
      Patch(header, {0x84, 0x85, 'x', 'y', 0x8C}, source, target);
  Bytes flipped = good;
  flipped[9] ^= 0x01;  // the 'x' of the target read
  const Bytes cut(good.begin(), good.begin() + 10);

  const struct {
    const char* name;
    Bytes source;
    Bytes patch;
    std::string error;
  } kCases[] = {
      {"another format", source, Text("PATCH...EOF"),
       "Not a BPS patch: it does not begin with \"BPS1\""},
      {"no room for the footer", source, Text("BPS1\x88\x88\x80"),
       "The patch is truncated: 7 bytes cannot hold its header and footer"},
      {"a damaged byte", source, flipped,
       "The patch is damaged or incomplete: it records CRC32 " +
           Hex(Crc(Bytes(good.begin(), good.end() - 4))) +
           ", but its bytes have CRC32 " +
           Hex(Crc(Bytes(flipped.begin(), flipped.end() - 4)))},
      {"a patch cut short", source, cut, "The patch is truncated"},
      {"another file of the same size", other, good,
       "The patch was made for a file with CRC32 " + Hex(Crc(source)) +
           "; this file has CRC32 " + Hex(Crc(other))},
      {"a file of another size", Text("ABCDEFG"), good,
       "The patch was made for a file of 8 bytes; this file has 7 bytes"},
      {"a target over 64 MiB", source,
       Patch({0x88, 0x01, 0x7F, 0x7E, 0x9E, 0x80}, {}, Crc(source), 0),
       "The patch would make a file of 67108865 bytes: an image has at most "
       "64 MiB"},
      {"a target of 4 GiB", source,
       Patch({0x88, 0x00, 0x7F, 0x7E, 0x7E, 0x8E, 0x80}, {}, Crc(source), 0),
       "The patch would make a file of 4294967296 bytes: an image has at most "
       "64 MiB"},
      {"a source size past 64 bits", source,
       Patch({0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x81}, {},
             Crc(source), 0),
       "The patch is damaged: the number at patch offset 4 is too large"},
      {"metadata running into the footer", source,
       Patch({0x88, 0x88, 0x85, 'a'}, {}, source, target),
       "The patch is truncated: its metadata of 5 bytes runs into the footer"},
      {"a target read running into the footer", source,
       Patch(header, {0x84, 0x8D, 'x', 'y'}, source, target),
       "The patch is truncated: the 4 bytes of the action at patch offset 8 "
       "run into the footer"},
      {"an action number running into the footer", source,
       Patch(header, {0x84, 0x00}, source, target),
       "The patch is truncated: the number at patch offset 8 is incomplete"},
      {"a source read past the source", Text("ABCD"),
       Patch({0x84, 0x88, 0x80}, {0x9C}, Text("ABCD"), target),
       "The patch is damaged: the action at patch offset 7 reads outside the "
       "source"},
      {"a source copy before the source", source,
       Patch(header, {0x82, 0x83}, source, target),
       "The patch is damaged: the action at patch offset 7 reads outside the "
       "source"},
      {"a source copy past the source", source,
       Patch(header, {0x86, 0x8E}, source, target),
       "The patch is damaged: the action at patch offset 7 reads outside the "
       "source"},
      {"a source copy moved past 63 bits", source,
       Patch(header,
             {0x82, 0x80, 0x82, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E,
              0x7E, 0x80},
             source, target),
       "The patch is damaged: the copy at patch offset 9 moves out of range"},
      {"a target copy of nothing written yet", source,
       Patch(header, {0x83, 0x80}, source, target),
       "The patch is damaged: the action at patch offset 7 reads outside the "
       "target written so far"},
      {"a target copy ahead of the output", source,
       Patch(header, {0x84, 0x83, 0x84}, source, target),
       "The patch is damaged: the action at patch offset 8 reads outside the "
       "target written so far"},
      {"a write past the target", source, Patch(header, {0xA0}, source, target),
       "The patch is damaged: the action at patch offset 7 writes past the "
       "end of the 8-byte target"},
      {"actions that stop early", source, Patch(header, {0x8C}, source, target),
       "The patch is truncated: its actions build 4 of the 8 bytes of the "
       "target"},
      {"a target of another CRC", source,
       Patch(header, {0x9C}, Crc(source), Crc(target)),
       "The patched file has CRC32 " + Hex(Crc(source)) +
           ", but the patch expects CRC32 " + Hex(Crc(target)) +
           ": the patch is damaged"},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.name);
    const std::string error = ErrorOf(test.source, test.patch);
    EXPECT_EQ(error.substr(0, test.error.size()), test.error) << error;
  }
}

// SourceRead where source and target agree, TargetRead elsewhere.
TEST(MakeBpsPatchTest, WritesTheActionsAndTheFooter) {
  const Bytes source = Text("ABCD");
  const Bytes target = Text("ABxD");
  EXPECT_EQ(MakeBpsPatch(source, target),
            Patch({0x84, 0x84, 0x80}, {0x84, 0x81, 'x', 0x80}, source, target));
  EXPECT_EQ(MakeBpsPatch(source, Text("ABCDEF")),
            Patch({0x84, 0x86, 0x80}, {0x8C, 0x85, 'E', 'F'}, source,
                  Text("ABCDEF")));
  EXPECT_EQ(MakeBpsPatch(source, {}),
            Patch({0x84, 0x80, 0x80}, {}, source, {}));
}

TEST(MakeBpsPatchTest, RoundTripsThroughApply) {
  constexpr size_t kTen = 10 << 20;
  Bytes large(kTen);
  for (size_t k = 0; k < kTen; ++k) large[k] = static_cast<uint8_t>(k * 7 >> 3);
  Bytes last_changed = large;
  last_changed[kTen - 1] ^= 0xFF;
  Bytes first_changed = large;
  first_changed[0] ^= 0xFF;
  Bytes grown = large;
  grown.insert(grown.end(), 1000, 0xFF);

  const struct {
    const char* name;
    const Bytes& source;
    Bytes target;
    size_t max_patch_size;
  } kCases[] = {
      {"10 MiB, the last byte changed", large, last_changed, 64},
      {"10 MiB, the first byte changed", large, first_changed, 64},
      {"10 MiB unchanged", large, large, 64},
      {"grown by 1000 bytes", large, grown, 1100},
      {"cut to half", large, Bytes(large.begin(), large.begin() + kTen / 2),
       64},
      {"from nothing", {}, Text("new"), 64},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.name);
    const Bytes patch = MakeBpsPatch(test.source, test.target);
    EXPECT_LE(patch.size(), test.max_patch_size);
    EXPECT_TRUE(
        std::ranges::equal(ApplyBpsPatch(test.source, patch), test.target));
  }
}

TEST(MakeBpsPatchTest, RefusesATargetOver64MiB) {
  const Bytes target((64 << 20) + 1);
  EXPECT_THROW(MakeBpsPatch({}, target), PatchError);
}

// An open document takes a BPS patch as edits that undo it.
TEST(ApplyBpsToADocumentTest, WritesTheChangesAndReturnsThemAsEdits) {
  FirmwareDocument document(ImageOf("ABCDEFGH"));
  const Bytes patch = Patch({0x88, 0x88, 0x80}, {0x84, 0x85, 'x', 'y', 0x8C},
                            Text("ABCDEFGH"), Text("ABxyEFGH"));
  const EditList edits = document.ApplyPatch(patch);
  EXPECT_EQ(document.image(), ImageOf("ABxyEFGH"));
  EXPECT_EQ(edits, (EditList{{2, Text("CD"), Text("xy")}}));
  FirmwareImage image = document.image();
  UndoEdits(image, edits);
  EXPECT_EQ(image, ImageOf("ABCDEFGH"));
}

TEST(ApplyBpsToADocumentTest, LeavesTheImageAsItWasWhenRefused) {
  const struct {
    const char* name;
    Bytes patch;
  } kCases[] = {
      {"a longer target", Patch({0x88, 0x8A, 0x80}, {0x9C, 0x85, 'I', 'J'},
                                Text("ABCDEFGH"), Text("ABCDEFGHIJ"))},
      {"another source",
       Patch({0x88, 0x88, 0x80}, {0x9C}, Text("abcdefgh"), Text("abcdefgh"))},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.name);
    FirmwareDocument document(ImageOf("ABCDEFGH"));
    EXPECT_THROW(document.ApplyPatch(test.patch), PatchError);
    EXPECT_EQ(document.image(), ImageOf("ABCDEFGH"));
  }
}

}  // namespace
}  // namespace orlindel
