// The worker alone, for its tests: korbinet-compare runs the same function
// when started with --worker.
#include "compare_worker/worker.h"

int main() { return compare_worker::RunWorkerOnStandardStreams(); }
