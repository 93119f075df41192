// Results of the cipher streams (DES, AES and the container's triple-DES form): every
// stream result of the programs, each with a value of its own.
#pragma once

constexpr int STREAM_OK = 0;             // done: the whole length was read and written
constexpr int STREAM_SHORT_READ = -7;    // the input gave fewer bytes than required
constexpr int STREAM_SHORT_WRITE = -8;   // the output took fewer bytes than written
constexpr int STREAM_BAD_ARGUMENT = -9;  // no file, no key, or an AES key length other than 8 or 16
constexpr int STREAM_BAD_PADDING = -10;  // the triple-DES form's padding count is impossible
constexpr int STREAM_CANCELLED = -11;    // the progress receiver answered "cancel"
