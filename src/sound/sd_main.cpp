// Sound-device operation table: the global operation pointers through which
// the player and the music front end reach the installed device and the
// mixer, the two descriptive strings, and the installer of the mixer's channel
// operations. Owns the pointers and the strings; touches nothing else.
#include "sound/sd_main.h"

#include "sound/sd_mix.h"

// ---- The table: all empty at program start --------------------------------

void (*sd_init)() = nullptr;
void (*sd_start)() = nullptr;
void (*sd_stop)() = nullptr;
void (*sd_shutdown)() = nullptr;
void (*sd_secondhand)() = nullptr;
void (*sd_hand)() = nullptr;

int32_t (*sd_getsample)(int32_t, const int8_t*, uint32_t, uint32_t, uint32_t, int32_t) = nullptr;
void (*sd_selectchannel)(int32_t) = nullptr;
void (*sd_setsample)(int32_t) = nullptr;
void (*sd_setamigaperiod)(int32_t) = nullptr;
void (*sd_setvolume)(int32_t) = nullptr;
void (*sd_setpanning)(int32_t) = nullptr;
void (*sd_setoffset)(uint32_t) = nullptr;
void (*sd_setmainvolume)(int32_t) = nullptr;
void (*sd_setactivechannels)(int32_t) = nullptr;

const char* sd_devicename = "";
const char* sd_errorstr = "";

// ---- Public functions -------------------------------------------------------

// Both devices route the channel operations into the mixer's records; only the
// lifecycle operations differ, so they are left to the installer that calls
// this.
void sd_mix_setfunctions() {
  sd_getsample = mix_getsample;
  sd_selectchannel = mix_selectchannel;
  sd_setsample = mix_setsample;
  sd_setamigaperiod = mix_setamigaperiod;
  sd_setvolume = mix_setvolume;
  sd_setpanning = mix_setpanning;
  sd_setoffset = mix_setoffset;
  sd_setmainvolume = mix_setmainvolume;
  sd_setactivechannels = mix_setactivechannels;
}
