// Files that fail under the editor: each open or save ends with one message
// that names the file and the reason, the image in memory and the editing
// state stay as they were, no chosen file is left truncated, and the editor
// goes on working.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSlider>

#include "core/firmware_image.h"
#include "tests/editor/main_window_fixture.h"

namespace orlindel::editor::testing {
namespace {

// Window 7's record lies at 0x11070; its blend byte is byte 12.
constexpr size_t kWindowSevenBlend = 0x11070 + 12;

FirmwareImage ReadFile(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  return {bytes.begin(), bytes.end()};
}

QString OpenError(const QString& path, const QString& reason) {
  return "Cannot open file \"" + path + "\". " + reason;
}

QString CreateError(const QString& path, const QString& reason) {
  return "Cannot create file \"" + path + "\". " + reason;
}

class FileFaultsTest : public MainWindowTest {
 protected:
  // Opens good.bin: twelve windows, three OSD groups, a valid checksum (so
  // that a save changes nothing in memory), window 7 selected.
  void OpenGood() {
    good_ = FirmwareWithWindows(12)
                .OsdPosList(0x14000, {{0x5000, {{0, 10, 4, 0, 0}}},
                                      {0x5009, {{1, 0, 0, 100, 20}}},
                                      {0x5012, {{2, 1, 2, 3, 4}}}})
                .Build();
    good_path_ = WriteFile("good.bin", good_);
    OpenThroughDialog(good_path_);
    tbID().setValue(7);
    ASSERT_TRUE(dialogs.messages.isEmpty());
  }

  QSlider& tbID() { return Control<QSlider>("tbID"); }

  void Save(const QString& path) {
    dialogs.save_firmware_answers.push_back(path);
    Control<QPushButton>("btnSave").click();
  }

  // The image and what was found in it are those of good.bin.
  void ExpectGoodStillOpen() {
    const FirmwareDocument& document = frmMain.Document();
    EXPECT_EQ(document.image(), good_);
    EXPECT_EQ(document.WindowListPos(), 0x18000);
    EXPECT_EQ(document.MaxWindowIndex(), 11);
    EXPECT_EQ(document.OsdPosCount(), 3);
    EXPECT_EQ(tbID().value(), 7);
    EXPECT_TRUE(Control<QPushButton>("btnSave").isEnabled());
  }

  // A palette edit still writes, a save still saves, an open still opens.
  void ExpectEditorStillWorks() {
    dialogs.messages.clear();
    frmWB.seBlend()->SetValue(0x33);
    EXPECT_EQ(frmMain.Document().image()[kWindowSevenBlend], 0x33);
    const QString saved = folder.filePath("still-works.bin");
    Save(saved);
    EXPECT_EQ(ReadFile(saved), frmMain.Document().image());
    OpenThroughDialog(good_path_);
    EXPECT_EQ(frmMain.Document().image(), good_);
    EXPECT_TRUE(dialogs.messages.isEmpty());
  }

