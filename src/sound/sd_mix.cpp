// Software mixer. Owns the sample records, both channel arrays, the selected
// channel, the main volume, the active channel count, the output rate and the
// 32-bit accumulator. The channel operations write only the player side
// (mix_channels); the mixing entry points bring the working copies
// (mix_realchannels) up to date at the start of each block and then advance
// only those. Nothing here allocates or locks: the entry points run on SDL's
// audio thread, between the player's ticks.
#include "sound/sd_mix.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

// x86-64 converts the accumulator to 16-bit and 8-bit output with SSE2's
// saturating packs, eight or sixteen values at a time; they clamp exactly as
// the plain loops do. Everything else (the handheld's 32-bit ARM, and any
// build configured with ZAP_MIX_PLAIN) uses the plain loops alone, which give
// the same bytes.
#if defined(__SSE2__) && !defined(ZAP_MIX_PLAIN)
#include <emmintrin.h>
#include <tmmintrin.h>
#define ZAP_MIX_SSE2 1
#else
#define ZAP_MIX_SSE2 0
#endif

// ---- Constants ----------------------------------------------------------------

// Amiga clock: a sample at period P plays at kAmigaClock / P bytes per second
// (period 428 gives 8287 bytes per second).
constexpr int32_t kAmigaClock = 3546836;
// The step fraction keeps 24 significant bits, in the upper bits of the word.
constexpr double kFracScale = 16777216.0;  // 2^24
constexpr int kFracShift = 8;              // 24 + 8 = 32 bits of fraction

// Gain = main volume * volume * 255 / kGainDivisor: at the default main volume
// 63 and full volume 64 a byte of 127 adds 127 * 127, close to 16-bit full
// scale per channel. 8064 = 128 * 63.
constexpr uint32_t kGainDivisor = 128 * 63;
constexpr int32_t kMainVolumeMax = MIX_MAINVOLUME_MAX;

// The interpolating loops weigh two neighbouring bytes with a 6-bit weight
// taken from the top of the position fraction.
constexpr int kInterpShift = 26;  // 32 - 6
constexpr int32_t kInterpMax = 63;

// The plain runs that pick sixteen bytes at a time take steps up to 15/16
// of a byte (see shuffle_run).
constexpr uint32_t kShuffleStepMax = 0xF0000000u;

// 8-bit output: the accumulator shifted right by 9 (floor division by 512).
constexpr int kEightBitShift = 9;

constexpr int32_t kMonoBlockMax = MIX_BUFFER_VALUES;        // mono samples per accumulator pass
constexpr int32_t kStereoBlockMax = MIX_BUFFER_VALUES / 2;  // stereo frames per accumulator pass

static_assert((64u * 64u * 255u) / kGainDivisor == 129u, "gain at main 64, volume 64");
static_assert((63u * 64u * 255u) / kGainDivisor == 127u, "gain at main 63, volume 64");

// ---- State ----------------------------------------------------------------------

std::array<mix_sample, MIX_SAMPLES> mix_samples{};
std::array<mix_channel, MIX_CHANNELS> mix_channels{};
std::array<mix_channel, MIX_CHANNELS> mix_realchannels{};
// A setter called before any selection acts on channel 0 rather than on no
// record at all.
mix_channel* curchan = &mix_channels[0];
int32_t mix_curchannel = 0;
int32_t mix_mainvolume = 63;  // written from the main thread too: accessed through atomic_ref only
int32_t mix_activechannels = 4;
int32_t sd_mix_rate = SD_OUTPUT_RATE;
int32_t sd_mix_interpolation = 0;
std::array<int32_t, MIX_BUFFER_VALUES> mix_buffer32{};

// ---- Private helpers --------------------------------------------------------------

namespace {

// 32.32 positions and steps as one 64-bit word: a 64-bit addition is exactly
// the two-word addition with carry of long_addition (both wrap, position
// modulo 2^32).
inline uint64_t join(uint32_t whole, uint32_t frac) { return (static_cast<uint64_t>(whole) << 32) | frac; }
inline uint32_t whole_of(uint64_t v) { return static_cast<uint32_t>(v >> 32); }
inline uint32_t frac_of(uint64_t v) { return static_cast<uint32_t>(v); }

// The interpolated contribution of bytes d0 and d1 at weight f (0..63), each
// product shifted arithmetically on its own. The weights are f and 63 - f.
inline int32_t interp(int32_t d0, int32_t d1, uint32_t f, uint32_t gain) {
  const int32_t hi = static_cast<int32_t>(gain * static_cast<uint32_t>(d1) * f);
  const int32_t lo = static_cast<int32_t>((kInterpMax - f) * gain * static_cast<uint32_t>(d0));
  return static_cast<int32_t>(static_cast<uint32_t>(hi >> 6) + static_cast<uint32_t>(lo >> 6));
}

inline int32_t active_count() {
  const int32_t n = mix_activechannels;
  return n < 0 ? 0 : (n > MIX_CHANNELS ? MIX_CHANNELS : n);
}

// The loop a channel actually plays. A loop end past the sample's length is
// held at the length (the last byte a loop may reach is data[length], one of
// the two readable bytes after the sample), and a loop that is then empty
// (start at or after end) plays as a one-shot sample. mix_getsample already
// bounds what it stores; this also covers records written directly.
struct LoopBounds {
  bool looping;
  uint32_t start;
  uint32_t end;
};

inline LoopBounds loop_bounds(const mix_channel& ch) {
  const uint32_t end = ch.loopend < ch.length ? ch.loopend : ch.length;
  const bool looping = ch.looping != 0 && ch.loopstart < end;
  return {looping, ch.loopstart, end};
}

// How many of the next n steps from p keep the position at or below `last`
// (a 32.32 value), so they need no wrap or end test.
inline int32_t steps_within(uint64_t p, uint64_t s, uint64_t last, int32_t n) {
  if (p > last) return 0;
  if (s == 0) return n;
  const uint64_t room = (last - p) / s;
  return room < static_cast<uint64_t>(n) ? static_cast<int32_t>(room) : n;
}

// ---- The plain mono loop ----
//
// A channel being mixed by the plain mono loop: its 32.32 position and step,
// the bounds of its loop or sample, its gain, and `room`, how many of the
// next steps are known to need no wrap or end test (counted once per event
// with a division, never more than the steps left in the block).
struct Voice {
  mix_channel* ch;
  const int8_t* data;
  uint64_t p;
  uint64_t s;
  uint64_t last;  // highest position that needs no test; unused when `never` is set
  bool looping;
  bool never;     // every step needs the test (a one-shot sample of length 0)
  uint32_t end;   // loop end (looping) or length (one-shot)
  uint32_t restart;
  uint32_t gain;
  int32_t room;
  bool shuffle;  // the runs may take sixteen steps at a time (see shuffle_run)
  size_t limit;  // highest whole position from which sixteen bytes can be read
};

enum class Write { add, store };  // add to the accumulator, or overwrite it

inline Voice voice_of(mix_channel* ch, uint32_t gain) {
  Voice v{};
  v.ch = ch;
  v.data = ch->data;
  v.p = join(ch->pos, ch->posfrac);
  v.s = join(ch->step, ch->stepfrac);
  v.gain = gain;
  const LoopBounds lb = loop_bounds(*ch);
  v.looping = lb.looping;
  if (lb.looping) {
    // Loop end and any fraction: the position wraps once it is past that.
    v.end = lb.end;
    v.restart = lb.start + 1;
    v.last = join(lb.end, 0xFFFFFFFFu);
  } else {
    // The byte before the length and any fraction: the sample ends at the length.
    v.end = ch->length;
    v.never = ch->length == 0;
    v.last = join(ch->length - 1, 0xFFFFFFFFu);
  }
  // At most 15/16 of a byte a step, the step's fraction with its low 8 bits
  // clear (mix_setamigaperiod keeps 24 bits), a gain that fits 15 bits and a
  // sample that holds a window of sixteen bytes (with the two readable ones
  // after it): see shuffle_run.
  v.shuffle = whole_of(v.s) == 0 && frac_of(v.s) <= kShuffleStepMax && (frac_of(v.s) & 0xFFu) == 0 && gain <= 0x7FFFu &&
              ch->length >= 14;
  v.limit = v.shuffle ? ch->length - 14 : 0;
  return v;
}

inline void voice_done(const Voice& v) {
  v.ch->pos = whole_of(v.p);
  v.ch->posfrac = frac_of(v.p);
  v.ch->step = whole_of(v.s);
  v.ch->stepfrac = frac_of(v.s);
}

// Counts the voice's room when it has run out; at most `left` steps.
inline void voice_measure(Voice& v, int32_t left) {
  if (v.room == 0 && !v.never) v.room = steps_within(v.p, v.s, v.last, left);
}

// One step with the wrap or end test; returns the value to add.
inline uint32_t voice_step(Voice& v) {
  v.p += v.s;
  if (v.looping) {
    if (whole_of(v.p) > v.end) v.p = join(v.restart, frac_of(v.p));
  } else if (whole_of(v.p) >= v.end) {
    v.p = join(0, frac_of(v.p));
    v.s = 0;
    v.ch->volume = 0;
  }
  if (v.room > 0) v.room--;
  return static_cast<uint32_t>(v.data[whole_of(v.p)]) * v.gain;
}

template <Write W>
inline void put(int32_t& acc, uint32_t x) {
  acc = static_cast<int32_t>(W == Write::store ? x : static_cast<uint32_t>(acc) + x);
}

// The runs advance a position as two words: the 32-bit fraction, whose carry
// goes into the whole part (an add with carry), and the whole part as wide as
// a pointer, so that it indexes the data without being widened first (on
// x86-64 that saves a move and a shift per sample; on 32-bit ARM the two
// words are what a 64-bit addition uses anyway). No position in a run passes
// `last`, below 2^32, so the whole part never needs its 32-bit wrap there.
struct Stepper {
  uint32_t frac;
  size_t whole;
  uint32_t step_frac;
  size_t step_whole;
  explicit Stepper(const Voice& v)
      : frac(frac_of(v.p)), whole(whole_of(v.p)), step_frac(frac_of(v.s)), step_whole(whole_of(v.s)) {}
  size_t next() {
    const uint32_t f = frac + step_frac;
    whole += step_whole + (f < frac);
    frac = f;
    return whole;
  }
  uint64_t joined() const { return join(static_cast<uint32_t>(whole), frac); }
};

#if ZAP_MIX_SSE2
// ---- Plain runs with a byte shuffle ----
//
// Where the processor has SSSE3 (nearly every x86-64 one), a run of the
// plain mono loop over voices that move at most 15/16 of a byte a step goes
// sixteen steps at a time: the sixteen bytes they read lie among the sixteen
// from the whole position before the first, and a byte shuffle picks them.
// The step's fraction has its low 8 bits clear, so the offsets of steps 1 to
// 16,  (frac + k * step) >> 32  =  ((frac >> 8) + k * (step >> 8)) >> 24,
// fit 32-bit lanes. A byte times a gain of 15 bits, and the sum of two such,
// fit 32 bits, so a multiply-add of the two voices' bytes with the pair of
// their gains gives exactly the sum the scalar steps add. Near the sample's
// end the window stops at the last readable bytes and the offsets count from
// its start (Shuffled::window).
//
// Asked once, at start-up (the initialisation of the processor's feature
// bits is asked for first, as a static initialiser may run before it).
const bool g_shuffle = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("ssse3") != 0;
}();
const bool g_avx2 = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}();

