// The passphrase list store against the in-memory registry with a set volume serial:
// the list key, round trips, the order and selection rules of add and remove, stored
// lists of other sizes and the older layout, the recovery question with each answer,
// "keys.raw", and the dialog's snapshot.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "keys/passphrase_list.h"
#include "keys/settings.h"
#include "platform/common/msgbox_double.h"
#include "platform/common/registry_memory.h"
#include "platform/fileio.h"
#include "platform/machine.h"
#include "tests/support/list_support.h"
#include "tests/support/test_support.h"

namespace {

constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;
constexpr char kCurrent[] = "Software\\Orvanel\\Quillnox\\4.10EN";
constexpr std::uint32_t kSerial = 0x1C2B3A49;
constexpr std::uint32_t kOtherSerial = 0x7E0D5F31;

using Entries = std::vector<ListEntry>;

Bytes StoredValues() {
  Bytes label, value;
  RegistryMemoryGetValue(HKCU, kCurrent, "keylabel", nullptr, &label);
  RegistryMemoryGetValue(HKCU, kCurrent, "keyvalue", nullptr, &value);
  label.insert(label.end(), value.begin(), value.end());
  return label;
}

void StoreEntries(const Entries& entries, std::uint32_t selection) {
  const Bytes plain = PlainList(entries, selection);
  ASSERT_EQ(PassphraseListStore(reinterpret_cast<const char*>(plain.data()),
                                reinterpret_cast<const char*>(plain.data() + 512), selection),
            1);
}

std::string Text(const RecordedBox& box) { return box.text; }

class PassphraseListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegistryMemoryReset();
    BoxDoubleReset();
    RegistryMemoryCreateKey(HKCU, kCurrent);
    SetSystemVolumeSerial(kSerial);
    SetProgramFolder(folder_.path().c_str());
  }
  void TearDown() override {
    PassphraseListDropSnapshot();
    ResetSystemVolumeSerial();
    SetProgramFolder(nullptr);
    EXPECT_EQ(RegistryMemoryOpenKeys(), 0);
  }
  TempDir folder_;
};

TEST_F(PassphraseListTest, ListKeyFollowsTheRule) {
  std::uint8_t key[16];
  PassphraseListKey(key);
  const std::uint8_t serial[4] = {0x49, 0x3A, 0x2B, 0x1C};
  for (int i = 0; i < 16; ++i) {
    std::uint8_t expected = static_cast<std::uint8_t>((i + 1) * LIST_KEY_CONSTANT);
    if (i % 3 == 1 && i <= 10) expected ^= serial[i / 3];
    EXPECT_EQ(key[i], expected) << i;
  }
}

TEST_F(PassphraseListTest, RoundTrips) {
  const std::string label31(31, 'L');
  const std::string value31(31, 'v');
  Entries full;
  for (int i = 0; i < KEY_LIST_CAPACITY; ++i) full.push_back({"key" + std::string(1, static_cast<char>('a' + i)), "p" + std::to_string(i)});
  const struct {
    Entries entries;
    std::uint32_t selection;
  } cases[] = {{{}, 0}, {{{"alpha", "one"}}, 1}, {{{"a", "1"}, {label31, value31}}, 0}, {full, 16}};
  for (const auto& c : cases) {
    StoreEntries(c.entries, c.selection);
    EXPECT_EQ(StoredValues(), EncryptedList(PlainList(c.entries, c.selection))) << "stored encrypted, split 512/516";
    EXPECT_EQ(RegistryMemoryValueNames(HKCU, kCurrent).size(), 2u);
    const LoadedList loaded = LoadList();
    EXPECT_EQ(loaded.result, 1);
    EXPECT_EQ(loaded.entries, c.entries);
    EXPECT_EQ(loaded.selection, c.selection);
  }
  EXPECT_TRUE(BoxDoubleLog().empty());
}

