// The pad's buttons and the desktop's keys as the frame loop acts on them:
// stop, volume, full screen, and a termination signal SDL leaves alone.
#include "demo/demo_input.h"

#include "demo/demo.h"
#include "demo/platform.h"
#include "sys/sdlcall.h"

void demo_button(int button) {
  switch (button) {
    case BUTTON_STOP_A:
    case BUTTON_STOP_B:
      stopcount++;
      demo_user_stop = true;
      break;
    case BUTTON_VOL_UP:
      vol_left += 10;
      vol_right += 10;
      if (vol_left > 99) vol_left = 99;
      if (vol_right > 99) vol_right = 99;
      break;
    case BUTTON_VOL_DOWN:
      vol_left -= 10;
      vol_right -= 10;
      if (vol_left < 0) vol_left = 0;
      if (vol_right < 0) vol_right = 0;
      break;
    default:
      break;
  }
  // Every press writes the volume, whichever the button.
  platform_volume_write(vol_left, vol_right);
}

void demo_poll_events() {
  SDL_Event ev;
  while (sdl_pollevent(&ev)) {
    const int button = platform_button(ev);
    if (button == BUTTON_FULLSCREEN) {
      demo_set_fullscreen(!platform_fullscreen);
    } else if (button >= 0) {
      demo_button(button);
    }
  }
  if (platform_signalled()) {
    // A termination signal that SDL does not turn into the close request, as a stop button.
    stopcount++;
    demo_user_stop = true;
  }
}
