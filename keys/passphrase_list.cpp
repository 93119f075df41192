// The passphrase list store: the list key, loading (older layout, other sizes,
// validation, recovery), storing, adding, removing, and the dialog's snapshot.
#include "keys/passphrase_list.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "crypto/des.h"
#include "platform/bytes.h"
#include "platform/fileio.h"
#include "platform/machine.h"
#include "platform/wipe.h"

namespace {

constexpr int N = KEY_LIST_CAPACITY;
constexpr std::uint32_t kSlot = KEY_SLOT_SIZE;
constexpr std::uint32_t kOlderEntries = 8;
// Room for reading a stored list: more than any list this program keeps, so that an
// over-long one can be told from one that fits (and saved whole to "keys.raw").
constexpr std::uint32_t kRawRoom = 4 * KEY_LIST_SIZE;

const std::uint8_t kZeroIv[8] = {0, 0, 0, 0, 0, 0, 0, 0};

// A heap buffer of raw stored bytes, wiped when it goes.
struct RawList {
  std::uint8_t bytes[kRawRoom];
  ~RawList() { SecureWipe(bytes, sizeof bytes); }
};

std::unique_ptr<PassphraseList> g_snapshot;

// The bytes behind a slot's first terminator are zero (the slot holds one).
void TidySlot(char* slot) {
  const std::size_t length = std::strlen(slot);
  std::memset(slot + length, 0, kSlot - length);
}

void FillSlot(char* slot, const char* text) {
  std::memset(slot, 0, kSlot);
  std::size_t length = 0;
  while (length < kSlot - 1 && text[length] != '\0') ++length;
  std::memcpy(slot, text, length);
}

int TdesBlock(std::uint8_t* bytes, std::uint32_t length, bool encrypt) {
  std::uint8_t key[16];
  PassphraseListKey(key);
  const int taken = DesScheduleTake();
  const int done = encrypt ? TdesEncrypt(bytes, static_cast<std::int32_t>(length), key, kZeroIv)
                           : TdesDecrypt(bytes, static_cast<std::int32_t>(length), key, kZeroIv);
  if (taken) DesScheduleRelease();
  SecureWipe(key, sizeof key);
  return done;
}

// Undoes the older layout's scrambling: positions counted from 0 in the labels part
// (the first 8 slots) and again in the rest.
void Unscramble(std::uint8_t* bytes, std::uint32_t length) {
  const std::uint32_t labels = kOlderEntries * kSlot;
  for (std::uint32_t i = 0; i < length; ++i) bytes[i] ^= PassphraseListMask(i < labels ? i : i - labels);
}

// Moves a stored list of n entries (n <= N) to the places of the 16-slot layout: the
// selection to the end, the values behind the 16 label slots, every slot not used
// by the n entries zeroed. (The values may overlap their new place, hence memmove;
// only the label slots behind the n labels are cleared, never the moved values.)
void Relayout(std::uint8_t* block, std::uint32_t n) {
  if (n == static_cast<std::uint32_t>(N)) return;
  std::uint8_t selection[4];
  std::memcpy(selection, block + n * 2 * kSlot, 4);
  std::memmove(block + KEY_LIST_LABELS_SIZE, block + n * kSlot, n * kSlot);
  std::memset(block + n * kSlot, 0, KEY_LIST_LABELS_SIZE - n * kSlot);
  std::memset(block + KEY_LIST_LABELS_SIZE + n * kSlot, 0, (N - n) * kSlot);
  std::memcpy(block + 2 * KEY_LIST_LABELS_SIZE, selection, 4);
  SecureWipe(selection, sizeof selection);
}

// Whether a decrypted block is a list this program could have written. The selection
// alone cannot tell: it lies in the block's 4-byte tail, which the Triple-DES tail rule
// masks with ciphertext bytes only, so it decrypts the same under any key. So every
// slot must end within its 32 bytes, the slots behind the used entries must be empty,
// and the selection must name a used entry or none.
bool ValidList(const PassphraseList& list, std::uint32_t n) {
  for (int i = 0; i < N; ++i) {
    if (std::memchr(list.Label(i), '\0', kSlot) == nullptr) return false;
    if (std::memchr(list.Value(i), '\0', kSlot) == nullptr) return false;
  }
  const int count = list.Count();
  if (static_cast<std::uint32_t>(count) > n) return false;
  for (int i = count; i < N; ++i) {
    for (std::uint32_t j = 0; j < kSlot; ++j)
      if (list.Label(i)[j] != '\0' || list.Value(i)[j] != '\0') return false;
  }
  const std::uint32_t chosen = list.Selection();
  return chosen <= n && chosen <= static_cast<std::uint32_t>(count);
}

// "Save": the raw stored bytes of version, as they are, to "keys.raw" beside the
// program. 1 after the notice; 0 after an error message naming the file.
int SaveRawList(const char* version) {
  char path[QLX_PATH_SIZE];
  if (!ProgramFolderFile("keys.raw", path, sizeof path)) {
    ErrorBox(MainWindowHandle(), "Keys cannot be saved: the program's folder is unknown.");
    return 0;
  }
  auto raw = std::make_unique<RawList>();
  std::uint32_t size = sizeof raw->bytes;
  if (!SettingsGetListRaw(version, raw->bytes, &size)) return 0;
  errno = 0;
  FileHandle file = FileOpen(path, "wb");
  bool written = file && std::fwrite(raw->bytes, 1, size, file.get()) == size;
  written = FileClose(file) && written;
  if (!written) {
    const int error = errno;
    char text[QLX_PATH_SIZE + 160];
    std::snprintf(text, sizeof text, "Keys cannot be saved in file:\n%s\n%s\n\nThe list is kept.", path,
                  error != 0 ? std::strerror(error) : "The file cannot be written.");
    ErrorBox(MainWindowHandle(), text);
    return 0;
  }
  char text[QLX_PATH_SIZE + 64];
  std::snprintf(text, sizeof text, "Keys are saved in file:\n%s", path);
  WarningBox(MainWindowHandle(), text);
  return 1;
}

// The recovery question for a list that cannot be used. 1 when an empty list is now
// stored and stands for it; 0 when the stored list stays as it was.
int Recover(const char* version) {
  char text[512];
  std::snprintf(text, sizeof text,
                "%s cannot decrypt your password list. It can result from a corrupted list or from an "
                "unknown version of %s. You can:\n\nSuppress the list (suppress)\nSave the list in a file "
                "before remove it (save)\nLeave this configuration (cancel)",
                DisplayName(), DisplayName());
  const int answer = QuestionBoxOrClose(MainWindowHandle(), text, "Suppress", "Save", "Cancel");
  if (answer == 2) {
    if (!SaveRawList(version)) return 0;
  } else if (answer != 1) {
    return 0;  // "Cancel", Escape, or the title-bar close
  }
  const PassphraseList empty;
  if (!PassphraseListStore(empty.Label(0), empty.Value(0), 0)) {
    ErrorBox(MainWindowHandle(), "The empty list cannot be stored in the registry.\nThe password list is kept as it was.");
    return 0;
  }
  return 1;
}

}  // namespace

