#pragma once
// Per-thread initialisation, object creation by class identifier and the
// task allocator.
#include <cstddef>
#include <functional>

#include "platform/com/unknown.h"

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
inline constexpr DWORD COINIT_MULTITHREADED = 0x0;

// S_OK the first time on a thread, S_FALSE when the thread is initialised
// already; each success needs one CoUninitialize.
HRESULT CoInitialize(void* reserved);
HRESULT CoInitializeEx(void* reserved, DWORD flags);
void CoUninitialize();

// CO_E_NOTINITIALIZED on a thread without CoInitialize; REGDB_E_CLASSNOTREG
// for a class nobody registered.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** out);

void* CoTaskMemAlloc(size_t size);
void* CoTaskMemRealloc(void* p, size_t size);
void CoTaskMemFree(void* p);

namespace tsl::com {

// Creates an object of a class and hands out the asked interface.
using class_factory = std::function<HRESULT(IUnknown* outer, REFIID riid, void** out)>;
void register_class(const CLSID& clsid, class_factory factory);
bool thread_initialized();

}  // namespace tsl::com
