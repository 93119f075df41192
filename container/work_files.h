// The operations' work files in the temporary folder, by their fixed names.
#pragma once

#include <string>

#include "platform/tempdir.h"

constexpr char WORK_TEXT_FILE[] = "~~txt.vek";            // a text on its way into or out of a TEXT chunk
constexpr char WORK_COMPRESSED_FILE[] = "vek_compr.tmp";  // a file's compressed or restored image

// The full path of a work file (or container) of that name in the temporary folder.
inline std::string WorkFilePath(const char* name) { return std::string(TempFolder()) + name; }