// One step of a scenario: add (label, value, with the answer to a replace question)
// or remove (index).
struct Step {
  enum { Add, Remove } kind;
  std::string label;
  std::string value;
  int index;
  int answer;  // queued box answer, or -1
  int result;
};

struct OrderCase {
  const char* name;
  Entries start;
  std::uint32_t start_selection;
  std::vector<Step> steps;
  Entries entries;
  std::uint32_t selection;
  std::vector<std::string> boxes;
};

Step Add(const char* label, const char* value, int result = 1, int answer = -1) {
  return {Step::Add, label, value, 0, answer, result};
}
Step Remove(int index, int result = 1) { return {Step::Remove, "", "", index, -1, result}; }

class ListOrderTest : public PassphraseListTest, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(ListOrderTest, KeepsOrderAndSelection) {
  const OrderCase& c = GetParam();
  StoreEntries(c.start, c.start_selection);
  for (const Step& step : c.steps) {
    if (step.answer >= 0) BoxDoubleQueueAnswer(step.answer);
    if (step.kind == Step::Add)
      EXPECT_EQ(PassphraseListAdd(nullptr, step.label.c_str(), step.value.c_str()), step.result) << step.label;
    else
      EXPECT_EQ(PassphraseListRemove(step.index), step.result) << step.index;
  }
  const LoadedList loaded = LoadList();
  EXPECT_EQ(loaded.entries, c.entries);
  EXPECT_EQ(loaded.selection, c.selection);
  std::vector<std::string> texts;
  for (const RecordedBox& box : BoxDoubleLog()) texts.push_back(Text(box));
  EXPECT_EQ(texts, c.boxes);
  EXPECT_EQ(StoredValues(), EncryptedList(PlainList(loaded.entries, loaded.selection))) << "invariants: zeros";
}

Entries Numbered(int n) {
  Entries entries;
  for (int i = 0; i < n; ++i) entries.push_back({"k" + std::to_string(10 + i), "v" + std::to_string(i)});
  return entries;
}

const char kMaximum[] = "Maximum number of passwords reached\nUnable to add a new one";

