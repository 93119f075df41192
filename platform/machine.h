// What binds stored secrets to this machine and where the program lives: the serial
// number of the volume that holds the Windows folder, and the folder of the running
// program. Both can be set by a program or a test, and then win over the system's.
#pragma once

#include <cstddef>
#include <cstdint>

// The volume serial number of the drive that holds the Windows folder (on Windows:
// GetWindowsDirectoryA, the root of that path, GetVolumeInformationA; 0 when the call
// fails). Elsewhere 0 unless set.
std::uint32_t SystemVolumeSerial();
// From now on SystemVolumeSerial answers serial.
void SetSystemVolumeSerial(std::uint32_t serial);
// Back to the system's answer.
void ResetSystemVolumeSerial();

// The path of file name in the running program's folder (the module path with its
// file-name part replaced). buffer holds size bytes; 0, with buffer "", when the
// result does not fit or the program's path is unknown.
int ProgramFolderFile(const char* name, char* buffer, std::size_t size);
// From now on ProgramFolderFile uses folder (with or without a trailing separator);
// nullptr goes back to the program's own folder.
void SetProgramFolder(const char* folder);

// The system's answers, one implementation per platform.
std::uint32_t PlatformVolumeSerial();
// The running program's own path into buffer (size bytes); 0 when unknown.
int PlatformProgramPath(char* buffer, std::size_t size);
