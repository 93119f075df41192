// SecureWipe: zero stores the optimiser must keep.
#include "platform/wipe.h"

void SecureWipe(void* data, std::size_t size) {
  if (data == nullptr) return;
  volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) p[i] = 0;
}
