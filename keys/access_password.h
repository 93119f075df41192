// The access password that guards opening the program: its record "pwd" in the
// settings key (a digest of the machine-mixed password, or a no-password marker
// block), and the checks start-up and the protection dialog make with it.
//
// "pwd" (PASSWORD_RECORD_SIZE bytes) is one of:
//   password set: MD5 of the mixed password (the text with its first up to 4
//     characters XORed with the volume serial's bytes, lowest first; the length is
//     taken again after each step, and the digest covers the text up to its first
//     zero byte after mixing);
//   no password: 8 random bytes followed by the same 8 in reverse order, encrypted
//     with two-key Triple-DES under the marker key (zero IV).
// Decrypting "pwd" with the marker key tells the two apart: a symmetric block means
// no password.
#pragma once

#include <cstddef>
#include <cstdint>

// Longest password text read from the dialogs (without the terminator).
constexpr std::size_t ACCESS_PASSWORD_MAX = 255;

// The marker key's constant, chosen once for this program; bytes 0, 3, 6 and 9 are
// XORed with the volume serial's bytes (lowest first) at each use.
constexpr std::uint8_t PASSWORD_MARKER_CONSTANT[16] = {0xC4, 0x1F, 0x6A, 0x93, 0x2E, 0xB7, 0x58, 0x0D,
                                                       0xE1, 0x7C, 0x35, 0xA9, 0x42, 0xF6, 0x8B, 0x60};

// The marker key of this machine.
void PasswordMarkerKey(std::uint8_t key[16]);

// Mixes text in place with the volume serial (see above); text is NUL-terminated.
void PasswordMix(char* text);

// 1 when a password is set. A "pwd" that cannot be read counts as the no-password form.
int AccessPasswordActive();
// 1 when text is the password; 0 when not, or when "pwd" cannot be read. text is not
// changed (the mixing works on a wiped copy).
int AccessPasswordCheck(const char* text);
// Stores the digest of the mixed text as "pwd". 1 when written.
int AccessPasswordSet(const char* text);
// Stores a fresh no-password form as "pwd". 1 when written.
int AccessPasswordClear();
// "authreq" (setting 7): 1 when storing passphrases requires the access password.
int AccessPasswordAuthreq();
