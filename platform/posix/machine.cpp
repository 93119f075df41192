// Without Windows there is no system volume: its serial is 0 unless a program sets
// one. The program's path comes from /proc.
#include <unistd.h>

#include "platform/machine.h"

std::uint32_t PlatformVolumeSerial() { return 0; }

int PlatformProgramPath(char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return 0;
  const ssize_t length = readlink("/proc/self/exe", buffer, size - 1);
  if (length <= 0) {
    buffer[0] = '\0';
    return 0;
  }
  buffer[length] = '\0';
  return 1;
}