template <Write W>
inline void put4(int32_t* acc, __m128i x) {
  __m128i* a = reinterpret_cast<__m128i*>(acc);
  _mm_storeu_si128(a, W == Write::store ? x : _mm_add_epi32(_mm_loadu_si128(a), x));
}

// A voice in a shuffled run: its position and k * (step >> 8) for k = 1 to 16.
struct Shuffled {
  uint32_t frac;
  size_t whole;
  uint32_t step_frac;
  __m128i k[4];   // k * (step >> 8): the whole offsets
  __m128i kf[4];  // k * step modulo 2^32: the fractions (for the interpolating runs)
  explicit Shuffled(const Stepper& q) : frac(q.frac), whole(q.whole), step_frac(q.step_frac) {
    const uint32_t s = step_frac >> 8;
    for (uint32_t j = 0; j < 4; j++) {
      const uint32_t first = 4 * j + 1;
      k[j] = _mm_set_epi32(static_cast<int32_t>((first + 3) * s), static_cast<int32_t>((first + 2) * s),
                           static_cast<int32_t>((first + 1) * s), static_cast<int32_t>(first * s));
      kf[j] =
          _mm_set_epi32(static_cast<int32_t>((first + 3) * step_frac), static_cast<int32_t>((first + 2) * step_frac),
                        static_cast<int32_t>((first + 1) * step_frac), static_cast<int32_t>(first * step_frac));
    }
  }
  // Where the window starts: at the whole position, or at the limit when that
  // comes first, so that the window never reaches past the readable bytes;
  // the positions of a run's steps never pass the sample's length (or its
  // loop's end), which is where the window from the limit ends.
  size_t window(size_t limit) const { return whole < limit ? whole : limit; }
  // frac >> 8 with the window's distance behind the whole position in the
  // bits above 24, so that the offsets count from the window's start.
  uint32_t offset_base(size_t limit) const {
    return (frac >> 8) + (static_cast<uint32_t>(whole - window(limit)) << 24);
  }
  void back(Stepper& q) const {
    q.frac = frac;
    q.whole = whole;
  }
};

// The offsets within the window of a voice's next sixteen steps, as the
// byte shuffle takes them.
__attribute__((target("ssse3"), always_inline)) inline __m128i step_index(const Shuffled& v, size_t limit) {
  const __m128i f = _mm_set1_epi32(static_cast<int32_t>(v.offset_base(limit)));
  const __m128i i0 = _mm_srli_epi32(_mm_add_epi32(f, v.k[0]), 24);
  const __m128i i1 = _mm_srli_epi32(_mm_add_epi32(f, v.k[1]), 24);
  const __m128i i2 = _mm_srli_epi32(_mm_add_epi32(f, v.k[2]), 24);
  const __m128i i3 = _mm_srli_epi32(_mm_add_epi32(f, v.k[3]), 24);
  return _mm_packus_epi16(_mm_packs_epi32(i0, i1), _mm_packs_epi32(i2, i3));
}

// The bytes of a voice's next sixteen steps as 16-bit values (steps 1 to 8
// in lo, 9 to 16 in hi); steps it.
__attribute__((target("ssse3"), always_inline)) inline void picked(Shuffled& v, const int8_t* data, size_t limit,
                                                                   __m128i& lo, __m128i& hi) {
  const __m128i window = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + v.window(limit)));
  const __m128i index = step_index(v, limit);
  const __m128i bytes = _mm_shuffle_epi8(window, index);
  const uint64_t t = uint64_t{v.frac} + 16 * uint64_t{v.step_frac};
  v.frac = static_cast<uint32_t>(t);
  v.whole += static_cast<size_t>(t >> 32);
  lo = _mm_srai_epi16(_mm_unpacklo_epi8(bytes, bytes), 8);
  hi = _mm_srai_epi16(_mm_unpackhi_epi8(bytes, bytes), 8);
}

