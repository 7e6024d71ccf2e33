#include "app/run_sequence.h"
#include "platform/console.h"

int main(int argc, char** argv) {
  platform::Keyboard keyboard;  // standard input's one reader, handed down
  return app::RunKorbinet(argc, argv, keyboard);
}
