// The first start of a version: the machine-wide key checked, and the per-user
// settings key created and filled, from the newest older installed version (its
// settings, passphrase list and the removal of its keys) or from the defaults. It
// builds on the settings store, the passphrase list and the access password.
#pragma once

#include <cstdint>

#include "base/types.h"  // QLX_PATH_SIZE
#include "keys/settings.h"

// One version's settings while they are migrated or defaulted. Made zeroed and wiped
// by SettingsInit, which owns it.
struct SettingsRecord {
  std::int32_t visible;
  std::int32_t hidepwd;
  std::int32_t algo;
  std::int32_t authreq;
  std::int32_t x;
  std::int32_t y;
  std::int32_t width;
  std::int32_t height;
  char srcdir[QLX_PATH_SIZE];
  char dstdir[QLX_PATH_SIZE];
  std::uint32_t key_selection;
  char key_labels[KEY_LIST_CAPACITY * KEY_SLOT_SIZE];
  char key_values[KEY_LIST_CAPACITY * KEY_SLOT_SIZE];
};

// Start-up: 1 = the program may go on, 0 = it must end (after the message).
// Refuses to start without the machine-wide key. When the per-user key of this
// version exists nothing else happens. Otherwise it is created and filled: from the
// newest older installed version when there is one (whose keys are then removed, but
// only when its settings and list were read and the new ones all written), else with
// the defaults. Fields an older version does not have keep their defaults.
int SettingsInit();

// Looks for an older installed version under HKLM\Software\Orvanel\Vek, or when that
// key cannot be opened under HKLM\Software\Orvanel\Quillnox (only one of the two).
// previous holds VERSION_BUFFER_SIZE bytes and is zeroed first. Subkey names that do
// not fit in it are passed over; the name equal to the running version (6 characters
// compared) is skipped. 1 with the newest older version in previous; 0 when there is
// none, or when a newer version is installed (previous then holds that newer name).
int FindPreviousVersion(char* previous);

// Reads the settings of version into record, over the values already there: "xywh"
// (16 bytes), "visible", "hidepwd", "srcdir", "dstdir" (versions not starting with
// '4' get a trailing "\" on a non-empty folder that lacks one), "algo" set to 1,
// "authreq" not read; then the passphrase list of version (PassphraseListLoad, which
// may ask the recovery question; record's list stays empty when it fails). 0 when the
// key cannot be opened (after the message; record unchanged) or the list cannot be
// read, or the user left the recovery question with "Cancel".
int SettingsLoadVersion(const char* version, SettingsRecord* record);

// Writes record into the running version's key: "xywh", "visible", "hidepwd", "algo",
// "authreq", "srcdir", "dstdir", then the passphrase list (stored encrypted for this
// machine) and the no-password form of "pwd" (AccessPasswordClear). Every write is
// tried; 0 when the key cannot be opened or any write failed.
int SettingsSaveRecord(const SettingsRecord* record);

// Zeroes record, then x = y = -1, width = height = 0, both folders = the Personal
// folder with "\" appended (empty when it is unknown), algo = 1, all else 0.
void SettingsDefaults(SettingsRecord* record);

// Removes the keys of an older version with DeleteKeyAndEmptyParents: before "4.06"
// HKLM\Software\Orvanel\Vek\<version>; from "4.06" on
// HKLM\Software\Orvanel\Quillnox\<version> and then the same path under HKCU. 1 when
// every one of them was removed. An empty version or one holding "\" is refused.
int SettingsDeleteVersion(const char* version);

// Removes root\path and then each parent that is left without subkeys (values do not
// count), never a key that has subkeys and never the top-level "Software" key.
// 1 when root\path itself was removed, 0 when nothing was.
int DeleteKeyAndEmptyParents(RegistryRoot root, const char* path);