// The first steps of a run of n of one voice or two, sixteen at a time;
// returns how many it took. Built twice (shuffle_run): for SSSE3, and for
// AVX2, whose three-operand forms of the same instructions need no copies
// of the registers they overwrite.
template <Write W, bool Two>
__attribute__((target("ssse3"), always_inline)) inline int32_t shuffle_run_body(Stepper& qa, const int8_t* da,
                                                                                uint32_t ga, size_t la, Stepper& qb,
                                                                                const int8_t* db, uint32_t gb,
                                                                                size_t lb, int32_t* acc, int32_t n) {
  Shuffled a(qa);
  Shuffled b(qb);
  const __m128i gains = _mm_set1_epi32(static_cast<int32_t>(ga | (Two ? gb << 16 : 0)));
  const __m128i zero = _mm_setzero_si128();
  int32_t k = 0;
  for (; k + 16 <= n; k += 16) {
    __m128i a_lo;
    __m128i a_hi;
    __m128i b_lo = zero;
    __m128i b_hi = zero;
    picked(a, da, la, a_lo, a_hi);
    if constexpr (Two) picked(b, db, lb, b_lo, b_hi);
    put4<W>(acc + k, _mm_madd_epi16(_mm_unpacklo_epi16(a_lo, b_lo), gains));
    put4<W>(acc + k + 4, _mm_madd_epi16(_mm_unpackhi_epi16(a_lo, b_lo), gains));
    put4<W>(acc + k + 8, _mm_madd_epi16(_mm_unpacklo_epi16(a_hi, b_hi), gains));
    put4<W>(acc + k + 12, _mm_madd_epi16(_mm_unpackhi_epi16(a_hi, b_hi), gains));
  }
  a.back(qa);
  if constexpr (Two) b.back(qb);
  return k;
}

template <Write W, bool Two>
__attribute__((target("ssse3"))) int32_t shuffle_run_ssse3(Stepper& qa, const int8_t* da, uint32_t ga, size_t la,
                                                           Stepper& qb, const int8_t* db, uint32_t gb, size_t lb,
                                                           int32_t* acc, int32_t n) {
  return shuffle_run_body<W, Two>(qa, da, ga, la, qb, db, gb, lb, acc, n);
}

template <Write W, bool Two>
__attribute__((target("avx2"))) int32_t shuffle_run_avx2(Stepper& qa, const int8_t* da, uint32_t ga, size_t la,
                                                         Stepper& qb, const int8_t* db, uint32_t gb, size_t lb,
                                                         int32_t* acc, int32_t n) {
  return shuffle_run_body<W, Two>(qa, da, ga, la, qb, db, gb, lb, acc, n);
}

template <Write W, bool Two>
inline int32_t shuffle_run(Stepper& qa, const int8_t* da, uint32_t ga, size_t la, Stepper& qb, const int8_t* db,
                           uint32_t gb, size_t lb, int32_t* acc, int32_t n) {
  return g_avx2 ? shuffle_run_avx2<W, Two>(qa, da, ga, la, qb, db, gb, lb, acc, n)
                : shuffle_run_ssse3<W, Two>(qa, da, ga, la, qb, db, gb, lb, acc, n);
}
#endif

// n steps of one voice, all known to need no test.
template <Write W>
inline void run_one(Voice& v, int32_t* acc, int32_t n) {
  const int8_t* data = v.data;
  const uint32_t gain = v.gain;
  Stepper q(v);
  int32_t i = 0;
#if ZAP_MIX_SSE2
  if (g_shuffle && v.shuffle && n >= 16) i = shuffle_run<W, false>(q, data, gain, v.limit, q, data, 0, 0, acc, n);
#endif
#pragma GCC unroll 4
  for (; i < n; i++) put<W>(acc[i], static_cast<uint32_t>(data[q.next()]) * gain);
  v.p = q.joined();
  v.room -= n;
}

// n steps of two voices together, summed before they reach the accumulator.
template <Write W>
inline void run_two(Voice& a, Voice& b, int32_t* acc, int32_t n) {
  const int8_t* da = a.data;
  const int8_t* db = b.data;
  const uint32_t ga = a.gain;
  const uint32_t gb = b.gain;
  Stepper qa(a);
  Stepper qb(b);
  int32_t i = 0;
#if ZAP_MIX_SSE2
  if (g_shuffle && a.shuffle && b.shuffle && n >= 16) {
    i = shuffle_run<W, true>(qa, da, ga, a.limit, qb, db, gb, b.limit, acc, n);
  }
#endif
#pragma GCC unroll 2
  for (; i < n; i++) {
    const uint32_t x = static_cast<uint32_t>(da[qa.next()]) * ga;
    put<W>(acc[i], x + static_cast<uint32_t>(db[qb.next()]) * gb);
  }
  a.p = qa.joined();
  b.p = qb.joined();
  a.room -= n;
  b.room -= n;
}

// The plain mono loop for one voice over count samples: runs without tests
// between the events, one tested step at each.
template <Write W>
void mix_one(Voice& v, int32_t* acc, int32_t count) {
  int32_t i = 0;
  while (i < count) {
    voice_measure(v, count - i);
    const int32_t n = v.room;
    run_one<W>(v, acc + i, n);
    i += n;
    if (i == count) break;
    put<W>(acc[i], voice_step(v));
    i++;
  }
}

// Two voices in one pass: the runs last until the nearer of their events;
// there both take one tested step (the one without an event loses nothing by
// it). Every value is added modulo 2^32, so the order of the channels does not
// change a bit of the sum.
template <Write W>
void mix_two(Voice& a, Voice& b, int32_t* acc, int32_t count) {
  int32_t i = 0;
  while (i < count) {
    voice_measure(a, count - i);
    voice_measure(b, count - i);
    const int32_t n = a.room < b.room ? a.room : b.room;
    run_two<W>(a, b, acc + i, n);
    i += n;
    if (i == count) break;
    const uint32_t x = voice_step(a);
    put<W>(acc[i], x + voice_step(b));
    i++;
  }
}

// The other three loops are not the ones the demo sounds (its
// sd_mix_interpolation is 0 and its callback mixes mono); the tools' stereo
// and interpolating renders use them. They run like the plain mono loop:
// the steps between two wraps or ends need no test and run in a tight inner
// loop, one tested step at each event. What tells the three apart is named:
// one or two accumulator values per output step, the byte read plain or
// interpolated with the next, and where a one-shot sample parks when it
// ends. The parking differs between the loops: at the length for
// interpolated mono and plain stereo, at 0 for interpolated stereo (and the
// plain mono loop). A parked channel keeps adding the byte it parked on, so
// the rule is heard.
enum class Output { mono, stereo };
enum class Reading { plain, interpolated };
enum class Park { at_zero, at_length };

// The value a step at whole position w and fraction f adds with gain g.
template <Reading Read>
inline uint32_t value_at(const int8_t* data, size_t w, uint32_t frac, uint32_t g) {
  if constexpr (Read == Reading::interpolated) {
    return static_cast<uint32_t>(interp(data[w], data[w + 1], frac >> kInterpShift, g));
  } else {
    return static_cast<uint32_t>(data[w]) * g;
  }
}

// The step at an event: the loop wraps (to loop start + 1, fraction kept)
// or the one-shot sample ends (parked, with step and volume 0).
template <Park ParkAt>
inline void event_step(Voice& v) {
  v.p += v.s;
  if (v.looping) {
    if (whole_of(v.p) > v.end) v.p = join(v.restart, frac_of(v.p));
  } else if (whole_of(v.p) >= v.end) {
    v.p = join(ParkAt == Park::at_length ? v.end : 0, frac_of(v.p));
    v.s = 0;
    v.ch->volume = 0;
  }
  if (v.room > 0) v.room--;
}

