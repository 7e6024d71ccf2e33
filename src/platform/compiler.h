// Compiler attributes, in one place so that shared headers stay free of
// compiler syntax and a compiler without them gets empty definitions.
#pragma once

#if defined(__GNUC__) || defined(__clang__)
// Lets the compiler check a printf-style call; positions count `this` as 1.
#define KORBINET_PRINTF_FORMAT(format_index, first_arg) \
  __attribute__((format(printf, format_index, first_arg)))
#define KORBINET_NOINLINE __attribute__((noinline))
// For code that faults on purpose: the sanitizer must not catch it first.
#define KORBINET_NO_UBSAN __attribute__((no_sanitize("undefined")))
#else
#define KORBINET_PRINTF_FORMAT(format_index, first_arg)
#define KORBINET_NOINLINE
#define KORBINET_NO_UBSAN
#endif

// An entry point a library exports: default visibility in an ELF file (a
// version script decides the rest), an export-table entry in a PE file.
// KORBINET_VISIBLE keeps a type's identity (its type info) visible outside
// an ELF library built with hidden visibility; PE files have no such notion.
#if defined(_WIN32)
#define KORBINET_EXPORT __declspec(dllexport)
#define KORBINET_VISIBLE
#define KORBINET_HIDDEN
#elif defined(__GNUC__) || defined(__clang__)
#define KORBINET_EXPORT __attribute__((visibility("default")))
#define KORBINET_VISIBLE __attribute__((visibility("default")))
#define KORBINET_HIDDEN __attribute__((visibility("hidden")))
#else
#define KORBINET_EXPORT
#define KORBINET_VISIBLE
#define KORBINET_HIDDEN
#endif
