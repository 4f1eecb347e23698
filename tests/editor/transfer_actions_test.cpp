// The File menu's patch, layout and picture actions on a real main window,
// and the command line's render command against the editor's preview.
#include "editor/transfer_actions.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli_render/render_command.h"
#include "core/errors.h"
#include "core/patch/bps.h"
#include "core/patch/ips.h"
#include "core/text.h"
#include "tests/editor/main_window_fixture.h"

namespace orlindel::editor::testing {
namespace {

using orlindel::testing::DemoWindows;
using orlindel::testing::FirmwareBuilder;

// CRC32 by zlib, apart from the code under test.
uint32_t ZlibCrc32(std::span<const uint8_t> bytes) {
  return static_cast<uint32_t>(
      crc32(0L, bytes.data(), static_cast<uInt>(bytes.size())));
}

// A 256 KiB image with `windows` windows; window 3's left edge moved by
// `nudge` pixels.
FirmwareImage Firmware(int windows, int nudge = 0) {
  std::vector<orlindel::testing::WindowSpec> records =
      DemoWindows(windows, 0x1000);
  records[3].left = static_cast<uint16_t>(records[3].left + nudge);
  return FirmwareBuilder(0x40000).WindowList(0x18000, records).Build();
}

std::vector<uint8_t> ReadFileBytes(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

class TransferActionsTest : public MainWindowTest {
 protected:
  void Open(const FirmwareImage& image) {
    frmMain.OpenFirmware(WriteFile("fw.bin", image));
    frmMain.Refresh();
    // These images have no OSD message position list, which opening says.
    dialogs.messages.clear();
  }
  void ApplyPatch(const QString& name, std::span<const uint8_t> patch) {
    dialogs.open_patch_answers.push_back(WriteFile(name, patch));
    Trigger("actApplyPatch");
  }
  const FirmwareImage& Image() { return frmMain.Document().image(); }
  // Picks the File menu's item `name`.
  void Trigger(const char* name) { Control<QAction>(name).trigger(); }
};

TEST_F(TransferActionsTest, AppliesIpsAndBpsAsOneUndoableEntry) {
  const FirmwareImage before = Firmware(12);
  const FirmwareImage after = Firmware(12, 8);
  const struct {
    const char* name;
    std::vector<uint8_t> patch;
  } cases[] = {
      {"move.ips", WriteIps(before, after)},
      {"move.bps", MakeBpsPatch(before, after)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Open(before);
    Control<QSlider>("tbID").setValue(3);
    ApplyPatch(c.name, c.patch);
    EXPECT_TRUE(dialogs.messages.isEmpty())
        << dialogs.messages.join("|").toStdString();
    EXPECT_TRUE(Image() == after);
    ASSERT_EQ(frmMain.History().count(), 1);
    EXPECT_EQ(frmMain.History().text(0), QString("Apply patch ") + c.name);
    // The palette shows window 3 as the patch left it: 520 + 8.
    EXPECT_EQ(frmWB.findChild<QSpinBox*>("seLeft")->value(), 528);
    frmMain.UndoImageEdit();
    EXPECT_TRUE(Image() == before);
  }
}

TEST_F(TransferActionsTest, RefusedPatchesChangeNothing) {
  const FirmwareImage image = Firmware(12);
  const std::vector<uint8_t> digits = {'1', '2', '3', '4', '5',
                                       '6', '7', '8', '9'};
  const struct {
    const char* name;
    std::vector<uint8_t> patch;
    std::string message;
  } cases[] = {
      {"short.bps", MakeBpsPatch(digits, Firmware(12, 8)),
       Format("The patch was made for a file of 9 bytes; this file has %zu "
              "bytes",
              image.size())},
      {"other.bps", MakeBpsPatch(Firmware(12, 8), Firmware(12, 9)),
       Format("The patch was made for a file with CRC32 %08X; this file has "
              "CRC32 %08X",
              ZlibCrc32(Firmware(12, 8)), ZlibCrc32(image))},
      // A record of two bytes at the last byte would grow the image.
      {"grow.ips",
       {'P', 'A', 'T', 'C', 'H', 0x03, 0xFF, 0xFF, 0x00, 0x02, 1, 2, 'E', 'O',
        'F'},
       "The patch reaches past the end of the image: 2 bytes at 0x03FFFF, but "
       "the image is 0x40000 bytes long"},
      {"none.txt",
       {'h', 'e', 'l', 'l', 'o'},
       "Not a patch: it begins with neither \"PATCH\" (IPS) nor \"BPS1\" "
       "(BPS)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Open(image);
    dialogs.messages.clear();
    ApplyPatch(c.name, c.patch);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages.front().toStdString(), c.message);
    EXPECT_TRUE(Image() == image);
    EXPECT_EQ(frmMain.History().count(), 0);
  }
}

TEST_F(TransferActionsTest, ExportPatchWritesBpsOrIpsBySuffix) {
  const FirmwareImage before = Firmware(12);
  const FirmwareImage after = Firmware(12, 8);
  Open(before);
  ApplyPatch("move.ips", WriteIps(before, after));
  const QString bps = folder.filePath("out.BPS");
  const QString ips = folder.filePath("out.ips");
  dialogs.save_patch_answers = {bps, ips};
  Trigger("actExportPatch");
  Trigger("actExportPatch");
  const std::vector<uint8_t> bps_bytes = ReadFileBytes(bps);
  const std::vector<uint8_t> ips_bytes = ReadFileBytes(ips);
  ASSERT_GE(bps_bytes.size(), 4u);
  EXPECT_EQ(std::string(bps_bytes.begin(), bps_bytes.begin() + 4), "BPS1");
  EXPECT_TRUE(ApplyBpsPatch(before, bps_bytes) == after);
  EXPECT_TRUE(ApplyIps(before, ips_bytes) == after);
}

TEST_F(TransferActionsTest, LayoutExportImportRoundTrip) {
  const FirmwareImage before = Firmware(12);
  Open(before);
  const QString layout = folder.filePath("fw.json");
  dialogs.save_layout_answers.push_back(layout);
  Trigger("actExportLayout");
  ApplyPatch("move.ips", WriteIps(before, Firmware(12, 8)));

  dialogs.open_layout_answers.push_back(layout);
  Trigger("actImportLayout");
  EXPECT_TRUE(Image() == before);  // the checksum included
  ASSERT_EQ(frmMain.History().count(), 2);
  EXPECT_EQ(frmMain.History().text(1), "Import layout fw.json");
  EXPECT_TRUE(dialogs.messages.isEmpty());
  ASSERT_EQ(dialogs.information_texts.size(), 1);
  EXPECT_EQ(dialogs.information_titles.front(), "Import layout");
  // The unchanged windows are only counted.
  EXPECT_EQ(dialogs.information_texts.front(),
            "<p>Layout imported.</p>"
            "<p><b>Changed: 1</b><br>window 3</p>"
            "<p><b>Unchanged: 11</b></p>"
            "<p><b>Not applied: 0</b></p>");
  frmMain.UndoImageEdit();
  EXPECT_TRUE(Image() == Firmware(12, 8));
}

// A layout that does not wholly fit is refused with its reasons, and the
// parts that fit are offered: no changes nothing, yes imports them.
TEST_F(TransferActionsTest, LayoutThatDoesNotFitOffersThePartsThatFit) {
  Open(Firmware(8, 8));
  const QString layout = folder.filePath("eight.json");
  dialogs.save_layout_answers.push_back(layout);
  Trigger("actExportLayout");
  Open(Firmware(6));
  const QString refusal =
      "The layout does not fit this firmware:\n"
      "window 6: this firmware has no window 6 (its windows are 0..5)\n"
      "window 7: this firmware has no window 7 (its windows are 0..5)\n\n"
      "Import the parts that fit and leave out the rest?";

  dialogs.open_layout_answers.push_back(layout);
  Trigger("actImportLayout");  // the question is answered no
  EXPECT_EQ(dialogs.questions, QStringList({refusal}));
  EXPECT_TRUE(dialogs.messages.isEmpty());
  EXPECT_TRUE(dialogs.information_texts.isEmpty());
  EXPECT_TRUE(Image() == Firmware(6));
  EXPECT_EQ(frmMain.History().count(), 0);

  dialogs.open_layout_answers.push_back(layout);
  dialogs.question_answers.push_back(true);
  Trigger("actImportLayout");
  EXPECT_EQ(dialogs.questions.size(), 2);
  EXPECT_TRUE(Image() == Firmware(6, 8));
  ASSERT_EQ(frmMain.History().count(), 1);
  EXPECT_EQ(frmMain.History().text(0), "Import layout eight.json");
  ASSERT_EQ(dialogs.information_texts.size(), 1);
  EXPECT_EQ(dialogs.information_texts.front(),
            "<p>Layout imported.</p>"
            "<p><b>Changed: 1</b><br>window 3</p>"
            "<p><b>Unchanged: 5</b></p>"
            "<p><b>Not applied: 2</b>"
            "<br>window 6: this firmware has no window 6 (its windows are "
            "0..5)"
            "<br>window 7: this firmware has no window 7 (its windows are "
            "0..5)</p>");
}

// Every export suggests a name beside the firmware, after it.
TEST_F(TransferActionsTest, ExportsSuggestNamesBesideTheFirmware) {
  OpenThroughDialog(WriteFile("fw.bin", Firmware(12)));
  Trigger("actExportLayout");
  Trigger("actExportPreview");
  EXPECT_EQ(dialogs.save_layout_presets,
            QStringList({folder.filePath("fw-layout.json")}));
  EXPECT_EQ(dialogs.save_picture_presets,
            QStringList({folder.filePath("fw-preview.png")}));
}

TEST_F(TransferActionsTest, ExportedPreviewEqualsTheBitmap) {
  Open(Firmware(12));
  Control<QCheckBox>("cbSafeTitle").click();
  const QImage& bitmap = frmMain.Preview().Bitmap();
  for (const char* name : {"preview.png", "preview.bmp"}) {
    SCOPED_TRACE(name);
    const QString path = folder.filePath(name);
    dialogs.save_picture_answers.push_back(path);
    Trigger("actExportPreview");
    EXPECT_TRUE(dialogs.messages.isEmpty());
    const QImage written(path);
    ASSERT_FALSE(written.isNull());
    EXPECT_EQ(written.convertToFormat(QImage::Format_RGB888), bitmap);
  }
  dialogs.save_picture_answers.push_back(folder.filePath("preview.nope"));
  Trigger("actExportPreview");
  ASSERT_EQ(dialogs.messages.size(), 1);
  EXPECT_TRUE(dialogs.messages.front().endsWith(
      "Its suffix names no picture format that can be written."));
  EXPECT_FALSE(QFile::exists(folder.filePath("preview.nope")));
}

TEST_F(TransferActionsTest, RenderCommandDrawsWhatThePreviewShows) {
  QImage background(200, 100, QImage::Format_RGB888);
  for (int y = 0; y < background.height(); ++y)
    for (int x = 0; x < background.width(); ++x)
      background.setPixelColor(x, y, QColor(x, y * 2, (x + y) & 0xFF));
  const QString bmp = folder.filePath("bg.bmp");
  ASSERT_TRUE(background.save(bmp, "BMP"));

  const struct {
    const char* name;
    std::vector<std::string> options;
    int tv, rects, window, second;  // second -1: not drawn
    bool safe_title, safe_action;
    int background_mode;  // -1: no background
  } cases[] = {
      {"defaults", {}, 0, 1, 0, -1, false, false, -1},
      {"second window and safe areas",
       {"--window", "3", "--second", "5", "--safe-title", "--safe-action"},
       0,
       1,
       3,
       5,
       true,
       true,
       -1},
      {"NTSC",
       {"--tv", "ntsc", "--window", "2"},
       1,
       0,
       2,
       -1,
       false,
       false,
       -1},
      {"both views",
       {"--view", "both", "--window", "0x0B"},
       0,
       2,
       11,
       -1,
       false,
       false,
       -1},
      {"background stretched",
       {"--background", bmp.toStdString(), "--background-mode", "stretch",
        "--window", "4"},
       0,
       1,
       4,
       -1,
       false,
       false,
       2},
      {"background on top, NTSC",
       {"--background", bmp.toStdString(), "--background-mode", "top", "--tv",
        "ntsc", "--view", "pal"},
       1,
       1,
       0,
       -1,
       false,
       true,
       0},
  };
  const QString firmware = WriteFile("fw.bin", Firmware(12));
  frmMain.OpenFirmware(firmware);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // The editor's controls.
    Control<QComboBox>("cmbTV").setCurrentIndex(c.tv);
    Control<QComboBox>("cmbRects").setCurrentIndex(c.rects);
    Control<QCheckBox>("cbSafeTitle").setChecked(c.safe_title);
    Control<QCheckBox>("cbSafeAction").setChecked(c.safe_action);
    Control<QSlider>("tbID").setValue(c.window);
    Control<QCheckBox>("cb2nd").setChecked(c.second >= 0);
    if (c.second >= 0) Control<QSlider>("tbID2").setValue(c.second);
    Control<QLineEdit>("ledBackrgoundImg")
        .setText(c.background_mode >= 0 ? bmp : QString());
    frmMain.LoadBackgroundPicture();
    if (c.background_mode >= 0)
      Control<QComboBox>("cmbBackgrY").setCurrentIndex(c.background_mode);
    frmMain.Refresh();

    // The command line, with the safe-action frame given where the case
    // sets it without an option.
    const QString picture = folder.filePath("render.png");
    std::vector<std::string> args = {"render", firmware.toStdString(), "-o",
                                     picture.toStdString()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    if (c.safe_action && !c.safe_title) args.push_back("--safe-action");
    std::istringstream in;
    std::ostringstream out, err;
    ASSERT_EQ(cli::Run(cli::RenderCommands(), args, in, out, err), 0)
        << err.str();
    const QImage rendered(picture);
    ASSERT_FALSE(rendered.isNull());
    EXPECT_EQ(rendered.convertToFormat(QImage::Format_RGB888),
              frmMain.Preview().Bitmap());
  }
}

}  // namespace
}  // namespace orlindel::editor::testing
