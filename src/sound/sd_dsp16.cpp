// SDL audio device. Owns the SDL audio request and the device's rate; opens
// and closes SDL's audio output and fills the operation table. The samples
// themselves come from the callback the installer is given: the music front
// end's mix_newhand, which runs the player and the mixer on SDL's audio
// thread. So the device knows nothing of the music above it.
#include "sound/sd_dsp16.h"

#include "sys/sdlcall.h"

#include "sound/sd_main.h"
#include "sound/sd_mix.h"

// ---- Constants --------------------------------------------------------------

// Rates from SD_OUTPUT_RATE up get 16-bit signed output, lower rates 8-bit
// unsigned; the mixer's output conversions match exactly these two formats.
// The buffer: SD_DSP16_BUFFER_SAMPLES sample frames.
constexpr Uint16 kBufferFrames = SD_DSP16_BUFFER_SAMPLES;

static_assert(AUDIO_S16LSB == 0x8010 && AUDIO_U8 == 0x0008, "SDL audio format values");

// ---- State ------------------------------------------------------------------

int32_t basefreq = SD_OUTPUT_RATE;
SDL_AudioSpec wanted;

// ---- Lifecycle operations -----------------------------------------------------

// The mixer is initialised (and its rate set) here, when the front end calls
// sd_init, not when the device is installed.
void dsp16_init() { sd_mix_init(basefreq); }

// SDL output is opened paused; sound flows only after sdl_pauseaudio(0).
void dsp16_start() {}

void dsp16_stop() {}

void dsp16_shutdown() { sdl_closeaudio(); }

void dsp16_dummyfunction() {}

// ---- Public functions ---------------------------------------------------------

int32_t dsp16_initcard(int32_t rate, sd_dsp16_callback callback) {
  wanted.freq = rate;
  wanted.format = rate >= SD_OUTPUT_RATE ? AUDIO_S16LSB : AUDIO_U8;
  wanted.channels = 1;
  wanted.samples = kBufferFrames;
  wanted.callback = callback;
  wanted.userdata = nullptr;
  basefreq = rate;
  // Where SDL is loaded at run time, this is where it is first needed.
  if (!sdl_load()) return 0;
  // No structure for the obtained format: SDL then converts to whatever the
  // hardware needs, and the callback always gets the requested format, rate
  // and buffer length.
  return sdl_openaudio(&wanted, nullptr) >= 0 ? 1 : 0;
}

namespace {

void install() {
  sd_init = dsp16_init;
  sd_secondhand = dsp16_dummyfunction;
  sd_start = dsp16_start;
  sd_stop = dsp16_stop;
  sd_shutdown = dsp16_shutdown;
  sd_mix_setfunctions();
  sd_devicename = "SDL audio";
}

}  // namespace

int32_t sd_dsp16_init_channels(int32_t rate, int32_t channels, sd_dsp16_callback callback) {
  if (!sdl_load()) {
    sd_errorstr = "SDL audio error";
    return 0;
  }
  wanted.freq = rate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = static_cast<Uint8>(channels == 2 ? 2 : 1);
  wanted.samples = kBufferFrames;
  wanted.callback = callback;
  wanted.userdata = nullptr;
  basefreq = rate;
  // Asked with a structure for what the output has, SDL hands the callback
  // that format; taken only when it is the one asked for but perhaps with
  // fewer channels. Anything else is opened again for SDL to convert, mono.
  SDL_AudioSpec got{};
  int32_t result = 0;
  if (sdl_openaudio(&wanted, &got) >= 0) {
    if (got.format == AUDIO_S16SYS && got.freq == rate && (got.channels == 1 || got.channels == 2) &&
        got.samples >= 1) {
      result = got.channels;
    } else {
      sdl_closeaudio();
    }
  }
  if (result == 0) {
    wanted.channels = 1;
    if (sdl_openaudio(&wanted, nullptr) < 0) {
      sd_errorstr = "SDL audio error";
      return 0;
    }
    result = 1;
  }
  install();
  return result;
}

int32_t sd_dsp16_init(int32_t rate, sd_dsp16_callback callback) {
  if (!dsp16_initcard(rate, callback)) {
    // The table stays as it was, so the caller can still install the silent
    // device instead.
    sd_errorstr = "SDL audio error";
    return 0;
  }
  install();
  return 1;
}

int32_t sd_dsp16_detect() { return 1; }
