// The document's writers: what a new document takes over, files added and removed in
// their order, the text-only rule for the mode, and what a release keeps.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/logic/document.h"
#include "container/operation.h"

namespace {

// A new array (FileEntriesAllocate) of entries with these names.
FileEntry* Entries(const std::vector<std::string>& names) {
  FileEntry* entries = FileEntriesAllocate(static_cast<std::uint32_t>(names.size()));
  for (std::size_t i = 0; i < names.size(); ++i)
    std::snprintf(entries[i].name, sizeof entries[i].name, "%s", names[i].c_str());
  return entries;
}

char* Text(const char* text) {
  char* copy = OperationTextAllocate(std::strlen(text) + 1);
  std::memcpy(copy, text, std::strlen(text) + 1);
  return copy;
}

std::vector<std::string> Names(const Document& document) {
  std::vector<std::string> names;
  for (int i = 0; i < document.file_count; ++i) names.emplace_back(document.files[i].name);
  return names;
}

// A document that frees what it holds when the test ends.
struct TestDocument : Document {
  TestDocument() : Document{} {}
  ~TestDocument() { ClearDocument(this); }
};

TEST(Document, ReplaceTakesTheContentAndKeepsTheTextOnlyRule) {
  struct Case {
    std::int32_t mode;
    std::vector<std::string> files;
    const char* text;
    std::int32_t reply;
    std::int32_t mode_after;
  } cases[] = {
      {MODE_DECRYPT, {"a.doc"}, "hello", 0, MODE_DECRYPT},
      {MODE_DECRYPT, {}, "hello", 0, MODE_ENCRYPT},  // decrypted text only, from an ordinary folder
      {MODE_DECRYPT, {}, "hello", 1, MODE_DECRYPT},  // a received one stays in decryption mode
      {MODE_DECRYPT, {}, "", 0, MODE_DECRYPT},       // no text: nothing to compose
      {MODE_ENCRYPT, {"a.doc", "b.xls"}, nullptr, 0, MODE_ENCRYPT},
  };
  for (const Case& c : cases) {
    TestDocument document;
    DocumentReplace(&document, DocumentContent{MODE_ENCRYPT, Entries({"old"}), 1, Text("old"), "old", 1, 2});
    DocumentContent content;
    content.mode = c.mode;
    content.files = c.files.empty() ? nullptr : Entries(c.files);
    content.file_count = static_cast<std::int32_t>(c.files.size());
    content.text = c.text ? Text(c.text) : nullptr;
    content.identified_passphrase = "found";
    content.reply = c.reply;
    DocumentReplace(&document, content);
    EXPECT_EQ(document.mode, c.mode_after) << c.text << " " << c.files.size();
    EXPECT_EQ(Names(document), c.files);
    EXPECT_STREQ(document.text, c.text);
    EXPECT_STREQ(document.identified_passphrase, "found");
    EXPECT_EQ(document.reply, c.reply);
    EXPECT_EQ(document.algo, 0);
  }
}

TEST(Document, ReplaceMayKeepThePassphraseItHolds) {
  TestDocument document;
  DocumentReplace(&document, DocumentContent{MODE_DECRYPT, Entries({"a.doc"}), 1, Text("Hi"), "secret", 1, 2});
  DocumentContent reply;
  reply.text = Text("\r\n> Hi");
  reply.identified_passphrase = document.identified_passphrase;
  reply.algo = document.algo;
  DocumentReplace(&document, reply);
  EXPECT_STREQ(document.identified_passphrase, "secret");
  EXPECT_EQ(document.algo, 2);
  EXPECT_EQ(document.mode, MODE_ENCRYPT);
  EXPECT_EQ(document.reply, 0);
  EXPECT_EQ(document.file_count, 0);
}

TEST(Document, AppendedFilesFollowTheOthersAndTheTextIsReplaced) {
  TestDocument document;
  DocumentReplace(&document, DocumentContent{MODE_ENCRYPT, Entries({"a", "b"}), 2, Text("before"), nullptr, 0, 0});
  ASSERT_EQ(DocumentAppendFiles(&document, Text("typed"), Entries({"c", "d"}), 2), 1);
  EXPECT_EQ(Names(document), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_STREQ(document.text, "typed");
  EXPECT_EQ(document.mode, MODE_ENCRYPT);

  ASSERT_EQ(DocumentAppendFiles(&document, nullptr, nullptr, 0), 1);  // nothing listed
  EXPECT_EQ(Names(document), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(document.text, nullptr);
}

TEST(Document, RemovingAFileKeepsTheOrderAndTheLastLeavesEncryptionMode) {
  TestDocument document;
  DocumentReplace(&document, DocumentContent{MODE_DECRYPT, Entries({"a", "b", "c"}), 3, nullptr, "p", 0, 0});
  ASSERT_EQ(DocumentRemoveFile(&document, 1), 1);
  EXPECT_EQ(Names(document), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(document.mode, MODE_DECRYPT);
  ASSERT_EQ(DocumentRemoveFile(&document, 5), 1);  // no such file: nothing removed
  ASSERT_EQ(DocumentRemoveFile(&document, -1), 1);
  EXPECT_EQ(Names(document), (std::vector<std::string>{"a", "c"}));
  ASSERT_EQ(DocumentRemoveFile(&document, 0), 1);
  ASSERT_EQ(DocumentRemoveFile(&document, 0), 1);
  EXPECT_EQ(document.file_count, 0);
  EXPECT_EQ(document.files, nullptr);
  EXPECT_EQ(document.mode, MODE_ENCRYPT);
}

TEST(Document, ReleaseFreesFilesAndTextAndKeepsTheRest) {
  TestDocument document;
  DocumentReplace(&document, DocumentContent{MODE_DECRYPT, Entries({"a"}), 1, Text("t"), "p", 1, 2});
  DocumentRelease(&document);
  EXPECT_EQ(document.files, nullptr);
  EXPECT_EQ(document.file_count, 0);
  EXPECT_EQ(document.text, nullptr);
  EXPECT_EQ(document.mode, MODE_DECRYPT);
  EXPECT_STREQ(document.identified_passphrase, "p");
  EXPECT_EQ(document.reply, 1);

  ClearDocument(&document);
  EXPECT_EQ(document.mode, MODE_NONE);
  EXPECT_STREQ(document.identified_passphrase, "");
  EXPECT_EQ(document.reply, 0);
}

}  // namespace
