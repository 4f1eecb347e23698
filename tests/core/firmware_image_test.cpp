#include "core/firmware_image.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/errors.h"
#include "tests/support/test_folder.h"

namespace orlindel {
namespace {

namespace fs = std::filesystem;

TEST(BigEndianFieldTest, ReadsAndWritesHighByteFirst) {
  FirmwareImage image = {0x01, 0x2C, 0x00, 0x00};
  EXPECT_EQ(ReadBE16(image, 0), 300);
  WriteBE16(image, 2, 720);
  EXPECT_EQ(image[2], 0x02);
  EXPECT_EQ(image[3], 0xD0);
}

TEST(BigEndianFieldTest, RejectsValuesAndOffsetsOutOfRange) {
  FirmwareImage image(4, 0);
  EXPECT_THROW(WriteBE16(image, 0, 0x10000), RangeError);
  EXPECT_THROW(WriteBE16(image, 0, -1), RangeError);
  EXPECT_THROW(WriteBE16(image, 3, 1), RangeError);
  EXPECT_THROW(ReadBE16(image, 3), RangeError);
  EXPECT_THROW(ReadBE16(image, -1), RangeError);
  EXPECT_EQ(image, FirmwareImage(4, 0));
}

TEST(HeaderLengthTest, IsLittleEndianAt0x200) {
  FirmwareImage image(0x203, 0);
  image[0x200] = 0x00, image[0x201] = 0x00, image[0x202] = 0x10;
  EXPECT_EQ(ReadHeaderLength(image), 0x100000u);
  image[0x200] = 0x34, image[0x201] = 0x12, image[0x202] = 0x00;
  EXPECT_EQ(ReadHeaderLength(image), 0x1234u);
}

TEST(HeaderLengthTest, IsZeroWhenTheImageCannotHoldIt) {
  EXPECT_EQ(ReadHeaderLength(FirmwareImage()), 0u);
  EXPECT_EQ(ReadHeaderLength(FirmwareImage(0x202, 0x11)), 0u);
}

TEST(SearchAreaTest, IsTheSmallerOfHeaderLengthAndImage) {
  FirmwareImage image(0x400, 0);
  image[0x201] = 0x01;  // 0x100
  EXPECT_EQ(SearchAreaLength(image), 0x100);
  image[0x201] = 0x08;  // 0x800
  EXPECT_EQ(SearchAreaLength(image), 0x400);
}

TEST(ImageChecksumTest, LastWholeWordTakesTheXorOfTheOthers) {
  // Ten bytes: two whole words and two trailing bytes.
  FirmwareImage image = {1, 2, 3, 4, 9, 9, 9, 9, 0xAA, 0xBB};
  FixImageChecksum(image);
  EXPECT_EQ(image, (FirmwareImage{1, 2, 3, 4, 1, 2, 3, 4, 0xAA, 0xBB}));

  FirmwareImage three_words = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20,
                               0x40, 0x80, 0,    0,    0,    0};
  FixImageChecksum(three_words);
  EXPECT_EQ(three_words[8], 0x11);
  EXPECT_EQ(three_words[9], 0x22);
  EXPECT_EQ(three_words[10], 0x44);
  EXPECT_EQ(three_words[11], 0x88);
  EXPECT_TRUE(IsImageChecksumValid(three_words));
}

TEST(ImageChecksumTest, FourByteImageAndFixedImagesStayUnchanged) {
  FirmwareImage single = {5, 6, 7, 8};
  FixImageChecksum(single);
  EXPECT_EQ(single, (FirmwareImage{5, 6, 7, 8}));

  FirmwareImage fixed = {1, 2, 3, 4, 1, 2, 3, 4};
  FixImageChecksum(fixed);
  EXPECT_EQ(fixed, (FirmwareImage{1, 2, 3, 4, 1, 2, 3, 4}));
}

TEST(ImageChecksumTest, ShortImagesCannotTakeAChecksum) {
  FirmwareImage three = {1, 2, 3};
  EXPECT_THROW(FixImageChecksum(three), RangeError);
  EXPECT_FALSE(IsImageChecksumValid(three));
  EXPECT_FALSE(IsImageChecksumValid(FirmwareImage{1, 2, 3, 4}));
  EXPECT_TRUE(IsImageChecksumValid(FirmwareImage{0, 0, 0, 0, 7}));
}

TEST(SuggestedSaveNameTest, ReplacesTheExtensionAfterTheLastDelimiter) {
  EXPECT_EQ(SuggestedSaveName("D:\\fw\\player.bin"), "D:\\fw\\player-mod.bin");
  EXPECT_EQ(SuggestedSaveName("D:\\fw.v2\\image"), "D:\\fw.v2\\image-mod.bin");
  EXPECT_EQ(SuggestedSaveName("/home/u/fw.v2/image"),
            "/home/u/fw.v2/image-mod.bin");
  EXPECT_EQ(SuggestedSaveName("a.b.rom"), "a.b-mod.bin");
  EXPECT_EQ(SuggestedSaveName("C:fw"), "C:fw-mod.bin");
}

class FirmwareFileTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const {
    return (dir_ / name).string();
  }
  void WriteFile(const std::string& name, const FirmwareImage& bytes) const {
    std::ofstream(PathOf(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }

  orlindel::testing::TestFolder folder_{"orlindel_file_test_"};
  const fs::path dir_ = folder_.path();
};

TEST_F(FirmwareFileTest, LoadsAndSavesTheWholeImage) {
  FirmwareImage original(0x100000, 0);
  for (size_t i = 0; i < original.size(); ++i)
    original[i] = static_cast<uint8_t>(i * 7);
  WriteFile("in.bin", original);

  FirmwareImage image = LoadFirmwareFile(PathOf("in.bin"));
  ASSERT_EQ(image.size(), 0x100000u);
  EXPECT_EQ(image, original);

  SaveFirmwareFile(PathOf("out.bin"), image);
  EXPECT_TRUE(IsImageChecksumValid(image));
  EXPECT_EQ(fs::file_size(PathOf("out.bin")), 0x100000u);
  EXPECT_EQ(LoadFirmwareFile(PathOf("out.bin")), image);
}

TEST_F(FirmwareFileTest, OpenErrorsNameTheFileAndTheReason) {
  const std::string missing = PathOf("missing.bin");
  try {
    LoadFirmwareFile(missing);
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(error.kind(), FileError::Kind::kOpen);
    EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + missing +
                                             "\". No such file or directory");
  }
  try {
    LoadFirmwareFile(dir_.string());
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot open file \"" + dir_.string() + "\". Is a directory");
  }
  EXPECT_THROW(LoadFirmwareFile("/dev/zero"), FileError);
}

