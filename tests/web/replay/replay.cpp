// The browser test's reference: replays a frame log of the page through the
// timeline on the desktop, headless.
//
//   web_replay --script FILE --raw DIR
//
// FILE holds one line "frame POS TID" per frame, as the page logged them.
// From the state start-up leaves (data loaded, scene state reset, a fresh
// palette; no music), each line runs one frame step with the music position
// held at POS and tid = TID, keeping all state from line to line as the frame
// loop does. For line N (from 0) it writes DIR/NNNNN.frame (the 64000 bytes
// presented) and DIR/NNNNN.pal (256 palette entries, red, green, blue) and
// prints "frame N scene S". Run it from the directory that holds data/.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "demo/demo.h"
#include "demo/gfx.h"
#include "demo/timeline.h"
#include "player/pt.h"

namespace {

bool write(const std::string& path, const void* data, size_t n) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, n, f) == n;
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 || std::strcmp(argv[1], "--script") != 0 || std::strcmp(argv[3], "--raw") != 0) {
    std::fprintf(stderr, "usage: web_replay --script FILE --raw DIR\n");
    return 2;
  }
  std::FILE* script = std::fopen(argv[2], "r");
  if (!script) {
    std::fprintf(stderr, "web_replay: %s: cannot open\n", argv[2]);
    return 1;
  }
  const std::string dir = std::string(argv[4]) + "/";
  if (std::system(("mkdir -p '" + dir + "'").c_str()) != 0) {
    std::fprintf(stderr, "web_replay: %s: cannot make the directory\n", argv[4]);
    return 1;
  }
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  if (!timeline_load()) return 1;
  if (SDL_Init(SDL_INIT_VIDEO) < 0 || !(scr = SDL_SetVideoMode(FRAME_W, SCREEN_H, 8, 0))) {
    std::fprintf(stderr, "web_replay: no screen (%s)\n", SDL_GetError());
    return 1;
  }
  demo_reset();
  long pos = 0, t = 0;
  for (int n = 0; std::fscanf(script, " frame %ld %ld", &pos, &t) == 2; n++) {
    pt_position.store(static_cast<int32_t>(pos));
    tid = static_cast<int32_t>(t);
    dest = buf.data();
    timeline_frame();
    uint8_t pal[768];
    for (int i = 0; i < 256; i++) {
      const SDL_Color& c = scr->format->palette->colors[i];
      pal[3 * i] = c.r;
      pal[3 * i + 1] = c.g;
      pal[3 * i + 2] = c.b;
    }
    char name[16];
    std::snprintf(name, sizeof name, "%05d", n);
    if (!write(dir + name + ".frame", dest, FRAME_BYTES) || !write(dir + name + ".pal", pal, sizeof pal)) {
      std::fprintf(stderr, "web_replay: %s%s: cannot write\n", dir.c_str(), name);
      return 1;
    }
    std::printf("frame %d scene %d\n", n, static_cast<int>(timeline_scene));
  }
  std::fclose(script);
  SDL_Quit();
  return 0;
}