// The value or values (stereo: left, right) of one voice at step i, added
// to (or stored in) the accumulator.
template <Output Out, Reading Read, Write W>
inline void put_one(int32_t* acc, int32_t i, const int8_t* data, size_t w, uint32_t frac, uint32_t lgain,
                    uint32_t rgain) {
  if constexpr (Out == Output::stereo) {
    put<W>(acc[2 * i], value_at<Read>(data, w, frac, lgain));
    put<W>(acc[2 * i + 1], value_at<Read>(data, w, frac, rgain));
  } else {
    put<W>(acc[i], value_at<Read>(data, w, frac, lgain));
  }
}

// The same for two voices, summed before they reach the accumulator.
template <Output Out, Reading Read, Write W>
inline void put_two(int32_t* acc, int32_t i, const int8_t* da, size_t wa, uint32_t fa, uint32_t la, uint32_t ra,
                    const int8_t* db, size_t wb, uint32_t fb, uint32_t lb, uint32_t rb) {
  if constexpr (Out == Output::stereo) {
    put<W>(acc[2 * i], value_at<Read>(da, wa, fa, la) + value_at<Read>(db, wb, fb, lb));
    put<W>(acc[2 * i + 1], value_at<Read>(da, wa, fa, ra) + value_at<Read>(db, wb, fb, rb));
  } else {
    put<W>(acc[i], value_at<Read>(da, wa, fa, la) + value_at<Read>(db, wb, fb, lb));
  }
}

// ---- Interpolated runs in SSE2 ----
//
// On x86-64 a run of an interpolating loop goes in two stages, a chunk of
// steps at a time: the positions are stepped as in the other runs and each
// step's two bytes and fraction are put aside; then eight steps at a time are
// weighed in vector registers. A byte times its weight fits 16 bits (at most
// 128 * 63), so a 16-bit multiplication gives it exactly; a multiply-add with
// the pair (gain, 0) or (0, gain) then gives the 32-bit product with the gain,
// each one shifted on its own as interp() does. Gains above 32767 (which no
// volume the player sets gives) take the scalar steps.
#if ZAP_MIX_SSE2
constexpr int32_t kChunk = 64;  // steps put aside at a time, a multiple of 8

struct Gathered {
  alignas(16) uint16_t pair[kChunk];  // data[w] in the low byte, data[w + 1] in the high
  alignas(16) uint32_t frac[kChunk];
};

inline void gather_step(Stepper& q, const int8_t* data, Gathered& g, int32_t k) {
  const size_t w = q.next();
  uint16_t two;
  std::memcpy(&two, data + w, sizeof two);
  g.pair[k] = two;
  g.frac[k] = q.frac;
}

// Steps k to k + 7 weighed: (d0 * (63 - f), d1 * f) as 16-bit pairs, steps
// k to k + 3 in lo and k + 4 to k + 7 in hi.
inline void weighed(const Gathered& g, int32_t k, __m128i& lo, __m128i& hi) {
  const __m128i bytes = _mm_load_si128(reinterpret_cast<const __m128i*>(g.pair + k));
  const __m128i d_lo = _mm_srai_epi16(_mm_unpacklo_epi8(bytes, bytes), 8);
  const __m128i d_hi = _mm_srai_epi16(_mm_unpackhi_epi8(bytes, bytes), 8);
  const __m128i* fr = reinterpret_cast<const __m128i*>(g.frac + k);
  const __m128i f = _mm_packs_epi32(_mm_srli_epi32(_mm_load_si128(fr), kInterpShift),
                                    _mm_srli_epi32(_mm_load_si128(fr + 1), kInterpShift));
  const __m128i rest = _mm_sub_epi16(_mm_set1_epi16(kInterpMax), f);
  lo = _mm_mullo_epi16(d_lo, _mm_unpacklo_epi16(rest, f));
  hi = _mm_mullo_epi16(d_hi, _mm_unpackhi_epi16(rest, f));
}

// A gain as the two 16-bit pairs the multiply-adds take.
struct VGain {
  __m128i first;   // (gain, 0): the weighed d0
  __m128i second;  // (0, gain): the weighed d1
  explicit VGain(uint32_t g)
      : first(_mm_set1_epi32(static_cast<int32_t>(g))), second(_mm_set1_epi32(static_cast<int32_t>(g << 16))) {}
};

constexpr uint32_t kVGainMax = 0x7FFF;

// The four values interp() gives for four weighed steps.
inline __m128i gained(__m128i w, const VGain& g) {
  return _mm_add_epi32(_mm_srai_epi32(_mm_madd_epi16(w, g.first), 6), _mm_srai_epi32(_mm_madd_epi16(w, g.second), 6));
}

// Eight steps from their values: mono four and four; stereo the left and
// right values of each step side by side.
template <Output Out, Write W>
inline void put8(int32_t* acc, __m128i l_lo, __m128i l_hi, __m128i r_lo, __m128i r_hi) {
  if constexpr (Out == Output::stereo) {
    put4<W>(acc, _mm_unpacklo_epi32(l_lo, r_lo));
    put4<W>(acc + 4, _mm_unpackhi_epi32(l_lo, r_lo));
    put4<W>(acc + 8, _mm_unpacklo_epi32(l_hi, r_hi));
    put4<W>(acc + 12, _mm_unpackhi_epi32(l_hi, r_hi));
  } else {
    (void)r_lo;
    (void)r_hi;
    put4<W>(acc, l_lo);
    put4<W>(acc + 4, l_hi);
  }
}

// The interpolating runs shuffled as the plain ones are (see shuffle_run):
// the bytes at the sixteen steps' whole positions from one window and the
// bytes after them from the window one byte on; the fractions, stepped
// modulo 2^32, give the weights. w[0] to w[3]: steps 1 to 4, 5 to 8, 9 to
// 12, 13 to 16, weighed as weighed() weighs them.
__attribute__((target("ssse3"))) inline void weighed16(Shuffled& v, const int8_t* data, size_t limit, __m128i* w) {
  const int8_t* at = data + v.window(limit);
  const __m128i win0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  const __m128i win1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
  const __m128i index = step_index(v, limit);
  const __m128i d0 = _mm_shuffle_epi8(win0, index);
  const __m128i d1 = _mm_shuffle_epi8(win1, index);
  const __m128i fr = _mm_set1_epi32(static_cast<int32_t>(v.frac));
  const __m128i f_lo = _mm_packs_epi32(_mm_srli_epi32(_mm_add_epi32(fr, v.kf[0]), kInterpShift),
                                       _mm_srli_epi32(_mm_add_epi32(fr, v.kf[1]), kInterpShift));
  const __m128i f_hi = _mm_packs_epi32(_mm_srli_epi32(_mm_add_epi32(fr, v.kf[2]), kInterpShift),
                                       _mm_srli_epi32(_mm_add_epi32(fr, v.kf[3]), kInterpShift));
  const __m128i top = _mm_set1_epi16(kInterpMax);
  const __m128i rest_lo = _mm_sub_epi16(top, f_lo);
  const __m128i rest_hi = _mm_sub_epi16(top, f_hi);
  const __m128i pairs_lo = _mm_unpacklo_epi8(d0, d1);
  const __m128i pairs_hi = _mm_unpackhi_epi8(d0, d1);
  w[0] = _mm_mullo_epi16(_mm_srai_epi16(_mm_unpacklo_epi8(pairs_lo, pairs_lo), 8), _mm_unpacklo_epi16(rest_lo, f_lo));
  w[1] = _mm_mullo_epi16(_mm_srai_epi16(_mm_unpackhi_epi8(pairs_lo, pairs_lo), 8), _mm_unpackhi_epi16(rest_lo, f_lo));
  w[2] = _mm_mullo_epi16(_mm_srai_epi16(_mm_unpacklo_epi8(pairs_hi, pairs_hi), 8), _mm_unpacklo_epi16(rest_hi, f_hi));
  w[3] = _mm_mullo_epi16(_mm_srai_epi16(_mm_unpackhi_epi8(pairs_hi, pairs_hi), 8), _mm_unpackhi_epi16(rest_hi, f_hi));
  const uint64_t t = uint64_t{v.frac} + 16 * uint64_t{v.step_frac};
  v.frac = static_cast<uint32_t>(t);
  v.whole += static_cast<size_t>(t >> 32);
}

