// Sound-device operation table.
//
// The player and the music front end never call a device or the mixer by
// name: they call through these global operation pointers, which a device
// installer (sd_ns_init, sd_dsp16_init) fills. All pointers are empty at
// program start. The table is written on the main thread before audio starts
// and only read afterwards, so it needs no lock.
#pragma once

#include <cstdint>

// Lifecycle operations, installed by the device.
extern void (*sd_init)();        // initialise the device (the SDL device initialises the mixer)
extern void (*sd_start)();       // start output (SDL audio still runs only after SDL_PauseAudio(0))
extern void (*sd_stop)();        // stop output
extern void (*sd_shutdown)();    // close the device
extern void (*sd_secondhand)();  // hook that nothing calls
extern void (*sd_hand)();        // hook that nothing calls; left empty by every device

// Channel operations: the mixer's, installed by sd_mix_setfunctions.
// Lengths, loop points and offsets are in bytes of signed 8-bit sample data.
extern int32_t (*sd_getsample)(int32_t number, const int8_t* data, uint32_t length,
                               uint32_t loopstart, uint32_t loopend, int32_t looping);
extern void (*sd_selectchannel)(int32_t channel);
extern void (*sd_setsample)(int32_t number);
extern void (*sd_setamigaperiod)(int32_t period);
extern void (*sd_setvolume)(int32_t volume);      // 0..64
extern void (*sd_setpanning)(int32_t panning);    // 0 (left) .. 255 (right)
extern void (*sd_setoffset)(uint32_t offset);     // play position in sample bytes
extern void (*sd_setmainvolume)(int32_t volume);  // 0..252
extern void (*sd_setactivechannels)(int32_t count);

// Name of the installed device; empty until a device is installed.
extern const char* sd_devicename;
// Last device error ("SDL audio error"); empty until an error.
extern const char* sd_errorstr;

// Installs the mixer's nine channel operations; touches no other pointer.
void sd_mix_setfunctions();
