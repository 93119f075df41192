// The work files' lock: one holder per folder, whichever way the folder is written, and
// free again once its holder is gone.
#include <gtest/gtest.h>

#include <filesystem>
#include <cctype>
#include <string>
#include <vector>

#include "platform/worklock.h"
#include "tests/support/locked_elsewhere.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

std::string Folder(const TempDir& root, const char* name) {
  const fs::path folder = fs::path(root.path()) / name;
  fs::create_directories(folder);
  return folder.string();
}

TEST(WorkFilesLock, OneHolderPerFolderWhicheverWayItIsWritten) {
  TempDir root;
  const std::string folder = Folder(root, "locked");
  const std::string other = Folder(root, "free");
  struct Case {
    std::string name;
    bool busy;
  };
  std::vector<Case> cases = {{folder, true}, {folder + "/", true}, {other, false}};
#ifdef _WIN32
  // Windows folders are the same whatever the case of their letters or the separator.
  std::string upper = folder;
  for (char& c : upper) c = static_cast<char>(c == '/' ? '\\' : std::toupper(static_cast<unsigned char>(c)));
  cases.push_back({upper + "\\", true});
#endif
  LockedElsewhere holder(folder);
  ASSERT_TRUE(holder.taken());
  for (const Case& c : cases) {
    WorkFilesLock lock(c.name.c_str());
    EXPECT_EQ(lock.busy(), c.busy) << c.name;
  }
}

TEST(WorkFilesLock, FreeOnceItsHolderIsGone) {
  TempDir root;
  const std::string folder = Folder(root, "released");
  { LockedElsewhere holder(folder); ASSERT_TRUE(holder.taken()); }
  WorkFilesLock lock(folder.c_str());
  EXPECT_FALSE(lock.busy());
  // Held now by this one, it keeps the next one out.
  LockedElsewhere next(folder);
  EXPECT_FALSE(next.taken());
}

TEST(WorkFilesLock, AMissingFolderIsNotBusy) {
  TempDir root;
  WorkFilesLock lock((fs::path(root.path()) / "no such folder").string().c_str());
  EXPECT_FALSE(lock.busy());
}

}  // namespace
