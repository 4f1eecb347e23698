// Opening and saving firmware files and loading the background picture,
// through the main window's buttons and fake dialogs.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QSlider>

#include "core/firmware_image.h"
#include "tests/editor/main_window_fixture.h"

namespace orlindel::editor::testing {
namespace {

using orlindel::testing::OsdGroupSpec;

// Three OSD groups at 0x14000 with entries at 0x15000.. of bank 1.
std::vector<OsdGroupSpec> ThreeGroups() {
  return {{0x5000, {{0, 10, 4, 0, 0}}},
          {0x5012, {{1, 0, 0, 100, 20}}},
          {0x501B, {{2, 1, 2, 3, 4}, {3, 5, 6, 7, 8}}}};
}

FirmwareImage ReadFile(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  return {bytes.begin(), bytes.end()};
}

class OpenFirmwareTest : public MainWindowTest {
 protected:
  QSlider& tbID() { return Control<QSlider>("tbID"); }
  QSlider& tbID2() { return Control<QSlider>("tbID2"); }
};

TEST_F(OpenFirmwareTest, SelectorsFollowTheNewWindowCount) {
  OpenThroughDialog(WriteFile("forty.bin", FirmwareWithWindows(40).Build()));
  ASSERT_EQ(tbID().maximum(), 39);
  tbID().setValue(30);
  tbID2().setValue(30);

  const QString path = WriteFile("twenty.bin", FirmwareWithWindows(20).Build());
  OpenThroughDialog(path);
  EXPECT_EQ(dialogs.open_firmware_presets,
            QStringList({"", folder.filePath("forty.bin")}));
  EXPECT_EQ(Control<QLineEdit>("ledFWFile").text(), path);
  for (QSlider* selector : {&tbID(), &tbID2()}) {
    EXPECT_EQ(selector->value(), 19);
    EXPECT_EQ(selector->maximum(), 19);
  }
  const FirmwareDocument& document = frmMain.Document();
  EXPECT_EQ(document.MaxWindowIndex(), 19);
  EXPECT_EQ(document.WindowListPos(), 0x18000);
  EXPECT_EQ(BankOf(*document.WindowListPos()), 1);
  // The refresh drew window 19 (DemoWindows: column 3, row 4).
  EXPECT_EQ(Panel(3), "0x13:  (520;424)->(669;503) [150x80]");
  EXPECT_EQ(Panel(7), "48");
  EXPECT_TRUE(Control<QPushButton>("btnSave").isEnabled());
}

TEST_F(OpenFirmwareTest, OpeningLeavesTheImageAsRead) {
  // A stale checksum shows that the palette fill during the open's refresh
  // wrote nothing back.
  const FirmwareImage bytes =
      FirmwareWithWindows(5).OsdPosList(0x14000, ThreeGroups()).Build(false);
  ASSERT_FALSE(IsImageChecksumValid(bytes));
  OpenThroughDialog(WriteFile("fw.bin", bytes));
  EXPECT_EQ(frmMain.Document().image(), bytes);
  EXPECT_TRUE(dialogs.messages.isEmpty());
  EXPECT_EQ(frmMain.Document().OsdPosCount(), 3);
  EXPECT_EQ(frmMain.Document().OsdPosListPos(), 0x14000);
  EXPECT_TRUE(Control<QWidget>("tsWinPos").isEnabled());
  EXPECT_EQ(Control<QSlider>("tbR6").maximum(), 2);
}

TEST_F(OpenFirmwareTest, MissingOsdListIsReportedAndTheOpenCompletes) {
  OpenThroughDialog(WriteFile("fw.bin", FirmwareWithWindows(5).Build()));
  EXPECT_EQ(dialogs.messages,
            QStringList({"OSD Messages Position list not found!"}));
  EXPECT_FALSE(Control<QWidget>("tsWinPos").isEnabled());
  EXPECT_TRUE(Control<QPushButton>("btnSave").isEnabled());
  EXPECT_TRUE(frmMain.Document().WindowListPos().has_value());
}

TEST_F(OpenFirmwareTest, CancelledDialogChangesNothing) {
  Control<QPushButton>("btnFWOpen").click();
  EXPECT_EQ(dialogs.open_firmware_presets, QStringList({""}));
  EXPECT_TRUE(Control<QLineEdit>("ledFWFile").text().isEmpty());
  EXPECT_FALSE(Control<QPushButton>("btnSave").isEnabled());
}

// A file that is not a usable firmware ends the open with one message and
// keeps the open image, its window list and every control as they were.
TEST_F(OpenFirmwareTest, FailedOpenKeepsThePreviousFirmware) {
  const FirmwareImage good =
      FirmwareWithWindows(12).OsdPosList(0x14000, ThreeGroups()).Build();
  OpenThroughDialog(WriteFile("good.bin", good));
  tbID().setValue(7);
  ASSERT_TRUE(dialogs.messages.isEmpty());

  struct Row {
    const char* name;
    QString path;
    QString message;
  };
  const QString missing = folder.filePath("missing.bin");
  const Row rows[] = {
      {"empty file", WriteFile("empty.bin", FirmwareImage()),
       "Cannot open file \"" + folder.filePath("empty.bin") +
           "\". The file is empty"},
      {"no window list",
       WriteFile("plain.bin",
                 orlindel::testing::FirmwareBuilder(0x1000).Build()),
       "\"" + QDir::toNativeSeparators(folder.filePath("plain.bin")) +
           "\" is not a firmware image this editor can open.\n"
           "No list of OSD windows was found in it: no table whose first "
           "five entries lead to plausible window records.\n"
           "(Range check error)"},
      {"missing file", missing,
       "Cannot open file \"" + missing + "\". No such file or directory"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    dialogs.messages.clear();
    OpenThroughDialog(row.path);
    EXPECT_EQ(dialogs.messages, QStringList({row.message}));
    // The field names the file still loaded, which Save suggests.
    EXPECT_EQ(Control<QLineEdit>("ledFWFile").text(),
              folder.filePath("good.bin"));
    const FirmwareDocument& document = frmMain.Document();
    EXPECT_EQ(document.image(), good);
    EXPECT_EQ(document.WindowListPos(), 0x18000);
    EXPECT_EQ(document.MaxWindowIndex(), 11);
    EXPECT_EQ(document.OsdPosCount(), 3);
    EXPECT_EQ(tbID().value(), 7);
    EXPECT_EQ(tbID().maximum(), 11);
    EXPECT_TRUE(Control<QWidget>("tsWinPos").isEnabled());
    EXPECT_TRUE(Control<QPushButton>("btnSave").isEnabled());
  }
}

TEST_F(OpenFirmwareTest, FailedFirstOpenLeavesNoWindowList) {
  const QString empty = WriteFile("empty.bin", FirmwareImage());
  OpenThroughDialog(empty);
  EXPECT_EQ(dialogs.messages, QStringList({"Cannot open file \"" + empty +
                                           "\". The file is empty"}));
  EXPECT_FALSE(frmMain.Document().WindowListPos().has_value());
  EXPECT_TRUE(frmMain.Document().image().empty());
  EXPECT_FALSE(Control<QPushButton>("btnSave").isEnabled());
  EXPECT_EQ(tbID().maximum(), 4);
}

class SaveFirmwareTest : public MainWindowTest {
 protected:
  // Opens dvd.bin (five windows, stale checksum) from the temporary folder.
  void OpenDvd() {
    bytes_ = FirmwareWithWindows(5).Build(false);
    OpenThroughDialog(WriteFile("dvd.bin", bytes_));
    dialogs.messages.clear();
  }
  FirmwareImage bytes_;
};

TEST_F(SaveFirmwareTest, SuggestsModNameInTheSameFolderAndWritesTheImage) {
  OpenDvd();
  const QString target = folder.filePath("out.bin");
  dialogs.save_firmware_answers.push_back(target);
  Control<QPushButton>("btnSave").click();
  dialogs.save_firmware_answers.push_back(QString());
  Control<QPushButton>("btnSave").click();

  const QString suggested = folder.filePath("dvd-mod.bin");
  EXPECT_EQ(dialogs.save_firmware_presets, QStringList({suggested, suggested}));
  EXPECT_TRUE(dialogs.messages.isEmpty());
  const FirmwareImage saved = ReadFile(target);
  EXPECT_EQ(saved, frmMain.Document().image());
  EXPECT_TRUE(IsImageChecksumValid(saved));
  // Only the checksum word differs from the file as it was opened.
  ASSERT_EQ(saved.size(), bytes_.size());
  EXPECT_TRUE(std::equal(saved.begin(), saved.end() - 4, bytes_.begin()));
  EXPECT_EQ(Control<QLineEdit>("ledFWFile").text(), folder.filePath("dvd.bin"));
}

TEST_F(SaveFirmwareTest, CancelLeavesTheImageUntouched) {
  OpenDvd();
  Control<QPushButton>("btnSave").click();
  EXPECT_EQ(dialogs.save_firmware_presets.size(), 1);
  EXPECT_EQ(frmMain.Document().image(), bytes_);
  EXPECT_FALSE(QFile::exists(folder.filePath("dvd-mod.bin")));
}

TEST_F(SaveFirmwareTest, UncreatableFileIsReported) {
  OpenDvd();
  const QString target = folder.filePath("no/such/folder/out.bin");
  dialogs.save_firmware_answers.push_back(target);
  Control<QPushButton>("btnSave").click();
  EXPECT_EQ(dialogs.messages, QStringList({"Cannot create file \"" + target +
                                           "\". No such file or directory"}));
}

class BackgroundPictureTest : public MainWindowTest {
 protected:
  QString SavePicture(const QString& name, const char* format) {
    QImage picture(40, 30, QImage::Format_RGB888);
    picture.fill(Qt::red);
    const QString path = folder.filePath(name);
    EXPECT_TRUE(picture.save(path, format));
    return path;
  }
  void PickPicture(const QString& path) {
    dialogs.open_picture_answers.push_back(path);
    Control<QPushButton>("btnOpenImg").click();
  }
};

TEST_F(BackgroundPictureTest, BmpAndOtherPictureFormatsAreLoaded) {
  const QString bmp = SavePicture("back.bmp", "BMP");
  PickPicture("  " + bmp + " ");
  EXPECT_EQ(Control<QLineEdit>("ledBackrgoundImg").text(), bmp);
  ASSERT_TRUE(frmMain.State().BackgroundPicture.has_value());
  EXPECT_EQ(frmMain.State().BackgroundPicture->size(), QSize(40, 30));
  // The refresh drew it centred on the black screen.
  const QImage with_bmp = frmMain.Preview().Bitmap();
  EXPECT_EQ(with_bmp.pixelColor(0, 273), QColor(Qt::red));
  EXPECT_EQ(with_bmp.pixelColor(0, 272), QColor(Qt::black));

  // A PNG file, also one named .bmp, draws the same picture.
  for (const char* name : {"back.png", "fake.bmp"}) {
    SCOPED_TRACE(name);
    PickPicture(SavePicture(name, "PNG"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
    ASSERT_TRUE(frmMain.State().BackgroundPicture.has_value());
    EXPECT_EQ(frmMain.State().BackgroundPicture->size(), QSize(40, 30));
    EXPECT_EQ(frmMain.Preview().Bitmap(), with_bmp);
  }

  // A file that is no picture at all is refused; the background is empty.
  PickPicture(WriteFile("notes.png", {'t', 'e', 'x', 't'}));
  EXPECT_EQ(dialogs.messages, QStringList({"Bitmap image is not valid"}));
  ASSERT_TRUE(frmMain.State().BackgroundPicture.has_value());
  EXPECT_TRUE(frmMain.State().BackgroundPicture->isNull());
  EXPECT_EQ(dialogs.open_picture_presets.size(), 4);
  EXPECT_EQ(dialogs.open_picture_presets.front(), "");
  EXPECT_EQ(dialogs.open_picture_presets.back(), folder.filePath("fake.bmp"));

  // A name that is no file drops the picture.
  PickPicture(folder.filePath("gone.bmp"));
  EXPECT_FALSE(frmMain.State().BackgroundPicture.has_value());
}

}  // namespace
}  // namespace orlindel::editor::testing