  FirmwareImage good_;
  QString good_path_;
};

TEST_F(FileFaultsTest, UnreadableFilesKeepTheOpenImage) {
  OpenGood();
  const QString vanishing = WriteFile("vanishing.bin", good_);
  const QString sub_folder = folder.filePath("folder.bin");
  ASSERT_TRUE(QDir(folder.path()).mkdir("folder.bin"));
  const QString fifo = folder.filePath("fifo.bin");
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

  struct Row {
    const char* name;
    QString path;
    QString message;
  };
  const Row rows[] = {
      // Deleted after the dialog accepted it and before the editor read it.
      {"file that vanishes", vanishing,
       OpenError(vanishing, "No such file or directory")},
      {"directory", sub_folder, OpenError(sub_folder, "Is a directory")},
      // Reading would wait for a writer that never comes.
      {"FIFO", fifo, OpenError(fifo, "Not a regular file")},
      // Reading would never end.
      {"/dev/zero", "/dev/zero", OpenError("/dev/zero", "Not a regular file")},
  };
  dialogs.after_open_firmware_answer = [&](const QString& path) {
    if (path == vanishing) QFile::remove(path);
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    dialogs.messages.clear();
    OpenThroughDialog(row.path);
    EXPECT_EQ(dialogs.messages, QStringList({row.message}));
    ExpectGoodStillOpen();
  }
  dialogs.after_open_firmware_answer = nullptr;
  ExpectEditorStillWorks();
}

// An image over the size limit is refused before anything is read; a sparse
// file makes one without using the space.
TEST_F(FileFaultsTest, ImageOverTheSizeLimitIsRefused) {
  const QString huge = folder.filePath("huge.bin");
  {
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    if (!file.resize(qint64{3} << 30))
      GTEST_SKIP() << "the temporary file system refuses a 3 GiB file";
  }
  OpenGood();
  OpenThroughDialog(huge);
  EXPECT_EQ(dialogs.messages,
            QStringList({OpenError(huge,
                                   "The file is larger than 64 MiB, the most "
                                   "an image may have")}));
  ExpectGoodStillOpen();
  ExpectEditorStillWorks();
}

// Kernel attribute files claim a size of a whole page and read as a few
// bytes: a read that ends before the size said.
TEST_F(FileFaultsTest, ShortReadIsAnErrorNotAFilledImage) {
  QString short_file;
  for (const char* candidate :
       {"/sys/devices/system/cpu/possible", "/sys/devices/system/cpu/online",
        "/sys/kernel/mm/transparent_hugepage/enabled"}) {
    const QFileInfo info(candidate);
    if (!info.isFile() || !info.isReadable()) continue;
    if (static_cast<qint64>(ReadFile(candidate).size()) < info.size()) {
      short_file = candidate;
      break;
    }
  }
  if (short_file.isEmpty())
    GTEST_SKIP() << "no file here reads shorter than its size";
  OpenGood();
  OpenThroughDialog(short_file);
  EXPECT_EQ(dialogs.messages,
            QStringList({OpenError(
                short_file, "The file ended before its full size was read")}));
  ExpectGoodStillOpen();
  ExpectEditorStillWorks();
}

TEST_F(FileFaultsTest, SaveOntoAFullDeviceIsReported) {
  OpenGood();
  Save("/dev/full");
  EXPECT_EQ(dialogs.messages,
            QStringList({CreateError("/dev/full", "No space left on device")}));
  ExpectGoodStillOpen();
  ExpectEditorStillWorks();
}

TEST_F(FileFaultsTest, SaveOverTheOpenFileReplacesItWhole) {
  OpenGood();
  frmWB.seBlend()->SetValue(0x44);
  const FirmwareImage edited = frmMain.Document().image();
  Save(good_path_);
  EXPECT_TRUE(dialogs.messages.isEmpty());
  EXPECT_EQ(ReadFile(good_path_), edited);
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files),
            QStringList({"good.bin"}));
  // The saved file opens as the image it was saved from.
  OpenThroughDialog(good_path_);
  EXPECT_EQ(frmMain.Document().image(), edited);
  EXPECT_TRUE(dialogs.messages.isEmpty());
}

// When the open file may not be replaced (it is read-only, which holds for
// the super-user too), it keeps every byte it had.
TEST_F(FileFaultsTest, FailedSaveOverTheOpenFileLeavesItWhole) {
  OpenGood();
  frmWB.seBlend()->SetValue(0x44);
  ASSERT_EQ(chmod(QFile::encodeName(good_path_).constData(), 0444), 0);
  Save(good_path_);
  EXPECT_EQ(dialogs.messages,
            QStringList({CreateError(good_path_, "Permission denied")}));
  EXPECT_EQ(ReadFile(good_path_), good_);
  EXPECT_EQ(frmMain.Document().image()[kWindowSevenBlend], 0x44);
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
            QStringList({"good.bin"}));
}

// Root writes into any folder, so the refusal can only be seen by others.
TEST_F(FileFaultsTest, SaveIntoAReadOnlyFolderChangesNoFile) {
  if (geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
  const QString locked = folder.filePath("locked");
  ASSERT_TRUE(QDir(folder.path()).mkdir("locked"));
  OpenGood();
  const QString existing = locked + "/existing.bin";
  ASSERT_TRUE(QFile::copy(good_path_, existing));
  ASSERT_EQ(chmod(QFile::encodeName(locked).constData(), 0555), 0);
  frmWB.seBlend()->SetValue(0x44);
  dialogs.messages.clear();

  const QString fresh = locked + "/new.bin";
  for (const QString& target : {fresh, existing}) {
    SCOPED_TRACE(target.toStdString());
    dialogs.messages.clear();
    Save(target);
    EXPECT_EQ(dialogs.messages,
              QStringList({CreateError(target, "Permission denied")}));
  }
  EXPECT_FALSE(QFile::exists(fresh));
  EXPECT_EQ(ReadFile(existing), good_);
  EXPECT_EQ(QDir(locked).entryList(QDir::Files), QStringList({"existing.bin"}));
  chmod(QFile::encodeName(locked).constData(), 0755);
  EXPECT_EQ(frmMain.Document().image()[kWindowSevenBlend], 0x44);
}

}  // namespace
}  // namespace orlindel::editor::testing
