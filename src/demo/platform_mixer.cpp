// The hardware volume. Owns the mixer device path and the desktop volume
// stand-in; writes the main volume of the sound system only where there is no
// mixer device.
#include "demo/platform_mixer.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "music/cool_mzx.h"
#include "sound/sd_main.h"
#include "sound/sd_mix.h"

const char* platform_mixer_path = "/dev/sound/mixer";
bool platform_have_mixer = false;
int32_t platform_volume_writes = 0;
int32_t platform_last_volume = 0;

void platform_volume_read(int32_t* left, int32_t* right) {
  const int fd = open(platform_mixer_path, O_RDONLY);
  int32_t v = 0;
  platform_have_mixer = fd >= 0 && ioctl(fd, MIXER_READ_PCM, &v) >= 0;
  if (fd >= 0) close(fd);
  if (!platform_have_mixer) v = DESKTOP_VOLUME + DESKTOP_VOLUME * 256;
  *left = v & 0xFF;
  *right = v >> 8;
}

int32_t platform_mainvolume_for(int32_t left, int32_t right) {
  // Mono output: the mean of the two levels, scaled so DESKTOP_VOLUME is the
  // start volume 64 (rounded to nearest). 99/99 gives 79, a step of 10 is about 8.
  const int32_t level = (left + right) / 2;
  int32_t main = (level * MZX_START_VOLUME + DESKTOP_VOLUME / 2) / DESKTOP_VOLUME;
  if (main < 0) main = 0;
  if (main > MIX_MAINVOLUME_MAX) main = MIX_MAINVOLUME_MAX;
  return main;
}

void platform_volume_write(int32_t left, int32_t right) {
  int32_t word = left + right * 256;
  platform_volume_writes++;
  platform_last_volume = word;
  if (platform_have_mixer) {
    // Failures are ignored: a volume that cannot be written changes nothing.
    const int fd = open(platform_mixer_path, O_WRONLY);
    if (fd >= 0) {
      ioctl(fd, MIXER_WRITE_PCM, &word);
      close(fd);
    }
    return;
  }
  // No hardware mixer: the buttons act on the demo's own output instead.
  if (sd_setmainvolume) sd_setmainvolume(platform_mainvolume_for(left, right));
}
