// qlx's outputs: finished under a temporary name beside their target, then renamed; an
// existing file is never replaced without --force, not even one that appears while the
// output is being finished; nothing temporary is left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/qlx_outputs.h"
#include "tests/support/test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(QlxOutputs, BytesAndFilesAppearUnderTheirNamesOnlyWhenPlaced) {
  TempDir dir;
  const std::string work = dir.File("work.bin");
  WriteFileBytes(work, BytesOf("decrypted content"));
  const FileTime time = FileTimeFromValue(126256467060000000ULL);  // 2001-02-03 04:05:06
  {
    StagedOutputs outputs(false);
    std::string error;
    ASSERT_TRUE(outputs.AddBytes("the text", 8, dir.File("qlx.txt"), &error)) << error;
    ASSERT_TRUE(outputs.AddFile(work, dir.File("file.bin"), &time, &error)) << error;
    // Staged, not yet there: two temporary files only.
    EXPECT_FALSE(fs::exists(dir.File("qlx.txt")));
    EXPECT_FALSE(fs::exists(dir.File("file.bin")));
    EXPECT_FALSE(fs::exists(work));
    EXPECT_EQ(Names(dir.path()).size(), 2u);
    ASSERT_TRUE(outputs.PlaceAll(&error)) << error;
  }
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"file.bin", "qlx.txt"}));
  EXPECT_EQ(ReadFileBytes(dir.File("qlx.txt")), BytesOf("the text"));
  EXPECT_EQ(ReadFileBytes(dir.File("file.bin")), BytesOf("decrypted content"));
  FileTime written{};
  ASSERT_TRUE(FileGetWriteTime(dir.File("file.bin").c_str(), &written));
  EXPECT_EQ(FileTimeValue(written) / 10000000, FileTimeValue(time) / 10000000);
#ifndef _WIN32
  const mode_t mask = umask(0);
  umask(mask);
  struct stat info;
  ASSERT_EQ(stat(dir.File("file.bin").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
  ASSERT_EQ(stat(dir.File("qlx.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
#endif
}

TEST(QlxOutputs, AFileThatAppearsMeanwhileIsKeptWithoutForceAndReplacedWithIt) {
  for (const bool force : {false, true}) {
    TempDir dir;
    std::string error;
    {
      StagedOutputs outputs(force);
      ASSERT_TRUE(outputs.AddBytes("new", 3, dir.File("qlx.txt"), &error)) << error;
      WriteFileBytes(dir.File("qlx.txt"), BytesOf("someone else's"));
      EXPECT_EQ(outputs.PlaceAll(&error), force);
    }
    EXPECT_EQ(ReadFileBytes(dir.File("qlx.txt")), BytesOf(force ? "new" : "someone else's")) << force;
    if (!force) {
      EXPECT_EQ(error, dir.File("qlx.txt") + " exists already; use --force to replace it");
    }
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"qlx.txt"}) << "temporary files left, force " << force;
  }
}

TEST(QlxOutputs, AFailureNamesItsReasonAndLeavesNothing) {
  TempDir dir;
  std::string error;
  {
    StagedOutputs outputs(false);
    ASSERT_TRUE(outputs.AddBytes("text", 4, dir.File("qlx.txt"), &error)) << error;
    EXPECT_FALSE(outputs.AddFile(dir.File("missing.bin"), dir.File("file.bin"), nullptr, &error));
    EXPECT_NE(error.find("cannot write " + dir.File("file.bin") + ": "), std::string::npos) << error;
    EXPECT_FALSE(outputs.AddBytes("x", 1, dir.File("no folder") + "/qlx.txt", &error));
    EXPECT_NE(error.find(": "), std::string::npos) << error;
  }
  EXPECT_TRUE(Names(dir.path()).empty());
}

}  // namespace
