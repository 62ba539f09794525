// The handheld's launcher (see platform_launcher.h).
#include "demo/platform_launcher.h"

#include <unistd.h>

namespace {

const char k_launcher_dir[] = "/usr/gp2x";
const char k_launcher[] = "/usr/gp2x/gp2xmenu";

}  // namespace

void platform_launcher() {
  if (chdir(k_launcher_dir) != 0) {
    // Carry on: the exec below fails the same way on a machine without it.
  }
  char* const args[] = {const_cast<char*>(k_launcher), nullptr};
  execv(k_launcher, args);
}
