// The worker alone, for its tests: korbinet-compare runs the same function
// when started with --worker.
#include <iostream>

#include "compare_worker/worker.h"

int main() { return compare_worker::RunWorker(std::cin, std::cout); }