INSTANTIATE_TEST_SUITE_P(
    Cases, ListOrderTest,
    ::testing::Values(
        OrderCase{"BetaThenAlpha", {}, 0, {Add("beta", "b")}, {{"beta", "b"}}, 1, {}},
        OrderCase{"AlphaGoesFirstAndIsSelected", {}, 0, {Add("beta", "b"), Add("alpha", "a")},
                  {{"alpha", "a"}, {"beta", "b"}}, 1, {}},
        OrderCase{"AppendedIsSelected", {{"alpha", "a"}, {"beta", "b"}}, 1, {Add("gamma", "g")},
                  {{"alpha", "a"}, {"beta", "b"}, {"gamma", "g"}}, 3, {}},
        OrderCase{"OrderIsByteOrder", {}, 0, {Add("b", "1"), Add("B", "2"), Add("a", "3")},
                  {{"B", "2"}, {"a", "3"}, {"b", "1"}}, 2, {}},
        OrderCase{"ReplaceNoKeepsEverything", {{"alpha", "a"}, {"beta", "b"}}, 2, {Add("alpha", "new", 1, 2)},
                  {{"alpha", "a"}, {"beta", "b"}}, 2, {"alpha already exists\nWould you like to replace it ?"}},
        OrderCase{"ReplaceYesSelectsIt", {{"alpha", "a"}, {"beta", "b"}}, 2, {Add("alpha", "new", 1, 1)},
                  {{"alpha", "new"}, {"beta", "b"}}, 1, {"alpha already exists\nWould you like to replace it ?"}},
        OrderCase{"ReplaceEscapeKeepsEverything", {{"alpha", "a"}, {"beta", "b"}}, 2, {Add("alpha", "new", 1, 0)},
                  {{"alpha", "a"}, {"beta", "b"}}, 2, {"alpha already exists\nWould you like to replace it ?"}},
        OrderCase{"ReplaceClosedKeepsEverything", {{"alpha", "a"}, {"beta", "b"}}, 2,
                  {Add("alpha", "new", 1, BOX_END_CLOSE)}, {{"alpha", "a"}, {"beta", "b"}}, 2,
                  {"alpha already exists\nWould you like to replace it ?"}},
        OrderCase{"RemoveBeforeSelection", {{"a", "1"}, {"b", "2"}, {"c", "3"}}, 3, {Remove(0)},
                  {{"b", "2"}, {"c", "3"}}, 2, {}},
        OrderCase{"RemoveSelection", {{"a", "1"}, {"b", "2"}, {"c", "3"}}, 2, {Remove(1)},
                  {{"a", "1"}, {"c", "3"}}, 0, {}},
        OrderCase{"RemoveAfterSelection", {{"a", "1"}, {"b", "2"}, {"c", "3"}}, 1, {Remove(2)},
                  {{"a", "1"}, {"b", "2"}}, 1, {}},
        OrderCase{"RemoveTwoAdjacentAtTheSameIndex", {{"a", "1"}, {"b", "2"}, {"c", "3"}}, 3,
                  {Remove(1), Remove(1)}, {{"a", "1"}}, 0, {}},
        OrderCase{"RemoveBeyondTheUsedEntriesChangesNothing", {{"a", "1"}, {"b", "2"}}, 2,
                  {Remove(2, 0), Remove(-1, 0), Remove(15, 0)}, {{"a", "1"}, {"b", "2"}}, 2, {}},
        OrderCase{"EmptyLabelOrValueIsRefusedQuietly", {{"a", "1"}}, 1, {Add("", "x", 0), Add("x", "", 0)},
                  {{"a", "1"}}, 1, {}},
        OrderCase{"FullListRefusesAnAdd", Numbered(16), 4, {Add("new", "x", 0)}, Numbered(16), 4, {kMaximum}},
        OrderCase{"FullListRefusesAReplacementToo", Numbered(16), 4, {Add("k10", "x", 0)}, Numbered(16), 4,
                  {kMaximum}},
        OrderCase{"Label31FitsAnd32IsCut", {}, 0,
                  {Add("0123456789012345678901234567890", "v1"), Add("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefX", "v2")},
                  {{"0123456789012345678901234567890", "v1"}, {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcde", "v2"}}, 2, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Stored lists of fewer slots (the 8-slot one in the older scrambled layout) are
// re-laid into 16 slots; the next store writes the 16-slot encrypted form.
TEST_F(PassphraseListTest, OtherSizesAreReLaidIntoSixteenSlots) {
  for (int slots : {0, 2, 8, 12, 15}) {
    Entries entries;
    for (int i = 0; i < slots; ++i)
      entries.push_back({std::string(1, static_cast<char>('a' + i)) + "-label", "value-" + std::to_string(i)});
    const std::uint32_t selection = slots >= 2 ? 2 : 0;
    const Bytes plain = PlainList(entries, selection, slots);
    const Bytes stored = slots == 8 ? ScrambledList(plain) : EncryptedList(plain);
    StoreListValues(HKCU, kCurrent, stored, static_cast<std::size_t>(slots) * 32);

    PassphraseList list;
    std::uint32_t got_selection = 99;
    int count = -1;
    ASSERT_EQ(PassphraseListLoad(nullptr, &list, &got_selection, &count), 1) << slots;
    EXPECT_EQ(count, slots);
    EXPECT_EQ(got_selection, selection);
    EXPECT_EQ(Bytes(list.block, list.block + KEY_LIST_SIZE), PlainList(entries, selection)) << slots;

    ASSERT_EQ(PassphraseListSelect(0), 1);
    EXPECT_EQ(StoredValues(), EncryptedList(PlainList(entries, 0))) << slots;
  }
  EXPECT_TRUE(BoxDoubleLog().empty());
}

const char kRecovery[] =
    "Quillnox cannot decrypt your password list. It can result from a corrupted list or from an unknown version of "
    "Quillnox. You can:\n\nSuppress the list (suppress)\nSave the list in a file before remove it (save)\nLeave "
    "this configuration (cancel)";

struct RecoveryCase {
  const char* name;
  int answer;  // raw end value of the question
  int result;
  bool emptied;
  bool saved;
};

class RecoveryTest : public PassphraseListTest, public ::testing::WithParamInterface<RecoveryCase> {};

// A list stored on a machine with another serial.
TEST_P(RecoveryTest, AnotherSerialAsksAndActsOnTheAnswer) {
  const RecoveryCase& c = GetParam();
  SetSystemVolumeSerial(kOtherSerial);
  StoreEntries({{"alpha", "a"}, {"beta", "b"}}, 1);
  const Bytes foreign = StoredValues();
  SetSystemVolumeSerial(kSerial);

  BoxDoubleQueueAnswer(c.answer);
  const LoadedList loaded = LoadList();
  EXPECT_EQ(loaded.result, c.result);
  EXPECT_TRUE(loaded.entries.empty());
  ASSERT_GE(BoxDoubleLog().size(), 1u);
  EXPECT_EQ(BoxDoubleLog()[0].kind, BoxKind::Question);
  EXPECT_EQ(BoxDoubleLog()[0].text, kRecovery);
  EXPECT_EQ(BoxDoubleLog()[0].labels[0], "Suppress");
  EXPECT_EQ(BoxDoubleLog()[0].labels[1], "Save");
  EXPECT_EQ(BoxDoubleLog()[0].labels[2], "Cancel");

  const std::string raw_path = folder_.File("keys.raw");
  if (c.saved) {
    EXPECT_EQ(ReadFileBytes(raw_path), foreign) << "the raw bytes, still encrypted";
    ASSERT_EQ(BoxDoubleLog().size(), 2u);
    EXPECT_EQ(BoxDoubleLog()[1].text, "Keys are saved in file:\n" + raw_path);
  } else {
    EXPECT_EQ(FileSizeAt(raw_path.c_str()), -1);
    EXPECT_EQ(BoxDoubleLog().size(), 1u);
  }
  if (c.emptied) {
    EXPECT_EQ(StoredValues(), EncryptedList(PlainList({}, 0)));
  } else {
    EXPECT_EQ(StoredValues(), foreign) << "the stored list is left untouched";
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, RecoveryTest,
                         ::testing::Values(RecoveryCase{"Suppress", 1, 1, true, false},
                                           RecoveryCase{"Save", 2, 1, true, true},
                                           RecoveryCase{"Cancel", 3, 0, false, false},
                                           RecoveryCase{"Escape", 0, 0, false, false},
                                           RecoveryCase{"TitleBarClose", BOX_END_CLOSE, 0, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Sizes the layout cannot hold go to the question too (answered "Cancel" here).
TEST_F(PassphraseListTest, SizesTheLayoutCannotHoldAskTheQuestion) {
  const struct {
    std::size_t label;
    std::size_t value;
  } cases[] = {{0, 0}, {2, 1}, {512, 517}, {600, 600}, {2048, 0}};
  for (const auto& c : cases) {
    BoxDoubleReset();
    BoxDoubleQueueAnswer(3);
    StoreListValues(HKCU, kCurrent, Bytes(c.label + c.value, 0), c.label);
    EXPECT_EQ(LoadList().result, 0) << c.label << "+" << c.value;
    ASSERT_EQ(BoxDoubleLog().size(), 1u) << c.label << "+" << c.value;
    EXPECT_EQ(BoxDoubleLog()[0].text, kRecovery);
  }
}

// "Suppress" when the registry refuses the empty list: the user is told, and the stored
// list is neither replaced nor claimed to be.
TEST_F(PassphraseListTest, AnEmptyListThatCannotBeStoredIsReportedAndKeepsTheList) {
  SetSystemVolumeSerial(kOtherSerial);
  StoreEntries({{"alpha", "a"}}, 1);
  const Bytes foreign = StoredValues();
  SetSystemVolumeSerial(kSerial);
  RegistryMemorySetFault(HKCU, kCurrent, RegistryFault::NoWrite);
  BoxDoubleQueueAnswer(1);  // Suppress
  EXPECT_EQ(LoadList().result, 0);
  RegistryMemorySetFault(HKCU, kCurrent, RegistryFault::None);
  ASSERT_EQ(BoxDoubleLog().size(), 2u);
  EXPECT_EQ(BoxDoubleLog()[1].kind, BoxKind::Error);
  EXPECT_EQ(BoxDoubleLog()[1].text,
            "The empty list cannot be stored in the registry.\nThe password list is kept as it was.");
  EXPECT_EQ(StoredValues(), foreign);
}

TEST_F(PassphraseListTest, KeysRawThatCannotBeWrittenKeepsTheList) {
  SetSystemVolumeSerial(kOtherSerial);
  StoreEntries({{"alpha", "a"}}, 1);
  const Bytes foreign = StoredValues();
  SetSystemVolumeSerial(kSerial);
  const std::string missing = folder_.File("no-such-folder");
  SetProgramFolder(missing.c_str());

  BoxDoubleQueueAnswer(2);  // "Save"
  EXPECT_EQ(LoadList().result, 0);
  ASSERT_EQ(BoxDoubleLog().size(), 2u);
  const RecordedBox& error = BoxDoubleLog()[1];
  EXPECT_EQ(error.kind, BoxKind::Error);
  const std::string path = missing + (missing.find('\\') != std::string::npos ? "\\" : "/") + "keys.raw";
  EXPECT_EQ(error.text.rfind("Keys cannot be saved in file:\n" + path + "\n", 0), 0u) << error.text;
  EXPECT_GT(error.text.size(), std::string("Keys cannot be saved in file:\n\n").size() + path.size() + 10)
      << "the reason is given";
  EXPECT_EQ(StoredValues(), foreign);
}

TEST_F(PassphraseListTest, SnapshotRestoreAndDrop) {
  StoreEntries({{"alpha", "a"}, {"beta", "b"}}, 2);
  const Bytes before = StoredValues();
  ASSERT_EQ(PassphraseListSnapshot(), 1);
  ASSERT_EQ(PassphraseListAdd(nullptr, "gamma", "g"), 1);
  ASSERT_EQ(PassphraseListRemove(0), 1);
  EXPECT_EQ(PassphraseListRestore(), 1);
  EXPECT_EQ(StoredValues(), before) << "labels, values and selection as they were";
  EXPECT_EQ(PassphraseListRestore(), 0) << "the copy is gone";

  ASSERT_EQ(PassphraseListSnapshot(), 1);
  ASSERT_EQ(PassphraseListAdd(nullptr, "gamma", "g"), 1);
  PassphraseListDropSnapshot();
  EXPECT_EQ(PassphraseListRestore(), 0);
  EXPECT_EQ(LoadList().entries, (Entries{{"alpha", "a"}, {"beta", "b"}, {"gamma", "g"}}));
}

TEST_F(PassphraseListTest, RegistryFailureGivesZero) {
  RegistryMemorySetFault(HKCU, kCurrent, RegistryFault::NoAccess);
  EXPECT_EQ(LoadList().result, 0);
  EXPECT_EQ(PassphraseListAdd(nullptr, "a", "b"), 0);
  EXPECT_EQ(PassphraseListRemove(0), 0);
  EXPECT_EQ(PassphraseListSnapshot(), 0);
  for (const RecordedBox& box : BoxDoubleLog()) EXPECT_EQ(box.kind, BoxKind::Error);
}

}  // namespace