TEST_F(FirmwareFileTest, SavingOverTheOpenFileReplacesItWhole) {
  WriteFile("fw.bin", FirmwareImage(64, 0x11));
  FirmwareImage image = LoadFirmwareFile(PathOf("fw.bin"));
  image[0] = 0x22;
  SaveFirmwareFile(PathOf("fw.bin"), image);
  EXPECT_EQ(LoadFirmwareFile(PathOf("fw.bin")), image);
  EXPECT_EQ(
      std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(FirmwareFileTest, FailedSaveLeavesTheExistingFileUntouched) {
  // A read-only file is refused, by the super-user too.
  WriteFile("keep.bin", FirmwareImage(8, 0x33));
  fs::permissions(PathOf("keep.bin"), fs::perms::owner_read);
  FirmwareImage image(8, 0x44);
  try {
    SaveFirmwareFile(PathOf("keep.bin"), image);
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(
        std::string(error.what()),
        "Cannot create file \"" + PathOf("keep.bin") + "\". Permission denied");
  }
  EXPECT_EQ(LoadFirmwareFile(PathOf("keep.bin")), FirmwareImage(8, 0x33));
  EXPECT_EQ(
      std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(FirmwareFileTest, EmptyFileSaysSo) {
  WriteFile("empty.bin", {});
  try {
    LoadFirmwareFile(PathOf("empty.bin"));
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(error.kind(), FileError::Kind::kOpen);
    EXPECT_EQ(
        std::string(error.what()),
        "Cannot open file \"" + PathOf("empty.bin") + "\". The file is empty");
  }
}

TEST_F(FirmwareFileTest, WholeFilesAreWrittenAndReadAsTheyAre) {
  // A patch file or a patched image keeps its bytes: no checksum is fixed,
  // and an empty file reads as no bytes.
  const std::vector<uint8_t> bytes = {1, 2, 3, 4, 9, 9, 9, 9};
  SaveWholeFile(PathOf("whole.bin"), bytes);
  EXPECT_EQ(LoadWholeFile(PathOf("whole.bin")), bytes);
  WriteFile("empty.bin", {});
  EXPECT_TRUE(LoadWholeFile(PathOf("empty.bin")).empty());
  EXPECT_THROW(LoadWholeFile(PathOf("missing.bin")), FileError);
}

TEST_F(FirmwareFileTest, TinyFilesLoadExactly) {
  for (const size_t size :
       {size_t{1}, size_t{3}, size_t{4}, size_t{0x202}, size_t{0x203}}) {
    WriteFile("tiny.bin", FirmwareImage(size, 0x5A));
    EXPECT_EQ(LoadFirmwareFile(PathOf("tiny.bin")).size(), size);
  }
}

TEST_F(FirmwareFileTest, CreateErrorLeavesTheImageIntact) {
  FirmwareImage image = {1, 2, 3, 4, 5, 6, 7, 8};
  const std::string target = PathOf("no-such-dir/out.bin");
  try {
    SaveFirmwareFile(target, image);
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(error.kind(), FileError::Kind::kCreate);
    EXPECT_EQ(std::string(error.what()), "Cannot create file \"" + target +
                                             "\". No such file or directory");
  }
  EXPECT_EQ(image, (FirmwareImage{1, 2, 3, 4, 1, 2, 3, 4}));
  EXPECT_THROW(SaveFirmwareFile("/dev/full", image), FileError);
}

}  // namespace
}  // namespace orlindel