// Sixteen steps at a time of one voice or two (interp_run_one and _two);
// returns the steps taken.
template <Output Out, Write W, bool Two>
__attribute__((target("ssse3"))) int32_t shuffled_interp(Stepper& qa, const int8_t* da, const VGain& a_l,
                                                         const VGain& a_r, size_t la, Stepper& qb, const int8_t* db,
                                                         const VGain& b_l, const VGain& b_r, size_t lb, int32_t* acc,
                                                         int32_t n) {
  constexpr int32_t per_step = Out == Output::stereo ? 2 : 1;
  Shuffled a(qa);
  Shuffled b(qb);
  int32_t k = 0;
  for (; k + 16 <= n; k += 16) {
    __m128i wa[4];
    __m128i wb[4];
    weighed16(a, da, la, wa);
    if constexpr (Two) weighed16(b, db, lb, wb);
    for (int32_t j = 0; j < 4; j += 2) {
      __m128i l_lo = gained(wa[j], a_l);
      __m128i l_hi = gained(wa[j + 1], a_l);
      if constexpr (Two) {
        l_lo = _mm_add_epi32(l_lo, gained(wb[j], b_l));
        l_hi = _mm_add_epi32(l_hi, gained(wb[j + 1], b_l));
      }
      if constexpr (Out == Output::stereo) {
        __m128i r_lo = gained(wa[j], a_r);
        __m128i r_hi = gained(wa[j + 1], a_r);
        if constexpr (Two) {
          r_lo = _mm_add_epi32(r_lo, gained(wb[j], b_r));
          r_hi = _mm_add_epi32(r_hi, gained(wb[j + 1], b_r));
        }
        put8<Out, W>(acc + per_step * (k + 4 * j), l_lo, l_hi, r_lo, r_hi);
      } else {
        put8<Out, W>(acc + k + 4 * j, l_lo, l_hi, l_lo, l_hi);
      }
    }
  }
  a.back(qa);
  if constexpr (Two) b.back(qb);
  return k;
}

// Whether a voice's interpolating runs may be shuffled, and from which whole
// position on its windows (two bytes more than a plain run reads) would
// leave the readable bytes.
inline bool interp_shuffles(const Voice& v, size_t& limit) {
  limit = v.shuffle && v.ch->length >= 15 ? v.ch->length - 15 : 0;
  return g_shuffle && v.shuffle && v.ch->length >= 15;
}

// The first steps of a run of n of one voice, sixteen at a time where the
// voice's windows may be shuffled and then eight at a time; returns how many
// it took, a multiple of 8 (acc: the run's first accumulator value).
template <Output Out, Write W>
int32_t interp_run_one(Stepper& q, const int8_t* data, int32_t* acc, int32_t n, uint32_t lgain, uint32_t rgain,
                       bool shuffles, size_t limit) {
  if (n < 8 || lgain > kVGainMax || rgain > kVGainMax) return 0;
  constexpr int32_t per_step = Out == Output::stereo ? 2 : 1;
  const VGain l(lgain);
  const VGain r(rgain);
  int32_t done = 0;
  if (shuffles && n >= 16) done = shuffled_interp<Out, W, false>(q, data, l, r, limit, q, data, l, r, 0, acc, n);
  Gathered g;
  while (n - done >= 8) {
    const int32_t m = std::min(kChunk, (n - done) & ~7);
    for (int32_t k = 0; k < m; k++) gather_step(q, data, g, k);
    for (int32_t k = 0; k < m; k += 8) {
      __m128i lo;
      __m128i hi;
      weighed(g, k, lo, hi);
      if constexpr (Out == Output::stereo) {
        put8<Out, W>(acc + per_step * (done + k), gained(lo, l), gained(hi, l), gained(lo, r), gained(hi, r));
      } else {
        put8<Out, W>(acc + done + k, gained(lo, l), gained(hi, l), lo, hi);
      }
    }
    done += m;
  }
  return done;
}

// The same for two voices, their values summed before they reach the
// accumulator.
template <Output Out, Write W>
int32_t interp_run_two(Stepper& qa, const int8_t* da, uint32_t al, uint32_t ar, bool sa, size_t la, Stepper& qb,
                       const int8_t* db, uint32_t bl, uint32_t br, bool sb, size_t lb, int32_t* acc, int32_t n) {
  if (n < 8 || al > kVGainMax || ar > kVGainMax || bl > kVGainMax || br > kVGainMax) return 0;
  constexpr int32_t per_step = Out == Output::stereo ? 2 : 1;
  const VGain a_l(al);
  const VGain a_r(ar);
  const VGain b_l(bl);
  const VGain b_r(br);
  Gathered ga;
  Gathered gb;
  int32_t done = 0;
  if (sa && sb && n >= 16) done = shuffled_interp<Out, W, true>(qa, da, a_l, a_r, la, qb, db, b_l, b_r, lb, acc, n);
  while (n - done >= 8) {
    const int32_t m = std::min(kChunk, (n - done) & ~7);
    for (int32_t k = 0; k < m; k++) {
      gather_step(qa, da, ga, k);
      gather_step(qb, db, gb, k);
    }
    for (int32_t k = 0; k < m; k += 8) {
      __m128i alo;
      __m128i ahi;
      __m128i blo;
      __m128i bhi;
      weighed(ga, k, alo, ahi);
      weighed(gb, k, blo, bhi);
      const __m128i l_lo = _mm_add_epi32(gained(alo, a_l), gained(blo, b_l));
      const __m128i l_hi = _mm_add_epi32(gained(ahi, a_l), gained(bhi, b_l));
      if constexpr (Out == Output::stereo) {
        const __m128i r_lo = _mm_add_epi32(gained(alo, a_r), gained(blo, b_r));
        const __m128i r_hi = _mm_add_epi32(gained(ahi, a_r), gained(bhi, b_r));
        put8<Out, W>(acc + per_step * (done + k), l_lo, l_hi, r_lo, r_hi);
      } else {
        put8<Out, W>(acc + done + k, l_lo, l_hi, l_lo, l_hi);
      }
    }
    done += m;
  }
  return done;
}
#endif

