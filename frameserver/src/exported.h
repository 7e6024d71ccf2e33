// Marks the library's entry points.
#pragma once

#include "platform/compiler.h"

#define FS_EXPORT extern "C" KORBINET_EXPORT
