// ExtractResourceToFile and BuildSelfExtracting under Wine, in a program that carries
// its own small resource "EXE" 502 (the text QLX_TEST_STUB): the resource written out,
// the package made of it, the container and the trailer, and the message boxes of
// each failure, answered from the test's own thread.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/send/self_extracting.h"
#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"

namespace {

struct SeenBox {
  std::string title;
  std::string text;
};

struct BoxSearch {
  HWND found;
};

BOOL CALLBACK FindOwnBox(HWND window, LPARAM lparam) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char class_name[16] = "";
  GetClassNameA(window, class_name, sizeof class_name);
  if (pid == GetCurrentProcessId() && IsWindowVisible(window) && std::string(class_name) == "#32770") {
    reinterpret_cast<BoxSearch*>(lparam)->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindBoxText(HWND child, LPARAM lparam) {
  char class_name[16] = "";
  GetClassNameA(child, class_name, sizeof class_name);
  char text[1024] = "";
  GetWindowTextA(child, text, sizeof text);
  if (lstrcmpiA(class_name, "Static") == 0 && text[0] != '\0') {
    *reinterpret_cast<std::string*>(lparam) = text;
    return FALSE;
  }
  return TRUE;
}

// Runs call on a thread of its own while this one reads and closes ("OK") every
// message box it shows. The boxes seen, in order.
template <class Call>
std::vector<SeenBox> AnsweringBoxes(Call call, int* result) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    *result = call();
    done = true;
  });
  std::vector<SeenBox> seen;
  for (DWORD start = GetTickCount(); !done && GetTickCount() - start < 20000; Sleep(20)) {
    BoxSearch search = {nullptr};
    EnumWindows(FindOwnBox, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) continue;
    char title[128] = "";
    GetWindowTextA(search.found, title, sizeof title);
    SeenBox box = {title, ""};
    EnumChildWindows(search.found, FindBoxText, reinterpret_cast<LPARAM>(&box.text));
    seen.push_back(box);
    PostMessageA(search.found, WM_COMMAND, IDOK, 0);
    while (IsWindow(search.found) && GetTickCount() - start < 20000) Sleep(20);
  }
  worker.join();
  return seen;
}

std::string Le32(std::uint32_t value) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
  return bytes;
}

class Builder : public ::testing::Test {
 protected:
  ScratchFolder scratch_{"qlx_builder"};
  const std::string folder_ = scratch_.path();
};

const std::string kStub = QLX_TEST_STUB;

TEST_F(Builder, ExtractResourceToFileWritesTheResourceByteForByte) {
  const std::string out = folder_ + "stub.exe";
  WriteAll(out, std::string(5000, 'x'));  // an older, longer file is replaced whole
  int result = -1;
  const auto boxes = AnsweringBoxes([&] { return ExtractResourceToFile("EXE", 502, out.c_str()); }, &result);
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(ReadAll(out), kStub);
}

TEST_F(Builder, AMissingResourceOrAnUnopenableDestinationIsReportedInFrench) {
  struct Case {
    const char* type;
    int id;
    std::string destination;
    std::string message;
  };
  const std::string blocked = folder_ + "no such folder\\stub.exe";
  const Case cases[] = {
      {"EXE", 503, folder_ + "a.exe", "Ressource introuvable\nResType=EXE, Erreur=0716H"},  // no such id
      {"ZIP", 502, folder_ + "b.exe", "Ressource introuvable\nResType=ZIP, Erreur=0715H"},  // no such type
      {"EXE", 502, blocked, "Impossible d'ouvrir le fichier:\n" + blocked},
  };
  for (const Case& c : cases) {
    int result = -1;
    const auto boxes =
        AnsweringBoxes([&] { return ExtractResourceToFile(c.type, c.id, c.destination.c_str()); }, &result);
    EXPECT_EQ(result, 0) << c.message;
    ASSERT_EQ(boxes.size(), 1u) << c.message;
    EXPECT_EQ(boxes[0].title, "Erreur");
    EXPECT_EQ(boxes[0].text, c.message);
    EXPECT_FALSE(Exists(c.destination)) << c.destination;
  }
}

TEST_F(Builder, BuildSelfExtractingPutsStubContainerAndTrailerTogether) {
  std::string container(1000, '\0');
  for (std::size_t i = 0; i < container.size(); ++i) container[i] = static_cast<char>(i * 13 + 5);
  WriteAll(folder_ + "file.vek", container);
  // The out path is the container path's own buffer.
  char path[MAX_PATH];
  std::snprintf(path, sizeof path, "%sfile.vek", folder_.c_str());
  int result = -1;
  const auto boxes = AnsweringBoxes([&] { return BuildSelfExtracting(path, path); }, &result);
  ASSERT_EQ(result, 1);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(std::string(path), folder_ + "file.exe");

  const std::string package = ReadAll(path);
  const std::string trailer = Le32(static_cast<std::uint32_t>(kStub.size())) + Le32(1000) + "file.vek" + Le32(8) +
                              Le32(1) + "1.01" + "QLXSELFX";
  ASSERT_EQ(trailer.size(), 36u);
  EXPECT_EQ(package, kStub + container + trailer);
  EXPECT_EQ(ReadAll(folder_ + "file.vek"), container) << "the container stays as it was";
}

TEST_F(Builder, AContainerWithoutExtensionGetsExeAppended) {
  WriteAll(folder_ + "message", "tiny");
  const std::string container = folder_ + "message";
  char out[MAX_PATH] = "";
  int result = -1;
  AnsweringBoxes([&] { return BuildSelfExtracting(container.c_str(), out); }, &result);
  ASSERT_EQ(result, 1);
  EXPECT_EQ(std::string(out), folder_ + "message.exe");
  EXPECT_EQ(ReadAll(out), kStub + "tiny" + Le32(static_cast<std::uint32_t>(kStub.size())) + Le32(4) + "message" +
                              Le32(7) + Le32(1) + "1.01QLXSELFX");
}

TEST_F(Builder, FailuresShowOneMessageAndLeaveNoPackage) {
  // The container is missing: the stub was written already and goes again.
  char out[MAX_PATH] = "unchanged";
  int result = -1;
  const std::string missing = folder_ + "missing.vek";
  auto boxes = AnsweringBoxes([&] { return BuildSelfExtracting(missing.c_str(), out); }, &result);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, "Error");
  EXPECT_EQ(boxes[0].text, "cannot open input file");
  EXPECT_FALSE(Exists(folder_ + "missing.exe"));
  EXPECT_STREQ(out, "unchanged");

  // The package's place is taken by a folder: the resource cannot be written there.
  WriteAll(folder_ + "taken.vek", "container");
  ASSERT_TRUE(CreateDirectoryA((folder_ + "taken.exe").c_str(), nullptr));
  const std::string taken = folder_ + "taken.vek";
  boxes = AnsweringBoxes([&] { return BuildSelfExtracting(taken.c_str(), out); }, &result);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, "Erreur");
  EXPECT_EQ(boxes[0].text, "Impossible d'ouvrir le fichier:\n" + folder_ + "taken.exe");
  EXPECT_EQ(ReadAll(taken), "container");
  EXPECT_STREQ(out, "unchanged");
}

}  // namespace