#if ZAP_MIX_SSE2
// The plain stereo runs shuffled as the plain mono ones are (shuffle_run):
// the multiply-adds with the pairs of left and of right gains give each
// step's two values, side by side. b may be a silent stand-in (gains 0).
template <Write W, bool Two>
__attribute__((target("ssse3"))) int32_t shuffle_stereo_run(Stepper& qa, const int8_t* da, uint32_t al, uint32_t ar,
                                                            size_t la, Stepper& qb, const int8_t* db, uint32_t bl,
                                                            uint32_t br, size_t lb, int32_t* acc, int32_t n) {
  Shuffled a(qa);
  Shuffled b(qb);
  const __m128i left = _mm_set1_epi32(static_cast<int32_t>(al | (Two ? bl << 16 : 0)));
  const __m128i right = _mm_set1_epi32(static_cast<int32_t>(ar | (Two ? br << 16 : 0)));
  const __m128i zero = _mm_setzero_si128();
  int32_t k = 0;
  for (; k + 16 <= n; k += 16) {
    __m128i a8[2];
    __m128i b8[2] = {zero, zero};
    picked(a, da, la, a8[0], a8[1]);
    if constexpr (Two) picked(b, db, lb, b8[0], b8[1]);
    for (int32_t j = 0; j < 2; j++) {
      const __m128i lo = _mm_unpacklo_epi16(a8[j], b8[j]);
      const __m128i hi = _mm_unpackhi_epi16(a8[j], b8[j]);
      put8<Output::stereo, W>(acc + 2 * (k + 8 * j), _mm_madd_epi16(lo, left), _mm_madd_epi16(hi, left),
                              _mm_madd_epi16(lo, right), _mm_madd_epi16(hi, right));
    }
  }
  a.back(qa);
  if constexpr (Two) b.back(qb);
  return k;
}
#endif

// One voice over count steps (rgain: its right gain in stereo).
template <Output Out, Reading Read, Park ParkAt, Write W>
void mix_one_g(Voice& v, uint32_t rgain, int32_t* acc, int32_t count) {
  const int8_t* data = v.data;
  const uint32_t lgain = v.gain;
  int32_t i = 0;
  while (i < count) {
    voice_measure(v, count - i);
    const int32_t n = v.room;
    Stepper q(v);
    int32_t k = 0;
#if ZAP_MIX_SSE2
    if constexpr (Read == Reading::plain && Out == Output::stereo) {
      if (g_shuffle && v.shuffle && rgain <= kVGainMax && n >= 16) {
        k = shuffle_stereo_run<W, false>(q, data, lgain, rgain, v.limit, q, data, 0, 0, 0, acc + 2 * i, n);
      }
    }
    if constexpr (Read == Reading::interpolated) {
      size_t limit = 0;
      const bool shuffles = interp_shuffles(v, limit);
      k = interp_run_one<Out, W>(q, data, acc + (Out == Output::stereo ? 2 : 1) * i, n, lgain, rgain, shuffles, limit);
    }
#endif
#pragma GCC unroll 2
    for (; k < n; k++) {
      const size_t w = q.next();
      put_one<Out, Read, W>(acc, i + k, data, w, q.frac, lgain, rgain);
    }
    v.p = q.joined();
    v.room -= n;
    i += n;
    if (i == count) break;
    event_step<ParkAt>(v);
    put_one<Out, Read, W>(acc, i, data, whole_of(v.p), frac_of(v.p), lgain, rgain);
    i++;
  }
}

// Two voices in one pass, as mix_two does for the plain mono loop.
template <Output Out, Reading Read, Park ParkAt, Write W>
void mix_two_g(Voice& a, uint32_t ar, Voice& b, uint32_t br, int32_t* acc, int32_t count) {
  const int8_t* da = a.data;
  const int8_t* db = b.data;
  const uint32_t al = a.gain;
  const uint32_t bl = b.gain;
  int32_t i = 0;
  while (i < count) {
    voice_measure(a, count - i);
    voice_measure(b, count - i);
    const int32_t n = a.room < b.room ? a.room : b.room;
    Stepper qa(a);
    Stepper qb(b);
    int32_t k = 0;
#if ZAP_MIX_SSE2
    if constexpr (Read == Reading::plain && Out == Output::stereo) {
      if (g_shuffle && a.shuffle && b.shuffle && ar <= kVGainMax && br <= kVGainMax && n >= 16) {
        k = shuffle_stereo_run<W, true>(qa, da, al, ar, a.limit, qb, db, bl, br, b.limit, acc + 2 * i, n);
      }
    }
    if constexpr (Read == Reading::interpolated) {
      size_t la = 0;
      size_t lb = 0;
      const bool sa = interp_shuffles(a, la);
      const bool sb = interp_shuffles(b, lb);
      k = interp_run_two<Out, W>(qa, da, al, ar, sa, la, qb, db, bl, br, sb, lb,
                                 acc + (Out == Output::stereo ? 2 : 1) * i, n);
    }
#endif
    for (; k < n; k++) {
      const size_t wa = qa.next();
      const size_t wb = qb.next();
      put_two<Out, Read, W>(acc, i + k, da, wa, qa.frac, al, ar, db, wb, qb.frac, bl, br);
    }
    a.p = qa.joined();
    b.p = qb.joined();
    a.room -= n;
    b.room -= n;
    i += n;
    if (i == count) break;
    event_step<ParkAt>(a);
    event_step<ParkAt>(b);
    put_two<Out, Read, W>(acc, i, da, whole_of(a.p), frac_of(a.p), al, ar, db, whole_of(b.p), frac_of(b.p), bl, br);
    i++;
  }
}

template <Output Out, Reading Read, Park ParkAt>
void run_loop(mix_channel* ch, int32_t* acc, int32_t count, uint32_t lgain, uint32_t rgain) {
  if (count <= 0) return;
  Voice v = voice_of(ch, lgain);
  mix_one_g<Out, Read, ParkAt, Write::add>(v, rgain, acc, count);
  voice_done(v);
}

// One accumulator pass of count steps over the audible channels with the
// stereo or interpolating loops: two channels at a time, the first pass
// storing its values. A channel whose step is 0 stands on one place (a
// one-shot sample that ended, a note at period 0): after its first step,
// which may still wrap its loop or end its sample, it adds the same value
// to every step, so those values are summed once and added as constants.
template <Output Out, Reading Read, Park ParkAt>
void generic_block(int32_t* acc, int32_t count, int32_t active, const bool* mixed, const uint32_t* lgain,
                   const uint32_t* rgain) {
  std::array<Voice, MIX_CHANNELS> v;
  std::array<uint32_t, MIX_CHANNELS> right{};
  size_t k = 0;
  uint32_t constant_l = 0;
  uint32_t constant_r = 0;
  for (int32_t c = 0; c < active; c++) {
    if (!mixed[c]) continue;
    Voice w = voice_of(&mix_realchannels[static_cast<size_t>(c)], lgain[c]);
    if (w.s == 0) {
      event_step<ParkAt>(w);
      constant_l += value_at<Read>(w.data, whole_of(w.p), frac_of(w.p), lgain[c]);
      constant_r += value_at<Read>(w.data, whole_of(w.p), frac_of(w.p), rgain[c]);
      voice_done(w);
      continue;
    }
    v[k] = w;
    right[k++] = rgain[c];
  }
  constexpr bool stereo = Out == Output::stereo;
  const int32_t values = stereo ? 2 * count : count;
  if (k == 0) {
    for (int32_t i = 0; i < values; i++) acc[i] = static_cast<int32_t>(stereo && (i & 1) ? constant_r : constant_l);
    return;
  }
  size_t j = 0;
  if (k == 1) {
    mix_one_g<Out, Read, ParkAt, Write::store>(v[0], right[0], acc, count);
    j = 1;
  } else {
    mix_two_g<Out, Read, ParkAt, Write::store>(v[0], right[0], v[1], right[1], acc, count);
    j = 2;
  }
  for (; j + 1 < k; j += 2)
    mix_two_g<Out, Read, ParkAt, Write::add>(v[j], right[j], v[j + 1], right[j + 1], acc, count);
  if (j < k) mix_one_g<Out, Read, ParkAt, Write::add>(v[j], right[j], acc, count);
  for (size_t c = 0; c < k; c++) voice_done(v[c]);
  if (constant_l != 0 || (stereo && constant_r != 0)) {
    for (int32_t i = 0; i < values; i++) {
      const uint32_t add = stereo && (i & 1) ? constant_r : constant_l;
      acc[i] = static_cast<int32_t>(static_cast<uint32_t>(acc[i]) + add);
    }
  }
}

