// korbinet-compare's worker: one variant's script loaded into a process of
// its own and measured in rounds, driven line by line through the protocol
// of worker_protocol.h. A process per variant keeps one variant's threads,
// caches and memory from weighing on another's figures.
#pragma once

#include <istream>
#include <ostream>

namespace compare_worker {

// Reads commands from input and answers on output until quit or the end of
// input. The exit status: 0 after quit or the end of input, 1 after an error
// answer about the variant (loading, a round; the text as korbinet prints
// that failure, without the empty lines korbinet's console sets around it),
// 2 after a command it cannot take, kExitRefused after refusing an option.
// Terminal interrupts are ignored: the controller decides when its workers
// stop.
int RunWorker(std::istream& input, std::ostream& output);

// RunWorker on the process's standard input and output, with the answers
// moved to a descriptor of their own first: a library or plug-in that prints
// on standard output then reaches standard error, not the controller.
int RunWorkerOnStandardStreams();

}  // namespace compare_worker
