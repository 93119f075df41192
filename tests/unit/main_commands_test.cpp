// The main commands' decisions: the quoted reply byte for byte (sized from the real
// lengths, so a 259-character name fits), the output targets, and the Open command's
// list from the open dialog's answer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/logic/command_rules.h"
#include "container/operation.h"

namespace {

std::vector<FileEntry> Files(const std::vector<std::string>& names) {
  std::vector<FileEntry> files(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    files[i] = FileEntry{};
    std::snprintf(files[i].name, sizeof files[i].name, "%s", names[i].c_str());
  }
  return files;
}

std::string Reply(const char* text, const std::vector<std::string>& names) {
  std::vector<FileEntry> files = Files(names);
  const std::size_t size = ReplyTextSize(text, files.data(), static_cast<int>(files.size()));
  // One guard byte behind the buffer shows any write past its end.
  std::vector<char> buffer(size + 1, '#');
  EXPECT_EQ(BuildReplyText(text, files.data(), static_cast<int>(files.size()), buffer.data(), size), 1);
  EXPECT_EQ(buffer[size], '#');
  EXPECT_EQ(std::strlen(buffer.data()) + 1, size) << "sized exactly";
  return buffer.data();
}

TEST(ReplyText, TheQuotedTextByteForByte) {
  struct Case {
    const char* text;
    std::vector<std::string> names;
    std::string reply;
  };
  const std::string long_name = std::string(255, 'n') + ".doc";  // 259 characters
  const Case cases[] = {
      {"Hi\r\nBye", {"a.doc", "b.xls"}, "\r\n\r\n> [a.doc]\r\n> [b.xls]\r\n> ----\r\n> Hi\r\n> Bye"},
      {"ok", {}, "\r\n\r\n> ----\r\n> ok"},
      {"", {"a.doc"}, "\r\n\r\n> [a.doc]"},
      {"", {}, "\r\n"},
      {"ok", {""}, "\r\n\r\n> ----\r\n> ok"},  // a text-only container's nameless entry
      {"a\nb\n", {}, "\r\n\r\n> ----\r\n> a\n> b\n> "},
      {"x", {long_name, long_name, long_name}, "\r\n\r\n> [" + long_name + "]\r\n> [" + long_name + "]\r\n> [" +
                                                     long_name + "]\r\n> ----\r\n> x"},
  };
  for (const Case& c : cases) EXPECT_EQ(Reply(c.text, c.names), c.reply) << c.text;
}

TEST(ReplyText, ABufferOneByteShortIsRefusedUntouchedPastItsEnd) {
  std::vector<FileEntry> files = Files({std::string(259, 'z')});
  const char* text = "line one\r\nline two";
  const std::size_t size = ReplyTextSize(text, files.data(), 1);
  std::vector<char> buffer(size, '#');
  EXPECT_EQ(BuildReplyText(text, files.data(), 1, buffer.data(), size - 1), 0);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(buffer[size - 1], '#');
}

TEST(OutputTargets, BesideTheSourceOrInTheChosenFolder) {
  char out[QLX_PATH_SIZE];
  EXPECT_EQ(EncryptedTargetOf("C:\\a\\report.doc", out), 1);
  EXPECT_STREQ(out, "C:\\a\\report.doc.vek");
  EXPECT_EQ(EncryptedTargetOf(("C:\\" + std::string(252, 'r')).c_str(), out), 1);  // 255 + 4 = 259
  EXPECT_EQ(EncryptedTargetOf(("C:\\" + std::string(253, 'r')).c_str(), out), 0);
  EXPECT_STREQ(out, "");

  OutputFolderOf("C:\\a\\report.doc", out);
  EXPECT_STREQ(out, "C:\\a\\");
  OutputFolderOf("report.doc", out);
  EXPECT_STREQ(out, "");

  EXPECT_EQ(ReceivedProposal("D:\\out\\", false, "report.doc", out), 1);
  EXPECT_STREQ(out, "D:\\out\\report.doc");
  EXPECT_EQ(ReceivedProposal("D:\\out\\", true, "", out), 1);
  EXPECT_STREQ(out, "D:\\out\\text.txt");

  AsInitialFolder("D:\\out", out);
  EXPECT_STREQ(out, "D:\\out\\");
  AsInitialFolder("D:\\out\\", out);
  EXPECT_STREQ(out, "D:\\out\\");
  AsInitialFolder("", out);
  EXPECT_STREQ(out, "");
}

TEST(OpenResultPaths, OneOrManyFilesBecomeFullPaths) {
  std::vector<std::string> paths;
  const char one[] = "C:\\docs\\\0a.txt\0";
  EXPECT_EQ(OpenResultPaths(one, sizeof one, &paths), 1);
  EXPECT_EQ(paths, std::vector<std::string>{"C:\\docs\\a.txt"});

  const char many[] = "C:\\docs\\\0a.txt\0b c.doc\0d\0";
  EXPECT_EQ(OpenResultPaths(many, sizeof many, &paths), 1);
  EXPECT_EQ(paths, (std::vector<std::string>{"C:\\docs\\a.txt", "C:\\docs\\b c.doc", "C:\\docs\\d"}));

  const char none[] = "C:\\docs\\\0";
  EXPECT_EQ(OpenResultPaths(none, sizeof none, &paths), 0);

  // A name whose full path would not fit a list line refuses the whole answer.
  std::string too_long = std::string("C:\\docs\\") + '\0' + "a.txt" + '\0' + std::string(252, 'x') + '\0' + '\0';
  EXPECT_EQ(OpenResultPaths(too_long.data(), too_long.size(), &paths), 0);
  EXPECT_TRUE(paths.empty());

  // An answer without its final NULs inside the buffer is refused too.
  const char cut[] = {'C', ':', '\\', '\0', 'a', 'b'};
  EXPECT_EQ(OpenResultPaths(cut, sizeof cut, &paths), 0);
}

}  // namespace
