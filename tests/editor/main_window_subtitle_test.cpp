// The subtitle parameters page: what a refresh shows for the parameters the
// firmware sends, and what "APPLY", "Set to max" and "Debug" do.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

#include "tests/editor/main_window_fixture.h"
#include "tests/support/subtitle_code.h"

namespace orlindel::editor::testing {
namespace {

using orlindel::testing::FirmwareBuilder;
using orlindel::testing::SubtitleValues;
using orlindel::testing::WindowSpec;

constexpr QRgb kGreen = qRgb(0, 255, 0);

// The routine at 0x12340 (code address 0x2340 of bank 1); its twelve loads
// lie at 0x1235C + 12 i. A caller, when there is one, at 0x15000.
constexpr size_t kRoutineAt = 0x12340;
constexpr size_t kCallerAt = 0x15000;
constexpr size_t kFirstLoad = 0x1235C;

// Window 2, (10; 20) - (140; 70), right, bottom with all 256 characters,
// line space 4. Window 2 of the demo layout is 150 x 80 at (360; 88) in PAL.
constexpr SubtitleValues kWindowTwo = {2, 10, 0, 20, 0, 140, 0, 70, 0, 2, 9, 4};

FirmwareBuilder WithPatchedRoutine(FirmwareBuilder builder,
                                   const SubtitleValues& values) {
  return builder.Bytes(kRoutineAt, orlindel::testing::SubtitleRoutine(
                                       orlindel::testing::PatchedLoads(values))
                                       .bytes());
}

// The twelve constants the patched loads now send.
SubtitleValues SentValues(const FirmwareImage& image) {
  SubtitleValues values{};
  for (size_t i = 0; i < values.size(); ++i) {
    const size_t load = kFirstLoad + 12 * i;
    EXPECT_EQ(image[load], 0x00);
    EXPECT_EQ(image[load + 1], 0x00);
    EXPECT_EQ(image[load + 2], 0x74);
    values[i] = image[load + 3];
  }
  return values;
}

class SubtitlePageTest : public MainWindowTest {
 protected:
  void Open(const FirmwareImage& image) {
    OpenThroughDialog(WriteFile("fw.bin", image));
  }
  void OpenPatched(const SubtitleValues& values) {
    Open(WithPatchedRoutine(FirmwareWithWindows(12), values).Build());
  }
  void ShowPage() {
    Control<QTabWidget>("pcMain").setCurrentWidget(
        &Control<QWidget>("tsMpeg4Sub"));
  }
  QStringList LogLines() {
    return Control<QPlainTextEdit>("meLog").toPlainText().split('\n');
  }
  QString LastLogLine() { return LogLines().last(); }
  bool LogVisible() { return Control<QPlainTextEdit>("meLog").isVisible(); }
  bool Checked(const char* name) {
    return Control<QAbstractButton>(name).isChecked();
  }
  int Value(const char* name) { return Control<QSpinBox>(name).value(); }
  bool ApplyEnabled() { return Control<QPushButton>("btnApply").isEnabled(); }
  void Click(const char* name) { Control<QAbstractButton>(name).click(); }
  QSlider& tbID() { return Control<QSlider>("tbID"); }
  QRgb PreviewPixel(int x, int y) {
    return frmMain.Preview().Bitmap().pixel(x, y);
  }
};

TEST_F(SubtitlePageTest, WithoutFirmwareThePageStaysEmpty) {
  ShowPage();
  EXPECT_EQ(Control<QPlainTextEdit>("meLog").toPlainText(), "");
  EXPECT_FALSE(ApplyEnabled());
  EXPECT_FALSE(LogVisible());
  EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(SubtitlePageTest, RefreshShowsTheParametersAndTheirArea) {
  OpenPatched(kWindowTwo);
  ShowPage();
  EXPECT_EQ(LogLines(),
            QStringList(
                {"", "Mpeg4SubtitleParams found:", "", "\tWindow ID  = 0x02",
                 "\t(X1; Y1)   = ( 10;  20)", "\t(X2; Y2)   = (140;  70)",
                 "\tH. Align   = 0x02 = Right", "\tV. Align   = 0x09 = Bottom",
                 "\tLine Space = 0x04 = 4", "\tAll 256 chars = ON"}));
  EXPECT_FALSE(LogVisible());
  EXPECT_FALSE(Checked("cbViewLog"));
  EXPECT_TRUE(ApplyEnabled());
  EXPECT_EQ(tbID().value(), 2);
  EXPECT_TRUE(Checked("rbRight"));
  EXPECT_TRUE(Checked("rbBottom"));
  EXPECT_TRUE(Checked("cbFullAscii"));
  EXPECT_EQ(Value("seLeft"), 10);
  EXPECT_EQ(Value("seTop"), 20);
  EXPECT_EQ(Value("seRight"), 140);
  EXPECT_EQ(Value("seBottom"), 70);
  // The area frame, two lines inside (370; 108) - (500; 158).
  EXPECT_EQ(PreviewPixel(370, 108), kGreen);
  EXPECT_EQ(PreviewPixel(500, 158), kGreen);
  EXPECT_EQ(PreviewPixel(371, 109), kGreen);
  EXPECT_NE(PreviewPixel(372, 110), kGreen);
}

TEST_F(SubtitlePageTest, AlignmentThreeChecksNoButtonAndApplyWritesCenter) {
  OpenPatched({1, 5, 0, 6, 0, 7, 0, 8, 0, 3, 0, 0});
  ShowPage();
  EXPECT_EQ(LogLines().at(6), "\tH. Align   = 0x03 = Unknown");
  EXPECT_EQ(LogLines().at(7), "\tV. Align   = 0x00 = Top");
  EXPECT_EQ(LastLogLine(), "\tAll 256 chars = OFF");
  for (const char* name : {"rbLeft", "rbCenter", "rbRight"})
    EXPECT_FALSE(Checked(name)) << name;
  EXPECT_TRUE(Checked("rbTop"));
  EXPECT_FALSE(Checked("cbFullAscii"));

  Click("btnApply");
  EXPECT_EQ(SentValues(frmMain.Document().image()),
            (SubtitleValues{1, 5, 0, 6, 0, 7, 0, 8, 0, 1, 0, 0}));
  EXPECT_TRUE(IsImageChecksumValid(frmMain.Document().image()));
  // The memo shows what was read back.
  EXPECT_EQ(LogLines().at(6), "\tH. Align   = 0x01 = Center");
  EXPECT_TRUE(Checked("rbCenter"));
}

TEST_F(SubtitlePageTest, AlignmentFourReadsAsLeft) {
  OpenPatched({1, 5, 0, 6, 0, 7, 0, 8, 0, 4, 0, 0});
  ShowPage();
  EXPECT_EQ(LogLines().at(6), "\tH. Align   = 0x04 = Unknown");
  EXPECT_TRUE(Checked("rbLeft"));
}

TEST_F(SubtitlePageTest, ApplyWritesWhatTheControlsShow) {
  // X2 672 lies beyond the 150 pixels of window 2; flags carry bits besides
  // bottom and all-characters; line space 4.
  OpenPatched({2, 10, 0, 20, 0, 0xA0, 0x02, 70, 0, 0, 0x2B, 4});
  ShowPage();
  EXPECT_EQ(LogLines().at(5), "\t(X2; Y2)   = (672;  70)");
  EXPECT_EQ(Value("seRight"), 150);
  Control<QSpinBox>("seTop").setValue(30);
  Click("rbCenter");

  Click("btnApply");
  EXPECT_EQ(SentValues(frmMain.Document().image()),
            (SubtitleValues{2, 10, 0, 30, 0, 150, 0, 70, 0, 1, 0x09, 0}));
  EXPECT_TRUE(IsImageChecksumValid(frmMain.Document().image()));
  EXPECT_EQ(LogLines().at(8), "\tLine Space = 0x00 = 0");
  EXPECT_FALSE(LogVisible());
}

TEST_F(SubtitlePageTest, WindowBeyondTheListKeepsTheSelection) {
  OpenPatched({0x20, 10, 0, 20, 0, 30, 0, 40, 0, 1, 0, 0});
  tbID().setValue(4);
  ShowPage();
  EXPECT_EQ(LogLines().mid(10),
            QStringList({"", "WRONG WINDOW ID! USE DISASSEMBLER TO VERIFY!"}));
  EXPECT_TRUE(Checked("cbViewLog"));
  EXPECT_TRUE(LogVisible());
  EXPECT_EQ(tbID().value(), 4);
  EXPECT_TRUE(ApplyEnabled());

  Click("btnApply");
  EXPECT_EQ(SentValues(frmMain.Document().image())[0], 4);
}

TEST_F(SubtitlePageTest, WindowZeroAsksTheUserToSelectOne) {
  OpenPatched({0, 10, 0, 20, 0, 30, 0, 40, 0, 1, 0, 0});
  tbID().setValue(7);
  ShowPage();
  EXPECT_EQ(
      LogLines().mid(10),
      QStringList(
          {"", "WARNING: Can't find Subtitle Window - Select it manually!"}));
  EXPECT_TRUE(LogVisible());
  EXPECT_EQ(tbID().value(), 7);
  EXPECT_TRUE(ApplyEnabled());

  Click("btnApply");
  EXPECT_EQ(SentValues(frmMain.Document().image())[0], 7);
}

TEST_F(SubtitlePageTest, InvalidParametersLeaveTheControlsAlone) {
  OpenPatched({2, 10, 0, 20, 0, 30, 0, 40, 0, 1, 0, 0xFF});
  ShowPage();
  EXPECT_EQ(LogLines().mid(8),
            QStringList({"\tLine Space = 0xFF = 255", "\tAll 256 chars = OFF",
                         "", "Invalid Mpeg4 Subtitle Parameters!"}));
  EXPECT_FALSE(ApplyEnabled());
  // A plain line: the memo stays hidden.
  EXPECT_FALSE(Checked("cbViewLog"));
  EXPECT_EQ(Value("seLeft"), 0);
  EXPECT_TRUE(Checked("cbFullAscii"));
}

TEST_F(SubtitlePageTest, MissingRoutineIsReported) {
  Open(FirmwareWithWindows(12).Build());
  ShowPage();
  EXPECT_EQ(LogLines(), QStringList({"Mpeg4SubtitleParams NOT found!"}));
  EXPECT_TRUE(LogVisible());
  EXPECT_FALSE(ApplyEnabled());
}

TEST_F(SubtitlePageTest, SetToMaxCoversTheWholeWindow) {
  OpenPatched(kWindowTwo);
  ShowPage();
  Click("btnSetMax");
  EXPECT_EQ(Value("seLeft"), 0);
  EXPECT_EQ(Value("seRight"), 150);
  EXPECT_EQ(Value("seTop"), 0);
  EXPECT_EQ(Value("seBottom"), 80);
  // The frame then runs one pixel beyond the window: (360; 88) - (510; 168).
  EXPECT_EQ(PreviewPixel(510, 168), kGreen);
}

TEST_F(SubtitlePageTest, WindowWithoutSizeLeavesTheAreaUnlimited) {
  std::vector<WindowSpec> windows = orlindel::testing::DemoWindows(12, 0x1000);
  windows[2].right = static_cast<uint16_t>(windows[2].left - 1);
  windows[2].bottom = static_cast<uint16_t>(windows[2].top - 1);
  // A stale checksum shows that a failed update still fixes it.
  const FirmwareImage image =
      WithPatchedRoutine(FirmwareBuilder(0x40000).WindowList(0x18000, windows),
                         {2, 10, 0, 20, 0, 0xBC, 0x02, 0xF4, 0x01, 1, 0, 0})
          .Build(false);
  Open(image);
  ShowPage();
  EXPECT_EQ(frmWB.seWidth()->value(), 0);
  EXPECT_EQ(Value("seRight"), 700);
  EXPECT_EQ(Value("seBottom"), 500);

  // 65535 is the value no parameter may hold: the update is refused.
  Control<QSpinBox>("seRight").setValue(65535);
  EXPECT_EQ(Value("seRight"), 65535);
  Click("btnApply");
  EXPECT_EQ(LogLines(),
            QStringList({"Failed to update Mpeg4 Subtitle Params!"}));
  EXPECT_TRUE(LogVisible());
  EXPECT_EQ(SentValues(frmMain.Document().image())[5], 0xBC);
  EXPECT_TRUE(IsImageChecksumValid(frmMain.Document().image()));
}

TEST_F(SubtitlePageTest, DebugShowsTheWholeAnalysis) {
  Open(FirmwareWithWindows(12)
           .Bytes(kRoutineAt, orlindel::testing::SubtitleRoutine(
                                  orlindel::testing::XramLoads(
                                      orlindel::testing::kSubtitleCells))
                                  .bytes())
           .Bytes(kCallerAt,
                  orlindel::testing::SubtitleCaller(
                      orlindel::testing::kSubtitleCells, kWindowTwo, 0x2340)
                      .bytes())
           .Build());
  ShowPage();
  EXPECT_EQ(LogLines().size(), 10);
  Click("cbDebug");
  EXPECT_TRUE(Checked("cbViewLog"));
  EXPECT_TRUE(LogVisible());
  QStringList lines = LogLines();
  EXPECT_EQ(lines.first(), "WList at 0x18000 - Count = 12 (0x0C)");
  EXPECT_TRUE(lines.contains("Not yet patched. Trying to analyze XREF..."));
  EXPECT_TRUE(lines.contains("\tXREF function start at 0x15001"));
  EXPECT_EQ(lines.last(), "\tAll 256 chars = ON");
  EXPECT_EQ(tbID().value(), 2);

  // After "APPLY" the memo holds the read-back's analysis only.
  Click("btnApply");
  lines = LogLines();
  EXPECT_EQ(lines.count("'SetMpeg4SubtitleParams' analyze..."), 1);
  EXPECT_TRUE(lines.contains("Already patched."));
  EXPECT_FALSE(lines.contains("Not yet patched. Trying to analyze XREF..."));
  EXPECT_EQ(lines.last(), "\tAll 256 chars = ON");
  EXPECT_TRUE(LogVisible());
  EXPECT_EQ(SentValues(frmMain.Document().image()),
            (SubtitleValues{2, 10, 0, 20, 0, 140, 0, 70, 0, 2, 9, 0}));

  Click("cbDebug");
  EXPECT_FALSE(LogVisible());
  EXPECT_EQ(LogLines().size(), 10);
}

}  // namespace
}  // namespace orlindel::editor::testing
