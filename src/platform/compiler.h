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

// Symbol visibility is an ELF notion; PE files export by other means.
#if (defined(__GNUC__) || defined(__clang__)) && !defined(_WIN32)
#define KORBINET_VISIBLE __attribute__((visibility("default")))
#define KORBINET_HIDDEN __attribute__((visibility("hidden")))
#else
#define KORBINET_VISIBLE
#define KORBINET_HIDDEN
#endif
