// Where the programs find the files that come with them: beside the program, in the share folder
// of an installed (or unpacked) tree, in the share folder of a build folder; and the libraries of
// the first face-terminal kind beside the program or in <libdir>/clockdiag.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "utils/ShippedFiles.h"

namespace fs = std::filesystem;

namespace {

const char* const kEnglish = "dict/en/MsgDict.edf";

class ShippedFilesTest : public ::testing::Test {
 protected:
  // A file of the tree, with its folders; returns its path.
  std::string Put(const std::string& ARelative, const std::string& AText = "x") {
    const fs::path path = Root() / ARelative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << AText;
    return path.string();
  }
  std::string Dir(const std::string& ARelative) {
    fs::create_directories(Root() / ARelative);
    return (Root() / ARelative).string();
  }
  fs::path Root() const { return fs::path(FRoot.path().toStdString()); }

 private:
  QTemporaryDir FRoot;
};

TEST_F(ShippedFilesTest, DataFileIsFoundFromTheProgramsOwnPlace) {
  // Where the program lies, relative to the tree; where the tree keeps the file.
  const struct {
    const char* Program;
    const char* Shipped;
  } cases[] = {
      {"usr/bin", "usr/share/clockdiag/dict/en/MsgDict.edf"},               // unpacked package
      {"opt/cd/bin", "opt/cd/share/clockdiag/dict/en/MsgDict.edf"},         // another prefix
      {"build/src/app", "build/share/clockdiag/dict/en/MsgDict.edf"},       // the window's build
      {"build/sim", "build/share/clockdiag/dict/en/MsgDict.edf"},           // the simulator's
      {"build/tests/unit/x", "build/share/clockdiag/dict/en/MsgDict.edf"},  // three levels up
  };
  for (const auto& c : cases) {
    QTemporaryDir other;  // the program's folder of the user, holding nothing
    const std::string program = Dir(c.Program);
    const std::string shipped = Put(c.Shipped);
    EXPECT_EQ(ShippedDataFile(kEnglish, other.path().toStdString(), program), shipped) << c.Program;
    fs::remove(shipped);
    EXPECT_EQ(ShippedDataFile(kEnglish, other.path().toStdString(), program), "") << c.Program;
  }
}

TEST_F(ShippedFilesTest, FileBesideTheProgramWinsAndTheNearestShareFolderComesNext) {
  const std::string program = Dir("usr/bin");
  Put("share/clockdiag/dict/en/MsgDict.edf");
  const std::string nearer = Put("usr/share/clockdiag/dict/en/MsgDict.edf");
  EXPECT_EQ(ShippedDataFile(kEnglish, program, program), nearer);
  const std::string beside = Put("usr/bin/dict/en/MsgDict.edf");
  EXPECT_EQ(ShippedDataFile(kEnglish, program, program), beside);
}

TEST_F(ShippedFilesTest, NoShareFolderMoreThanThreeLevelsUpAndNoFoldersForFiles) {
  const std::string program = Dir("a/b/c/d");
  Put("share/clockdiag/dict/en/MsgDict.edf");
  EXPECT_EQ(ShippedDataFile(kEnglish, program, program), "");
  // A folder of the file's name is no file.
  Dir("a/share/clockdiag/dict/en/MsgDict.edf");
  EXPECT_EQ(ShippedDataFile(kEnglish, program, program), "");
}

TEST_F(ShippedFilesTest, LibrariesBesideTheProgramOrInTheLibraryFolderOfTheTree) {
  const std::string program = Dir("usr/bin");
  EXPECT_EQ(ShippedLibraryFolder("libHwDevComm.so", program), "");
  const std::string installed =
      Put(std::string("usr/") + INSTALL_LIBDIR + "/clockdiag/libHwDevComm.so");
  EXPECT_EQ(ShippedLibraryFolder("libHwDevComm.so", program), fs::path(installed).parent_path());
  Put("usr/bin/libHwDevComm.so");
  EXPECT_EQ(ShippedLibraryFolder("libHwDevComm.so", program), program);
}

// The build keeps the shipped files where its own programs (this test among them) find them.
TEST(ShippedFilesOfThisBuild, EnglishDictionaryAndModelPicturesAreFound) {
  const std::string english = ShippedDataFile(kEnglish, "/nonexistent", ExecutableDirectory());
  ASSERT_FALSE(english.empty());
  std::ifstream in(english, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("Language=English"), std::string::npos);
  for (int type = 0; type < 9; ++type) {
    EXPECT_NE(ShippedDataFile("pictures/model" + std::to_string(type) + ".png", "/nonexistent",
                              ExecutableDirectory()),
              "")
        << type;
  }
  EXPECT_NE(ShippedDataFile("dict/fa/MainDict.edf", "/nonexistent", ExecutableDirectory()), "");
}

}  // namespace
