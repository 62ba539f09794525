// The key map (see platform_keys.h). Reads whether the screen is in full
// screen (platform_window.h), where Escape first leaves it.
#include "demo/platform_keys.h"

#include "demo/platform_window.h"

int platform_button(const SDL_Event& ev) {
  if (ev.type == SDL_JOYBUTTONDOWN) return ev.jbutton.button;
#ifndef ZAP_HANDHELD
  if (ev.type == SDL_QUIT) return BUTTON_STOP_B;
  if (ev.type == SDL_KEYDOWN) {
    switch (ev.key.keysym.sym) {
      case SDLK_ESCAPE:
        // A viewer in full screen expects Escape to leave it first.
        return platform_fullscreen ? BUTTON_FULLSCREEN : BUTTON_STOP_B;
      case SDLK_F11:
        return BUTTON_FULLSCREEN;
      case SDLK_RETURN:
      case SDLK_KP_ENTER:
        return (ev.key.keysym.mod & KMOD_ALT) != 0 ? BUTTON_FULLSCREEN : -1;
      case SDLK_q:
        return BUTTON_STOP_B;
      case SDLK_PLUS:
      case SDLK_EQUALS:
      case SDLK_KP_PLUS:
        return BUTTON_VOL_UP;
      case SDLK_MINUS:
      case SDLK_KP_MINUS:
        return BUTTON_VOL_DOWN;
      default:
        break;
    }
  }
#endif
  return -1;
}
