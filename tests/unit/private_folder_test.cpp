// Private work folders: made new (never an existing name), closed to other users on
// POSIX, and removed with everything inside without following a link out of them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/tempdir.h"
#include "tests/support/test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const char* text) {
  std::FILE* f = std::fopen(path.string().c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fputs(text, f);
  std::fclose(f);
}

std::string Parent(const fs::path& dir) { return dir.string() + PathSeparator(); }

}  // namespace

TEST(PrivateFolder, IsNewEachTimeEndsInASeparatorAndIsRemovedWithItsContents) {
  TempDir scratch;
  char first[260], second[260];
  ASSERT_TRUE(MakePrivateFolder(Parent(fs::path(scratch.path())).c_str(), "work", first));
  ASSERT_TRUE(MakePrivateFolder(Parent(fs::path(scratch.path())).c_str(), "work", second));
  EXPECT_STRNE(first, second);
  const std::string a = first;
  EXPECT_EQ(a.back(), PathSeparator());
  EXPECT_EQ(fs::path(a.substr(0, a.size() - 1)).filename().string().rfind("work", 0), 0u);
  EXPECT_TRUE(fs::is_directory(a));

  WriteFile(a + "f.bin", "data");
  fs::create_directory(a + "sub");
  WriteFile(a + "sub" + PathSeparator() + "g.bin", "more");
  EXPECT_TRUE(RemovePrivateFolder(first));
  EXPECT_FALSE(fs::exists(a));
  EXPECT_TRUE(fs::is_directory(second));
}

TEST(PrivateFolder, RefusesANameThatDoesNotFit) {
  const std::string parent(250, 'p');
  char out[260] = "x";
  EXPECT_FALSE(MakePrivateFolder((parent + PathSeparator()).c_str(), "work", out));
  EXPECT_EQ(out[0], '\0');
  EXPECT_FALSE(RemovePrivateFolder(""));
}

#ifndef _WIN32
TEST(PrivateFolder, IsClosedToOtherUsersWhateverTheUmask) {
  TempDir scratch;
  const mode_t old = umask(0);
  char made[260];
  const bool ok = MakePrivateFolder(Parent(fs::path(scratch.path())).c_str(), "work", made);
  umask(old);
  ASSERT_TRUE(ok);
  struct stat st;
  ASSERT_EQ(stat(made, &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  RemovePrivateFolder(made);
}

TEST(PrivateFolder, RemovalTakesALinkAwayWithoutFollowingIt) {
  TempDir scratch;
  const fs::path outside = fs::path(scratch.path()) / "outside";
  fs::create_directory(outside);
  WriteFile(outside / "keep.txt", "keep");
  char made[260];
  ASSERT_TRUE(MakePrivateFolder(Parent(fs::path(scratch.path())).c_str(), "work", made));
  fs::create_directory_symlink(outside, std::string(made) + "to-outside");
  fs::create_symlink(outside / "keep.txt", std::string(made) + "file-link");
  EXPECT_TRUE(RemovePrivateFolder(made));
  EXPECT_FALSE(fs::exists(made));
  EXPECT_TRUE(fs::exists(outside / "keep.txt"));
}

TEST(PrivateFolder, AFolderThatIsALinkIsNotEmptiedThroughIt) {
  TempDir scratch;
  const fs::path target = fs::path(scratch.path()) / "target";
  fs::create_directory(target);
  WriteFile(target / "keep.txt", "keep");
  fs::create_directory_symlink(target, fs::path(scratch.path()) / "planted");
  EXPECT_FALSE(RemovePrivateFolder((fs::path(scratch.path()) / "planted").string().c_str()));
  EXPECT_TRUE(fs::exists(target / "keep.txt"));
}
#endif