PassphraseList::PassphraseList() { std::memset(block, 0, sizeof block); }

PassphraseList::~PassphraseList() { SecureWipe(block, sizeof block); }

std::uint32_t PassphraseList::Selection() const { return LoadLe32(block + 2 * KEY_LIST_LABELS_SIZE); }

void PassphraseList::SetSelection(std::uint32_t selection) { StoreLe32(block + 2 * KEY_LIST_LABELS_SIZE, selection); }

int PassphraseList::Count() const {
  int count = 0;
  while (count < N && Label(count)[0] != '\0') ++count;
  return count;
}

std::uint8_t PassphraseListMask(std::uint32_t position) {
  return static_cast<std::uint8_t>((position + 1) * LIST_KEY_CONSTANT);
}

void PassphraseListKey(std::uint8_t key[16]) {
  for (std::uint32_t i = 0; i < 16; ++i) key[i] = PassphraseListMask(i);
  const std::uint32_t serial = SystemVolumeSerial();
  for (int i = 0; i < 4; ++i) key[1 + 3 * i] ^= static_cast<std::uint8_t>(serial >> (8 * i));
}

int PassphraseListLoad(const char* version, PassphraseList* out, std::uint32_t* selection, int* count) {
  auto raw = std::make_unique<RawList>();
  std::uint32_t stored = sizeof raw->bytes;
  if (!SettingsGetListRaw(version, raw->bytes, &stored)) return 0;

  auto list = std::make_unique<PassphraseList>();
  bool valid = stored >= 4 && stored <= KEY_LIST_SIZE;
  std::uint32_t n = 0;
  if (valid) {
    n = (stored - 4) / (2 * kSlot);
    std::memcpy(list->block, raw->bytes, stored);
    if (n == kOlderEntries)
      Unscramble(list->block, stored);
    else
      TdesBlock(list->block, stored, false);
    Relayout(list->block, n);
    valid = ValidList(*list, n);
  }
  raw.reset();
  if (!valid) {
    list.reset();  // the undecrypted block is never handed out
    if (!Recover(version)) return 0;
    list = std::make_unique<PassphraseList>();
    n = 0;
  }
  for (int i = 0; i < N; ++i) {
    TidySlot(list->Label(i));
    TidySlot(list->Value(i));
  }
  if (selection) *selection = list->Selection();
  if (count) *count = list->Count();
  if (out) std::memcpy(out->block, list->block, sizeof out->block);
  return 1;
}

