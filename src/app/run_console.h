// The run's own console idioms: the message stream, blanking a line, and
// leaving with an error.
#pragma once

#include <string>

// The stream the ConUseSTDOUT setting chooses (1: standard output).
int RunStream();

// Prints a padded empty text through form ("\r%s", "\r%s\r" or "\r%s\n").
void BlankLine(const char* form);

// Prints text (as data) in the error colour, pauses, and gives status -1.
int ExitWithError(const std::string& text);
