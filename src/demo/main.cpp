// Program entry: start up, run the frames, hand the device back to the launcher.
#include "demo/demo.h"

int main() {
  if (!demo_startup()) return 1;
  demo_loop();
  return demo_exit();
}
