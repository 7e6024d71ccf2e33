// Marks the library's entry points: exported from the DLL on Windows, given
// default visibility on Linux (where exports.map decides what is seen).
#pragma once

#ifdef _WIN32
#define FS_EXPORT extern "C" __declspec(dllexport)
#else
#define FS_EXPORT extern "C" __attribute__((visibility("default")))
#endif
