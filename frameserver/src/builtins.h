// The script functions of the frame server.
#pragma once

#include "functions.h"
#include "variant.h"

void RegisterBuiltins(FunctionTable& table, const VariantInfo& variant);