inline int32_t clamp32(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

inline uint8_t to_u8(int32_t v) {
  return static_cast<uint8_t>(clamp32(v >> kEightBitShift, -128, 127) + 128);
}

inline int16_t to_s16(int32_t v) { return static_cast<int16_t>(clamp32(v, -32768, 32767)); }

// n accumulator values to 16-bit output. A signed saturating pack of two
// vectors of four 32-bit values is the same clamp to -32768..32767.
void to_s16_block(const int32_t* acc, int16_t* out, int32_t n) {
  int32_t i = 0;
#if ZAP_MIX_SSE2
  for (; i + 8 <= n; i += 8) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(acc + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(acc + i + 4));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(a, b));
  }
#endif
  for (; i < n; i++) out[i] = to_s16(acc[i]);
}

// n accumulator values to 8-bit output. After the arithmetic shift the value
// is clamped by two saturating packs, to -32768..32767 and then to -128..127,
// which together are the clamp to -128..127; adding 128 to a signed byte is
// flipping its top bit.
void to_u8_block(const int32_t* acc, uint8_t* out, int32_t n) {
  int32_t i = 0;
#if ZAP_MIX_SSE2
  const __m128i top = _mm_set1_epi8(static_cast<char>(0x80));
  for (; i + 16 <= n; i += 16) {
    const __m128i* in = reinterpret_cast<const __m128i*>(acc + i);
    const __m128i a = _mm_srai_epi32(_mm_loadu_si128(in), kEightBitShift);
    const __m128i b = _mm_srai_epi32(_mm_loadu_si128(in + 1), kEightBitShift);
    const __m128i c = _mm_srai_epi32(_mm_loadu_si128(in + 2), kEightBitShift);
    const __m128i d = _mm_srai_epi32(_mm_loadu_si128(in + 3), kEightBitShift);
    const __m128i bytes = _mm_packs_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_xor_si128(bytes, top));
  }
#endif
  for (; i < n; i++) out[i] = to_u8(acc[i]);
}

inline int32_t main_volume() {
  return std::atomic_ref<int32_t>(mix_mainvolume).load(std::memory_order_relaxed);
}

// A channel is mixed in a block when it has data and a volume; the decision
// and the gains are fixed at the start of the block.
inline bool audible(const mix_channel& ch) { return ch.length != 0 && ch.volume != 0 && ch.data != nullptr; }

}  // namespace

// ---- Channel operations ------------------------------------------------------------

int32_t mix_getsample(int32_t number, const int8_t* data, uint32_t length, uint32_t loopstart,
                      uint32_t loopend, int32_t looping) {
  // Sample numbers outside the records are ignored.
  if (number < 0 || number >= MIX_SAMPLES) return 1;
  mix_sample& s = mix_samples[static_cast<size_t>(number)];
  // A loop running past the sample is cut at its length; one left empty does
  // not loop (see loop_bounds).
  const uint32_t end = loopend < length ? loopend : length;
  s.data = data;
  s.length = length;
  s.loopstart = loopstart;
  s.loopend = end;
  s.looping = (looping != 0 && loopstart < end) ? looping : 0;
  return 1;
}

void mix_selectchannel(int32_t channel) {
  // Channel numbers outside the records leave the selection as it was.
  if (channel < 0 || channel >= MIX_CHANNELS) return;
  mix_curchannel = channel;
  curchan = &mix_channels[static_cast<size_t>(channel)];
}

void mix_setsample(int32_t number) {
  if (number < 0 || number >= MIX_SAMPLES) return;
  const mix_sample& s = mix_samples[static_cast<size_t>(number)];
  curchan->sample = number;
  curchan->data = s.data;
  curchan->loopstart = s.loopstart;
  curchan->loopend = s.loopend;
  curchan->looping = s.looping;
  curchan->length = s.length;
}

void mix_setamigaperiod(int32_t period) {
  // A rate of 0 or less (never set by the devices) would divide by zero: the
  // channel then stands still, as at period 0.
  if (period == 0 || sd_mix_rate <= 0) {
    curchan->step = 0;
    curchan->stepfrac = 0;
  } else {
    // Both divisions on signed 32-bit integers, truncating; the fraction in
    // double precision, 24 bits of it kept. The product is formed in double so
    // it cannot overflow.
    curchan->step = static_cast<uint32_t>((kAmigaClock / period) / sd_mix_rate);
    const double x = static_cast<double>(kAmigaClock) / (static_cast<double>(period) * sd_mix_rate);
    double whole;
    const double frac = std::modf(x, &whole);
    curchan->stepfrac = static_cast<uint32_t>(static_cast<int32_t>(frac * kFracScale)) << kFracShift;
  }
  curchan->stepchanged = 1;
}

void mix_setvolume(int32_t volume) { curchan->volume = volume; }

void mix_setpanning(int32_t panning) { curchan->panning = panning; }

void mix_setoffset(uint32_t offset) {
  if (offset > curchan->loopend) curchan->looping = 0;
  if (offset < curchan->length) {
    curchan->pos = offset;
    curchan->posfrac = 0;
    curchan->poschanged = 1;
  }
}

void mix_setmainvolume(int32_t volume) {
  const int32_t v = volume >= kMainVolumeMax ? kMainVolumeMax : volume;
  std::atomic_ref<int32_t>(mix_mainvolume).store(v, std::memory_order_relaxed);
}

void mix_setactivechannels(int32_t count) { mix_activechannels = clamp32(count, 0, MIX_CHANNELS); }

// ---- Set-up and block helpers ---------------------------------------------------------

void sd_mix_init(int32_t rate) {
  sd_mix_rate = rate;
  for (mix_channel& ch : mix_channels) sd_mix_initchannel(&ch);
  for (mix_channel& ch : mix_realchannels) sd_mix_initchannel(&ch);
  for (mix_sample& s : mix_samples) sd_mix_initsample(&s);
}

void sd_mix_initchannel(mix_channel* ch) {
  // The length is left as it was.
  ch->data = nullptr;
  ch->sample = 0;
  ch->volume = 0;
  ch->posfrac = 0;
  ch->pos = 0;
  ch->stepfrac = 0;
  ch->step = 0;
  ch->loopstart = 0;
  ch->loopend = 0;
  ch->looping = 0;
  ch->panning = 127;
  ch->stepchanged = 1;
  ch->poschanged = 1;
}

void sd_mix_initsample(mix_sample* s) {
  // The length is left as it was.
  s->data = nullptr;
  s->loopstart = 0;
  s->loopend = 0;
  s->looping = 0;
}

void mix_copychannel(mix_channel* work, mix_channel* player) {
  const uint32_t pos = work->pos;
  const uint32_t posfrac = work->posfrac;
  const uint32_t step = work->step;
  const uint32_t stepfrac = work->stepfrac;
  *work = *player;
  if (player->poschanged == 0) {
    work->pos = pos;
    work->posfrac = posfrac;
  } else {
    player->poschanged = 0;
  }
  if (player->stepchanged == 0) {
    work->step = step;
    work->stepfrac = stepfrac;
  } else {
    player->stepchanged = 0;
  }
}

void long_addition(uint32_t* pos, uint32_t* posfrac, uint32_t step, uint32_t stepfrac) {
  *pos += step;
  const uint32_t old = *posfrac;
  *posfrac += stepfrac;  // modulo 2^32
  if (*posfrac < old) *pos += 1;
}

