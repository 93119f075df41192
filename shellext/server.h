// The DLL's two counts, which alone decide whether it may be unloaded: live objects
// (context-menu objects and class factories) and locks taken through LockServer.
#pragma once

#include <windows.h>

#include <cstddef>
#include <new>

void ServerObjectCreated();
void ServerObjectDestroyed();
void ServerLock(BOOL lock);

// A new context-menu object with one reference, or nullptr when memory is short.
IUnknown* ContextMenuCreate();

// COM objects of this DLL come from the process heap, so that the DLL needs no C++
// run-time allocator (and stays small).
struct HeapObject {
  static void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return HeapAlloc(GetProcessHeap(), 0, size);
  }
  static void operator delete(void* block) noexcept { HeapFree(GetProcessHeap(), 0, block); }
};