int PassphraseListStore(const char* labels, const char* values, std::uint32_t selection) {
  if (labels == nullptr || values == nullptr) return 0;
  auto list = std::make_unique<PassphraseList>();
  std::memcpy(list->Labels(), labels, KEY_LIST_LABELS_SIZE);
  std::memcpy(list->Values(), values, KEY_LIST_LABELS_SIZE);
  list->SetSelection(selection);
  TdesBlock(list->block, sizeof list->block, true);
  return SettingsSetListRaw(list->block);
}

int PassphraseListAdd(WindowHandle owner, const char* label, const char* value) {
  auto list = std::make_unique<PassphraseList>();
  int count = 0;
  if (!PassphraseListLoad(nullptr, list.get(), nullptr, &count)) return 0;
  if (count == N) {
    WarningBox(owner, "Maximum number of passwords reached\nUnable to add a new one");
    return 0;
  }
  if (label == nullptr || value == nullptr || label[0] == '\0' || value[0] == '\0') return 0;
  char slot_label[kSlot];
  FillSlot(slot_label, label);

  int place = count;
  for (int i = 0; i < count; ++i) {
    const int order = std::strcmp(slot_label, list->Label(i));
    if (order == 0) {
      char question[kSlot + 64];
      std::snprintf(question, sizeof question, "%s already exists\nWould you like to replace it ?", slot_label);
      // Only "Yes" replaces: "No", Escape and the title-bar close keep the stored one.
      if (QuestionBoxOrClose(owner, question, "Yes", "No", nullptr) == 1) {
        FillSlot(list->Label(i), slot_label);
        FillSlot(list->Value(i), value);
        list->SetSelection(static_cast<std::uint32_t>(i + 1));
      }
      return PassphraseListStore(list->Labels(), list->Values(), list->Selection());
    }
    if (order < 0) {
      place = i;
      break;
    }
  }
  for (int i = count; i > place; --i) {
    std::memset(list->Label(i), 0, kSlot);
    std::memcpy(list->Label(i), list->Label(i - 1), kSlot);
    std::memset(list->Value(i), 0, kSlot);
    std::memcpy(list->Value(i), list->Value(i - 1), kSlot);
  }
  FillSlot(list->Label(place), slot_label);
  FillSlot(list->Value(place), value);
  list->SetSelection(static_cast<std::uint32_t>(place + 1));
  return PassphraseListStore(list->Labels(), list->Values(), list->Selection());
}

int PassphraseListRemove(int index) {
  auto list = std::make_unique<PassphraseList>();
  int count = 0;
  std::uint32_t selection = 0;
  if (!PassphraseListLoad(nullptr, list.get(), &selection, &count)) return 0;
  if (index < 0 || index >= count) return 0;
  for (int i = index; i + 1 < count; ++i) {
    std::memcpy(list->Label(i), list->Label(i + 1), kSlot);
    std::memcpy(list->Value(i), list->Value(i + 1), kSlot);
  }
  std::memset(list->Label(count - 1), 0, kSlot);
  std::memset(list->Value(count - 1), 0, kSlot);
  const std::uint32_t removed = static_cast<std::uint32_t>(index) + 1;
  if (selection > removed)
    --selection;
  else if (selection == removed)
    selection = 0;
  return PassphraseListStore(list->Labels(), list->Values(), selection) ? 1 : 0;
}

int PassphraseListSnapshot() {
  PassphraseListDropSnapshot();
  auto copy = std::make_unique<PassphraseList>();
  if (!PassphraseListLoad(nullptr, copy.get(), nullptr, nullptr)) return 0;
  g_snapshot = std::move(copy);
  return 1;
}

int PassphraseListRestore() {
  if (!g_snapshot) return 0;
  const int stored = PassphraseListStore(g_snapshot->Labels(), g_snapshot->Values(), g_snapshot->Selection());
  g_snapshot.reset();
  return stored;
}

void PassphraseListDropSnapshot() { g_snapshot.reset(); }

int PassphraseListSelect(std::uint32_t selection) {
  auto list = std::make_unique<PassphraseList>();
  int count = 0;
  if (!PassphraseListLoad(nullptr, list.get(), nullptr, &count)) return 0;
  if (selection > static_cast<std::uint32_t>(count)) return 0;
  return PassphraseListStore(list->Labels(), list->Values(), selection);
}
