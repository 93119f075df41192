// The personal passphrase list: up to KEY_LIST_CAPACITY labelled passphrases and the
// current selection, kept encrypted under a key bound to this machine in the values
// "keylabel" and "keyvalue" of the settings key, with the recovery offered when a
// stored list cannot be decrypted.
//
// The list block (KEY_LIST_SIZE bytes): the label slots of entries 1..16 (32 bytes
// each), the value slots of entries 1..16, then the selection (unsigned 32-bit
// little-endian; 0 = a passphrase typed by hand, k = entry k). Used entries come
// first, without gaps, sorted by label (strcmp); every byte behind a slot's
// terminator and every unused slot is zero; selection <= the number of used entries.
//
// Every operation loads the list, changes it and stores it at once. Blocks holding
// passphrases are wiped before they are given back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "keys/settings.h"
#include "platform/msgbox.h"

// The list key's base sequence: byte i (counted from 1) is i times this constant,
// modulo 256. Chosen once for this program (odd, so the sequence runs through all 256
// values before it repeats); lists are only readable by builds with the same value.
constexpr std::uint8_t LIST_KEY_CONSTANT = 0x5B;

// One list block, wiped when it goes.
struct PassphraseList {
  std::uint8_t block[KEY_LIST_SIZE];

  PassphraseList();
  ~PassphraseList();
  PassphraseList(const PassphraseList&) = delete;
  PassphraseList& operator=(const PassphraseList&) = delete;

  // Slot of entry index (0-based, 0..KEY_LIST_CAPACITY-1).
  char* Label(int index) { return reinterpret_cast<char*>(block) + index * KEY_SLOT_SIZE; }
  char* Value(int index) { return reinterpret_cast<char*>(block) + KEY_LIST_LABELS_SIZE + index * KEY_SLOT_SIZE; }
  const char* Label(int index) const { return reinterpret_cast<const char*>(block) + index * KEY_SLOT_SIZE; }
  const char* Value(int index) const {
    return reinterpret_cast<const char*>(block) + KEY_LIST_LABELS_SIZE + index * KEY_SLOT_SIZE;
  }
  char* Labels() { return Label(0); }
  char* Values() { return Value(0); }
  std::uint32_t Selection() const;
  void SetSelection(std::uint32_t selection);
  // Number of leading entries whose label is not empty.
  int Count() const;
};

// The 16-byte list key of this machine: the base sequence with the volume serial's
// bytes (lowest first) XORed into bytes 1, 4, 7 and 10.
void PassphraseListKey(std::uint8_t key[16]);
// Byte position (counted from 0) of the base sequence continued: ((position + 1) *
// LIST_KEY_CONSTANT) mod 256. The older 8-entry layout was scrambled with it.
std::uint8_t PassphraseListMask(std::uint32_t position);

// Reads the stored list of version (nullptr: the running one) into list (any output
// may be nullptr). The older 8-entry layout is unscrambled, other stored sizes are
// re-laid into 16 slots. A list that does not validate (a slot without terminator, a
// used slot behind an empty one, a selection beyond the used entries, fewer than 4 or
// more than KEY_LIST_SIZE bytes stored) brings up the recovery
// question: "Suppress" and "Save" (raw bytes to "keys.raw" in the program's folder)
// leave an empty list stored and give 1 with that empty list; "Cancel", Escape, the
// title-bar close, "Save" that cannot write the file, or an empty list that cannot be
// stored (after its error message) give 0 and leave the stored list as it was. A
// registry failure gives 0 after its message.
int PassphraseListLoad(const char* version, PassphraseList* list, std::uint32_t* selection, int* count);

// Builds a block from KEY_LIST_LABELS_SIZE bytes at labels, as many at values and
// selection, encrypts it with the list key and stores it. 1 when both values were
// written (a write failure has no message of its own).
int PassphraseListStore(const char* labels, const char* values, std::uint32_t selection);

// Adds label/value (each cut to 31 characters) in label order and selects it; a label
// that exists is replaced after the user says "Yes" (and then selected), kept on "No",
// Escape or the title-bar close.
// 1 when the list was stored; 0 when it cannot be loaded, is full (after the
// maximum message, also for a replacement), or label or value is empty.
int PassphraseListAdd(WindowHandle owner, const char* label, const char* value);

// Removes entry index (0-based) and fixes the selection: entries behind it move down,
// the selection follows its entry, or becomes 0 when it was this one. 0 when the list
// cannot be loaded or index names no used entry.
int PassphraseListRemove(int index);

// A copy of the list kept while the management dialog is open. Snapshot: 1 when
// the list was loaded and kept (an older copy is dropped). Restore: stores the copy
// back and drops it (0 without a copy). Drop: wipes and forgets it.
int PassphraseListSnapshot();
int PassphraseListRestore();
void PassphraseListDropSnapshot();

// Loads the list and stores it again with selection (0..count). 1 when stored.
int PassphraseListSelect(std::uint32_t selection);