// ---- Channel loops ----------------------------------------------------------------------

// The loop that sounds. Per sample it advances the position first, then wraps
// a loop (to loop start + 1, fraction kept, overshoot dropped) or ends a
// one-shot sample (parked at 0 with step and volume 0), then adds
// data[position] * gain. The steps between two such events need no test, so
// they are counted once (a division per event) and run in a tight inner loop
// (mix_one). sd_mix_mono runs the same loop two channels at a time.
void sd_c_mixmono(mix_channel* ch, int32_t* acc, int32_t count, uint32_t gain) {
  if (count <= 0) return;
  Voice v = voice_of(ch, gain);
  mix_one<Write::add>(v, acc, count);
  voice_done(v);
}

void sd_c_imixmono(mix_channel* ch, int32_t* acc, int32_t count, uint32_t gain) {
  run_loop<Output::mono, Reading::interpolated, Park::at_length>(ch, acc, count, gain, 0);
}

void sd_c_mixstereo(mix_channel* ch, int32_t* acc, int32_t count, uint32_t lgain, uint32_t rgain) {
  run_loop<Output::stereo, Reading::plain, Park::at_length>(ch, acc, count, lgain, rgain);
}

void sd_c_imixstereo(mix_channel* ch, int32_t* acc, int32_t count, uint32_t lgain, uint32_t rgain) {
  run_loop<Output::stereo, Reading::interpolated, Park::at_zero>(ch, acc, count, lgain, rgain);
}

// ---- Output conversions -------------------------------------------------------------------

void sd_c_mono32tom16i(const int32_t* acc, int16_t* out, int32_t count) { to_s16_block(acc, out, count); }

void sd_c_mono32tom8u(const int32_t* acc, uint8_t* out, int32_t count) { to_u8_block(acc, out, count); }

void sd_c_stereo32tos16i(const int32_t* acc, int16_t* out, int32_t count) {
  to_s16_block(acc, out, count > 0 ? 2 * count : 0);
}

void sd_c_stereo32tos8u(const int32_t* acc, uint8_t* out, int32_t count) {
  to_u8_block(acc, out, count > 0 ? 2 * count : 0);
}

// ---- Mixing entry points ---------------------------------------------------------------------

namespace {

// One accumulator pass of the plain mono loop over the audible channels.
//
// A channel whose step is 0 stands on one byte: a one-shot sample that ended
// (the player restores its volume at the next block, so it stays audible) or
// a note at period 0. After its first step, which may still wrap its loop or
// end its sample, it adds the same value to every sample of the block, so
// those values are summed once and added as one constant. The moving channels
// are mixed two at a time, and the first pass (or the only channel) stores
// its values instead of adding them to a cleared accumulator.
void plain_mono_block(int32_t* acc, int32_t n, int32_t active, const bool* mixed, const uint32_t* gain) {
  std::array<Voice, MIX_CHANNELS> v;
  size_t k = 0;
  uint32_t constant = 0;
  for (int32_t c = 0; c < active; c++) {
    if (!mixed[c]) continue;
    Voice w = voice_of(&mix_realchannels[static_cast<size_t>(c)], gain[c]);
    if (w.s == 0) {
      constant += voice_step(w);
      voice_done(w);
    } else {
      v[k++] = w;
    }
  }
  size_t j = 0;
  if (k == 0) {
    for (int32_t i = 0; i < n; i++) acc[i] = static_cast<int32_t>(constant);
    return;
  }
  if (k == 1) {
    mix_one<Write::store>(v[0], acc, n);
    j = 1;
  } else {
    mix_two<Write::store>(v[0], v[1], acc, n);
    j = 2;
  }
  for (; j + 1 < k; j += 2) mix_two<Write::add>(v[j], v[j + 1], acc, n);
  if (j < k) mix_one<Write::add>(v[j], acc, n);
  for (size_t c = 0; c < k; c++) voice_done(v[c]);
  if (constant != 0) {
    for (int32_t i = 0; i < n; i++) acc[i] = static_cast<int32_t>(static_cast<uint32_t>(acc[i]) + constant);
  }
}

}  // namespace

// Blocks longer than the accumulator are mixed in passes; the copy from the
// player side, the skip decisions and the gains still happen once per block.
void sd_mix_mono(void* output, int32_t count, int32_t sixteen) {
  const int32_t active = active_count();
  for (int32_t c = 0; c < active; c++) mix_copychannel(&mix_realchannels[c], &mix_channels[c]);
  if (count <= 0) return;

  const uint32_t mainvol = static_cast<uint32_t>(main_volume());
  const bool interpolate = sd_mix_interpolation != 0;
  std::array<uint32_t, MIX_CHANNELS> gain{};
  std::array<bool, MIX_CHANNELS> mixed{};
  for (int32_t c = 0; c < active; c++) {
    const mix_channel& ch = mix_realchannels[c];
    mixed[c] = audible(ch);
    gain[c] = mainvol * static_cast<uint32_t>(ch.volume) * 255u / kGainDivisor;
  }

  int32_t done = 0;
  while (done < count) {
    const int32_t n = count - done < kMonoBlockMax ? count - done : kMonoBlockMax;
    int32_t* acc = mix_buffer32.data();
    if (interpolate) {
      generic_block<Output::mono, Reading::interpolated, Park::at_length>(acc, n, active, mixed.data(), gain.data(),
                                                                          gain.data());
    } else {
      plain_mono_block(acc, n, active, mixed.data(), gain.data());
    }
    if (sixteen) {
      sd_c_mono32tom16i(acc, static_cast<int16_t*>(output) + done, n);
    } else {
      sd_c_mono32tom8u(acc, static_cast<uint8_t*>(output) + done, n);
    }
    done += n;
  }
}

void sd_mix_stereo(void* output, int32_t count, int32_t sixteen) {
  const int32_t active = active_count();
  for (int32_t c = 0; c < active; c++) mix_copychannel(&mix_realchannels[c], &mix_channels[c]);
  if (count <= 0) return;

  const uint32_t mainvol = static_cast<uint32_t>(main_volume());
  const bool interpolate = sd_mix_interpolation != 0;
  std::array<uint32_t, MIX_CHANNELS> lgain{};
  std::array<uint32_t, MIX_CHANNELS> rgain{};
  std::array<bool, MIX_CHANNELS> mixed{};
  for (int32_t c = 0; c < active; c++) {
    const mix_channel& ch = mix_realchannels[c];
    const uint32_t pan = static_cast<uint32_t>(ch.panning);
    const uint32_t vol = static_cast<uint32_t>(ch.volume);
    mixed[c] = audible(ch);
    lgain[c] = mainvol * (255u - pan) * vol / kGainDivisor;
    rgain[c] = mainvol * pan * vol / kGainDivisor;
  }

  int32_t done = 0;
  while (done < count) {
    const int32_t n = count - done < kStereoBlockMax ? count - done : kStereoBlockMax;
    int32_t* acc = mix_buffer32.data();
    if (interpolate) {
      generic_block<Output::stereo, Reading::interpolated, Park::at_zero>(acc, n, active, mixed.data(), lgain.data(),
                                                                          rgain.data());
    } else {
      generic_block<Output::stereo, Reading::plain, Park::at_length>(acc, n, active, mixed.data(), lgain.data(),
                                                                     rgain.data());
    }
    if (sixteen) {
      sd_c_stereo32tos16i(acc, static_cast<int16_t*>(output) + 2 * done, n);
    } else {
      sd_c_stereo32tos8u(acc, static_cast<uint8_t*>(output) + 2 * done, n);
    }
    done += n;
  }
}
