// The process entry: hands the arguments to the runtime and runs the system.
#include "app/startup.h"
#include "runtime/runtime.h"

int main(int argc, char** argv) {
  RuntimeSetArguments(argc, argv);
  return vindralo_main();
}
