// The key-exchange text: passphrase-list entries as they travel between two users
// inside an ordinary container, protected by a transfer password. One entry per line:
// the label, a tab, the value, the line ended by "\r\n". Labels, values and the
// transfer password are 1 to 31 bytes, with no control characters.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "keys/settings.h"

struct KeyExchangeEntry {
  char label[KEY_SLOT_SIZE];
  char value[KEY_SLOT_SIZE];
};

// 1 when text is a label, value or transfer password that may travel: 1 to 31 bytes,
// none of them below 32 (and no DEL).
int KeyExchangeFieldValid(const char* text);

// Appends the line of one entry to out. 0 (out unchanged) when a field is not valid.
int KeyExchangeAppend(std::string* out, const char* label, const char* value);

// Reads every line of text into entries (which is cleared first). 1 only when every
// line is well formed (a last line without "\r\n" counts as malformed) and there is at
// least one; 0 with entries empty otherwise. *bad_line (may be nullptr) receives the
// 1-based number of the first malformed line (0 when the text is empty).
int KeyExchangeParse(const char* text, std::size_t length, std::vector<KeyExchangeEntry>* entries, int* bad_line);

// Wipes the entries and empties the vector.
void KeyExchangeWipe(std::vector<KeyExchangeEntry>* entries);
