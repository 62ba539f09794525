// Instrument synthesis of modcompose (see synth.h).
//
// Every voice renders at the playing rate of its own default note (the rate
// the player gives that note: 3546836 / period), so that at that note time
// constants are in real seconds and the pitch is exactly the equal-tempered
// one (A4 = 440 Hz); other notes move by the ratio of their periods.
//
// Sustaining voices loop. A loop holds a whole number of cycles of every
// oscillator: each one runs at j / L cycles a sample for a loop of L samples,
// its phase taken as (j * n mod L) / L from integers, and every envelope and
// filter sweep has settled exactly by the loop start (the curves are scaled
// to reach their resting values there). The bytes just past the loop repeat
// its first bytes, so a player that wraps after the loop end and one that
// wraps on it both play a continuous wave.
#include "synth.h"

#include <array>

#include "voices.h"

namespace {

// ---- Constants ------------------------------------------------------------------

constexpr double PI = 3.14159265358979323846;
constexpr double LN2 = 0.69314718055994530942;
constexpr int32_t SINE_TABLE = 4096;     // entries of the interpolated sine for partials
constexpr double PEAK = 127.0;           // every sample is scaled to full 8-bit range
constexpr double NYQUIST_SHARE = 0.45;   // partials stop below this share of the rate
constexpr double FADE_SECONDS = 0.008;   // end of a one-shot sample

// ---- Types ------------------------------------------------------------------------

// What a recipe needs to know about the instrument it renders.
struct voice_ctx {
  double rate;                  // samples a second at the default note
  double hz;                    // pitch of the default note (the chord root for chords)
  std::vector<int32_t> chord;   // semitones above the root; {0} for a single note
  uint32_t seed;                // noise seed, fixed per voice
};

// Zavalishin's trapezoidal state-variable filter: stable at any cutoff and
// resonance, with low-, band- and high-pass outputs from one state.
struct svf {
  double ic1 = 0.0, ic2 = 0.0;
  double low = 0.0, band = 0.0, high = 0.0;
  // g = tan(pi fc / rate), k = 1 / Q.
  void run(double x, double g, double k) {
    const double a1 = 1.0 / (1.0 + g * (g + k));
    const double a2 = g * a1;
    const double a3 = g * a2;
    const double v3 = x - ic2;
    const double v1 = a1 * ic1 + a2 * v3;
    const double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2.0 * v1 - ic1;
    ic2 = 2.0 * v2 - ic2;
    low = v2;
    band = v1;
    high = x - k * v1 - v2;
  }
};

// Marsaglia's xorshift32: the same numbers everywhere for a seed.
struct noise {
  uint32_t s;
  double next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return static_cast<double>(static_cast<int32_t>(s)) / 2147483648.0;  // -1 .. 1
  }
};

// ---- Private helpers ----------------------------------------------------------------

double floor_d(double x) {
  const double t = static_cast<double>(static_cast<int64_t>(x));
  return t > x ? t - 1.0 : t;
}

double note_hz(double n) { return 440.0 * synth_exp((n - 69.0) / 12.0 * LN2); }

// tan(pi fc / rate) for the filter, the cutoff held below the Nyquist rate.
double svf_g(double fc, double rate) {
  double w = fc / rate;
  if (w > 0.49) w = 0.49;
  if (w < 0.0001) w = 0.0001;
  return synth_sin(w / 2.0) / synth_sin(0.25 - w / 2.0);
}

// Coefficient of a one-pole low-pass at fc.
double onepole(double fc, double rate) { return 1.0 - synth_exp(-2.0 * PI * fc / rate); }

double decay(double t, double tau) { return synth_exp(-t / tau); }

// A decay from 1 that lands on exactly 0 at time end and stays there: the
// exponential with the value it would still have at end taken off and scaled.
double settle(double t, double tau, double end) {
  if (t >= end) return 0.0;
  const double e = synth_exp(-end / tau);
  return (synth_exp(-t / tau) - e) / (1.0 - e);
}

// Soft saturation, odd and monotonic, flat beyond +-3.
double soft_clip(double x) {
  if (x > 3.0) return 1.0;
  if (x < -3.0) return -1.0;
  return x * (27.0 + x * x) / (27.0 + 9.0 * x * x);
}

const std::array<double, SINE_TABLE + 1>& sine_table() {
  static const std::array<double, SINE_TABLE + 1> table = [] {
    std::array<double, SINE_TABLE + 1> t{};
    for (int32_t i = 0; i <= SINE_TABLE; i++) t[static_cast<size_t>(i)] = synth_sin(static_cast<double>(i) / SINE_TABLE);
    return t;
  }();
  return table;
}

// Sine of phase 0 <= p < 1 turns from the table, interpolated.
double tsin(double p) {
  const std::array<double, SINE_TABLE + 1>& t = sine_table();
  const double x = p * SINE_TABLE;
  const int32_t i = static_cast<int32_t>(x);
  const double f = x - i;
  return t[static_cast<size_t>(i)] + f * (t[static_cast<size_t>(i) + 1] - t[static_cast<size_t>(i)]);
}

// Sine of the phase num / den turns, exact in integers before the division.
double isin(int64_t num, int64_t den) { return tsin(static_cast<double>(num % den) / static_cast<double>(den)); }

// Band-limited sawtooth, j cycles per loop of L samples, at sample n: its
// partials hmin..hmax, started phase / L of a cycle into the loop.
double saw_partials(int64_t j, int64_t n, int64_t L, int32_t hmax, int32_t hmin = 1, int64_t phase = 0) {
  double s = 0.0;
  const int64_t base = (j * n + phase) % L;
  for (int32_t h = hmin; h <= hmax; h++) s += isin(base * h, L) / h;
  return s * (2.0 / PI);
}

// The odd partials 1, 3 .. hmax of a square wave, the same way, unscaled.
double square_partials(int64_t j, int64_t n, int64_t L, int32_t hmax) {
  double s = 0.0;
  const int64_t base = (j * n) % L;
  for (int32_t h = 1; h <= hmax; h += 2) s += isin(base * h, L) / h;
  return s;
}

int32_t harmonics_below(double hz, double rate) {
  const int32_t h = static_cast<int32_t>(NYQUIST_SHARE * rate / hz);
  return h < 1 ? 1 : h;
}

// Loop of about seconds for a tone of hz: the even length L and the cycle
// count j whose ratio comes closest to hz / rate.
void pick_loop(double hz, double rate, double seconds, int64_t& L, int64_t& j) {
  const double cycle = rate / hz;
  const int64_t centre = static_cast<int64_t>(seconds * rate) & ~int64_t{1};
  double best = 1e9;
  for (int64_t len = centre - 400; len <= centre + 400; len += 2) {
    if (len < 64) continue;
    const int64_t cycles = static_cast<int64_t>(static_cast<double>(len) / cycle + 0.5);
    if (cycles < 1) continue;
    const double err = static_cast<double>(len) / static_cast<double>(cycles) / cycle;
    const double cents = err > 1.0 ? err - 1.0 : 1.0 - err;
    if (cents < best) {
      best = cents;
      L = len;
      j = cycles;
    }
  }
}

int64_t cycles_in(double hz, double rate, int64_t L) {
  return static_cast<int64_t>(hz * static_cast<double>(L) / rate + 0.5);
}

// Short room: a few early reflections that thicken a dry hit.
void add_room(std::vector<double>& x, double rate, double amount) {
  static constexpr double k_ms[4] = {7.3, 11.9, 17.1, 23.7};
  static constexpr double k_gain[4] = {0.32, 0.24, 0.17, 0.11};
  const std::vector<double> dry = x;
  for (int32_t r = 0; r < 4; r++) {
    const size_t d = static_cast<size_t>(k_ms[r] * rate / 1000.0);
    for (size_t i = d; i < x.size(); i++) x[i] += dry[i - d] * k_gain[r] * amount;
  }
}

// ---- Drums ----------------------------------------------------------------------------

// Seconds of silence at the voice's rate, for a voice to draw into.
std::vector<double> silence(const voice_ctx& c, double seconds) {
  return std::vector<double>(static_cast<size_t>(seconds * c.rate), 0.0);
}

std::vector<double> kick(const voice_ctx& c) {
  const size_t n = static_cast<size_t>(0.42 * c.rate);
  std::vector<double> x(n);
  noise nz{c.seed};
  double phase = 0.0, click_lp = 0.0;
  for (size_t i = 0; i < n; i++) {
    const double t = static_cast<double>(i) / c.rate;
    // The pitch falls from about 200 Hz to 48 Hz: the thump, then the body.
    const double hz = 48.0 + 105.0 * decay(t, 0.028) + 50.0 * decay(t, 0.006);
    phase += hz / c.rate;
    phase -= floor_d(phase);
    const double attack = t < 0.0015 ? t / 0.0015 : 1.0;
    const double body = tsin(phase) * attack * (0.75 * decay(t, 0.19) + 0.25 * decay(t, 0.06));
    click_lp += 0.35 * (nz.next() - click_lp);
    const double click = click_lp * decay(t, 0.0025) * 0.9;
    x[i] = soft_clip(1.7 * (body + click));
  }
  return x;
}

std::vector<double> snare(const voice_ctx& c) {
  std::vector<double> x = silence(c, 0.34);
  const size_t n = x.size();
  noise nz{c.seed};
  svf hp, bp;
  const double ghp = svf_g(1800.0, c.rate), gbp = svf_g(4200.0, c.rate);
  double p1 = 0.0, p2 = 0.0;
  for (size_t i = 0; i < n; i++) {
    const double t = static_cast<double>(i) / c.rate;
    const double bend = 1.0 + 0.35 * decay(t, 0.008);
    p1 += 180.0 * bend / c.rate;
    p2 += 331.0 * bend / c.rate;
    p1 -= floor_d(p1);
    p2 -= floor_d(p2);
    const double tone = 0.75 * tsin(p1) * decay(t, 0.05) + 0.45 * tsin(p2) * decay(t, 0.03);
    const double w = nz.next();
    hp.run(w, ghp, 1.2);
    bp.run(w, gbp, 1.0);
    const double wires = (0.8 * hp.high + 0.6 * bp.band) * (0.7 * decay(t, 0.13) + 0.3 * decay(t, 0.035));
    const double attack = t < 0.001 ? t / 0.001 : 1.0;
    x[i] = attack * (tone + wires);
  }
  add_room(x, c.rate, 0.8);
  return x;
}

std::vector<double> clap(const voice_ctx& c) {
  static constexpr double k_bursts[4] = {0.0, 0.0095, 0.0205, 0.0315};
  std::vector<double> x = silence(c, 0.4);
  const size_t n = x.size();
  noise nz{c.seed};
  svf bp, hp;
  const double gbp = svf_g(1250.0, c.rate), ghp = svf_g(700.0, c.rate);
  for (size_t i = 0; i < n; i++) {
    const double t = static_cast<double>(i) / c.rate;
    double env = 0.0;
    for (double b : k_bursts)
      if (t >= b) env += (b < 0.03 ? 1.0 : 0.0) * decay(t - b, 0.0045);
    if (t >= k_bursts[3]) env += 1.1 * decay(t - k_bursts[3], 0.105);
    bp.run(nz.next(), gbp, 0.45);
    hp.run(bp.band, ghp, 1.4);
    x[i] = hp.high * env;
  }
  add_room(x, c.rate, 1.0);
  return x;
}

// Metal: six square waves at inharmonic ratios, the classic drum-machine
// cymbal, mixed with noise and high-passed.
std::vector<double> metal(const voice_ctx& c, double seconds, double tau, double hp_hz, double noise_mix) {
  static constexpr double k_hz[6] = {263.0, 400.0, 421.0, 474.0, 587.0, 845.0};
  const size_t n = static_cast<size_t>(seconds * c.rate);
  std::vector<double> x(n);
  noise nz{c.seed};
  svf hp, bp;
  const double ghp = svf_g(hp_hz, c.rate), gbp = svf_g(10500.0, c.rate);
  std::array<double, 6> ph{};
  for (size_t i = 0; i < n; i++) {
    const double t = static_cast<double>(i) / c.rate;
    double m = 0.0;
    for (size_t k = 0; k < 6; k++) {
      ph[k] += k_hz[k] * 1.9 / c.rate;
      ph[k] -= floor_d(ph[k]);
      m += ph[k] < 0.5 ? 1.0 : -1.0;
    }
    const double v = m / 6.0 * (1.0 - noise_mix) + nz.next() * noise_mix;
    hp.run(v, ghp, 1.0);
    bp.run(hp.high, gbp, 0.8);
    const double attack = t < 0.0007 ? t / 0.0007 : 1.0;
    const double fade = static_cast<double>(n - i) / static_cast<double>(n);
    x[i] = (0.7 * hp.high + 0.6 * bp.band) * attack * (0.8 * decay(t, tau) + 0.2 * decay(t, tau * 0.15)) *
           (fade < 0.2 ? fade * 5.0 : 1.0);
  }
  return x;
}

std::vector<double> tambourine(const voice_ctx& c) {
  const size_t n = static_cast<size_t>(0.3 * c.rate);
  std::vector<double> x(n);
  noise nz{c.seed};
  svf j1, j2, j3, hp;
  const double g1 = svf_g(6900.0, c.rate), g2 = svf_g(9800.0, c.rate), g3 = svf_g(12400.0, c.rate);
  const double ghp = svf_g(5000.0, c.rate);
  for (size_t i = 0; i < n; i++) {
    const double t = static_cast<double>(i) / c.rate;
    const double w = nz.next();
    j1.run(w, g1, 0.12);
    j2.run(w, g2, 0.1);
    j3.run(w, g3, 0.1);
    hp.run(w, ghp, 1.0);
    // Two shakes of the jingles: the hit and the ring after it.
    double env = decay(t, 0.03);
    if (t > 0.045) env += 0.55 * decay(t - 0.045, 0.07);
    const double attack = t < 0.002 ? t / 0.002 : 1.0;
    x[i] = (j1.band + 0.9 * j2.band + 0.8 * j3.band + 0.25 * hp.high) * env * attack;
  }
  return x;
}

// A hand drum: the membrane's partials with a small fall of pitch, and the
// slap of the palm as a short burst of band-passed noise.
std::vector<double> hand_drum(const voice_ctx& c, double seconds, double tau, double bend, double ratio2,
                              double slap_hz, double slap) {
  const size_t n = static_cast<size_t>(seconds * c.rate);
  std::vector<double> x(n);
  noise nz{c.seed};
  svf bp;
  const double g = svf_g(slap_hz, c.rate);
  double p1 = 0.0, p2 = 0.0, p3 = 0.0;
  for (size_t i = 0; i < n; i++) {
    const double t = static_cast<double>(i) / c.rate;
    const double hz = c.hz * (1.0 + bend * decay(t, 0.01));
    p1 += hz / c.rate;
    p2 += hz * ratio2 / c.rate;
    p3 += hz * 2.31 / c.rate;
    p1 -= floor_d(p1);
    p2 -= floor_d(p2);
    p3 -= floor_d(p3);
    bp.run(nz.next(), g, 0.7);
    const double attack = t < 0.0008 ? t / 0.0008 : 1.0;
    x[i] = attack * (tsin(p1) * decay(t, tau) + 0.3 * tsin(p2) * decay(t, tau * 0.3) +
                     0.12 * tsin(p3) * decay(t, tau * 0.15) + slap * bp.band * decay(t, 0.005));
  }
  return x;
}

std::vector<double> cowbell(const voice_ctx& c) {
  const size_t n = static_cast<size_t>(0.42 * c.rate);
  std::vector<double> x(n);
  svf bp;
  const double g = svf_g(c.hz * 2.6, c.rate);
  double p1 = 0.0, p2 = 0.0;
  for (size_t i = 0; i < n; i++) {
    const double t = static_cast<double>(i) / c.rate;
    p1 += c.hz / c.rate;
    p2 += c.hz * 1.4815 / c.rate;  // the two plates of the classic machine's bell, 540 and 800 Hz
    p1 -= floor_d(p1);
    p2 -= floor_d(p2);
    const double sq = (p1 < 0.5 ? 1.0 : -1.0) + (p2 < 0.5 ? 1.0 : -1.0);
    bp.run(sq, g, 0.9);
    const double attack = t < 0.0008 ? t / 0.0008 : 1.0;
    x[i] = (bp.band + 0.35 * bp.low) * attack * (0.6 * decay(t, 0.014) + 0.4 * decay(t, 0.13));
  }
  return x;
}

// A looped voice's layout: the loop (L samples holding j cycles, from
// pick_loop) after settle_s seconds, its start rounded down to an even
// sample, and x sized for both and the two samples after the loop.
struct loop_layout {
  int64_t L = 0;
  int64_t j = 0;
  int64_t start = 0;
  size_t n = 0;
  int32_t hmax = 1;  // the voice's partials below the limit (harmonics_below)
};

loop_layout looped(const voice_ctx& c, double loop_s, double settle_s, std::vector<double>& x) {
  loop_layout l;
  pick_loop(c.hz, c.rate, loop_s, l.L, l.j);
  l.start = static_cast<int64_t>(settle_s * c.rate + 2.0) & ~int64_t{1};
  l.n = static_cast<size_t>(l.start + l.L + 2);
  x.assign(l.n, 0.0);
  l.hmax = harmonics_below(c.hz, c.rate);
  return l;
}

// The sample of a looped voice, its data still to be filled in.
synth_sample looped_sample(const loop_layout& l) {
  synth_sample s;
  s.loop_start = static_cast<int32_t>(l.start);
  s.loop_length = static_cast<int32_t>(l.L);
  return s;
}

// ---- Pitched voices -------------------------------------------------------------------

// A voice of struck chords: seconds of silence, and note() adding each note
// of the chord into it at its frequency.
std::vector<double> chord_notes(const voice_ctx& c, double seconds,
                                void (*note)(const voice_ctx& c, double hz, std::vector<double>& x)) {
  std::vector<double> x = silence(c, seconds);
  for (int32_t s : c.chord) note(c, c.hz * synth_exp(s / 12.0 * LN2), x);
  return x;
}

// Octave synth bass: sawtooth and square through a resonant low-pass whose
// cutoff snaps shut after the pluck, a sine under it for weight; loops once
// the sweep has settled.
synth_sample bass(const voice_ctx& c, std::vector<double>& x) {
  const double settle_s = 0.32;
  const loop_layout lay = looped(c, 0.3, settle_s, x);
  noise nz{c.seed};
  svf lp;
  for (size_t i = 0; i < lay.n; i++) {
    const int64_t ni = static_cast<int64_t>(i);
    const double t = static_cast<double>(i) / c.rate;
    const double saw = saw_partials(lay.j, ni, lay.L, lay.hmax);
    const double sq = square_partials(lay.j, ni, lay.L, lay.hmax);
    const double sub = isin((lay.j * ni) % lay.L, lay.L);
    const double fc = 420.0 + 2300.0 * settle(t, 0.055, settle_s);
    lp.run(0.6 * saw + 0.5 * sq * (4.0 / PI), svf_g(fc, c.rate), 0.55);
    const double pluck = nz.next() * settle(t, 0.002, 0.01) * 0.4;
    const double attack = t < 0.003 ? t / 0.003 : 1.0;
    const double amp = 0.62 + 0.38 * settle(t, 0.11, settle_s);
    x[i] = attack * amp * (lp.low + 0.55 * sub) + pluck;
  }
  return looped_sample(lay);
}

// Clavinet-like comping chords: a narrow pulse per note whose upper partials
// die faster than the lower ones (the struck string), and a knock of noise.
void clav_note(const voice_ctx& c, double hz, std::vector<double>& x) {
  const int32_t hmax = harmonics_below(hz, c.rate);
  for (int32_t h = 1; h <= hmax; h++) {
    // Pulse of width 0.22 seen by a pickup near the bridge.
    const double amp = synth_sin(0.5 * h * 0.22) / h * (0.6 + 0.4 * synth_sin(0.5 * h * 0.12));
    const double step = synth_exp(-(2.6 + 0.9 * h) / c.rate);
    const double inc = hz * h / c.rate;
    double env = amp;
    for (size_t i = 0; i < x.size(); i++) {
      const double p = static_cast<double>(i) * inc;
      x[i] += env * tsin(p - floor_d(p));
      env *= step;
    }
  }
}

std::vector<double> clav(const voice_ctx& c) {
  std::vector<double> x = chord_notes(c, 0.5, clav_note);
  const size_t n = x.size();
  noise nz{c.seed};
  svf bp;
  const double g = svf_g(2800.0, c.rate);
  for (size_t i = 0; i < n; i++) {
    const double t = static_cast<double>(i) / c.rate;
    bp.run(nz.next(), g, 1.0);
    x[i] = x[i] * (t < 0.001 ? t / 0.001 : 1.0) + 0.5 * bp.band * decay(t, 0.003);
  }
  return x;
}

// Sections of detuned sawtooths per chord note, low-passed, for the brass
// and the strings; every oscillator a whole number of cycles per loop.
struct ensemble_shape {
  double loop_s;                       // loop length
  double settle_s;                     // attack and sweeps are over by then
  double attack_tau;                   // rise of the amplitude
  std::array<int32_t, 3> detune;      // cycles per loop added to each note's three oscillators
  double fc_rest, fc_peak, fc_tau;     // low-pass: resting cutoff, the sweep above it and its decay
  double resonance;                    // 1 / Q
  double highpass_hz;
  double drive;                        // saturation: the chord's peaks pressed toward its body
};

synth_sample ensemble(const voice_ctx& c, const ensemble_shape& e, std::vector<double>& x) {
  const loop_layout lay = looped(c, e.loop_s, e.settle_s, x);
  const int64_t L = lay.L, j_root = lay.j;
  const size_t n = lay.n;
  // Every player starts at its own point of the cycle: started together, all
  // the sawtooths would line up their steps once a loop, an audible tick.
  noise phases{c.seed};
  for (int32_t s : c.chord) {
    const double hz = c.hz * synth_exp(s / 12.0 * LN2);
    const int64_t j = s == 0 ? j_root : cycles_in(hz, c.rate, L);
    const int32_t hmax = harmonics_below(hz, c.rate);
    // The detuned players leave out the fundamental: it stays steady, and
    // only the overtones beat against each other (a section, not a tremolo).
    for (int32_t d : e.detune) {
      const int64_t jd = j + d;
      const int32_t hmin = d == 0 ? 1 : 2;
      const double amp = d == 0 ? 1.0 : 0.8;
      const int64_t phase = static_cast<int64_t>((phases.next() + 1.0) * 0.5 * static_cast<double>(L)) % L;
      for (size_t i = 0; i < n; i++) x[i] += amp * saw_partials(jd, static_cast<int64_t>(i), L, hmax, hmin, phase);
    }
  }
  svf lp;
  double hp_state = 0.0;
  const double a_hp = onepole(e.highpass_hz, c.rate);
  for (size_t i = 0; i < n; i++) {
    const double t = static_cast<double>(i) / c.rate;
    const double swell = 1.0 - settle(t, e.attack_tau, e.settle_s);
    const double fc = e.fc_rest + e.fc_peak * swell * settle(t, e.fc_tau, e.settle_s);
    lp.run(x[i], svf_g(fc, c.rate), e.resonance);
    hp_state += a_hp * (lp.low - hp_state);
    x[i] = (lp.low - hp_state) * swell;
  }
  // Five sawtooths a note add up to rare tall peaks; saturating them keeps
  // the 8-bit range for the body of the sound.
  double peak = 0.0;
  for (double v : x) peak = v > peak ? v : (-v > peak ? -v : peak);
  if (peak > 0.0)
    for (double& v : x) v = soft_clip(e.drive * v / peak);
  return looped_sample(lay);
}

// Lead: two sawtooths a cycle per loop apart and a square in unison, through
// a low-pass that opens on the attack; loops at full sustain, the vibrato
// left to the player's effect.
synth_sample lead(const voice_ctx& c, std::vector<double>& x) {
  const double settle_s = 0.22;
  const loop_layout lay = looped(c, 0.5, settle_s, x);
  const int64_t L = lay.L, j = lay.j;
  svf lp;
  for (size_t i = 0; i < lay.n; i++) {
    const int64_t ni = static_cast<int64_t>(i);
    const double t = static_cast<double>(i) / c.rate;
    // The second sawtooth leaves out the fundamental, which would otherwise
    // swell and sink against the first once a loop.
    const double a = saw_partials(j, ni, L, lay.hmax) + 0.6 * saw_partials(j + 1, ni, L, lay.hmax, 2);
    const double sq = square_partials(j, ni, L, lay.hmax);
    const double fc = 2600.0 + 3200.0 * settle(t, 0.07, settle_s);
    lp.run(a + 0.5 * sq, svf_g(fc, c.rate), 0.8);
    const double attack = t < 0.008 ? t / 0.008 : 1.0;
    x[i] = lp.low * attack * (0.85 + 0.15 * settle(t, 0.06, settle_s));
  }
  return looped_sample(lay);
}

// Electric piano: a sine carrier modulated by a sine at the same rate, the
// index falling as the note dies, and a short bell partial for the tine.
void epiano_note(const voice_ctx& c, double hz, std::vector<double>& x) {
  const double inc = hz / c.rate;
  const double dn = synth_exp(-1.0 / (0.9 * c.rate));
  const double di = synth_exp(-1.0 / (0.35 * c.rate));
  const double db = synth_exp(-1.0 / (0.018 * c.rate));
  double env = 1.0, index = 1.0, bell = 1.0;
  const bool bell_fits = hz * 14.0 < NYQUIST_SHARE * c.rate;
  for (size_t i = 0; i < x.size(); i++) {
    const double p = static_cast<double>(i) * inc;
    const double ph = p - floor_d(p);
    const double mod = tsin(ph);
    double v = 0.25 + 1.1 * index;
    const double q = ph + v * mod / (2.0 * PI);
    v = synth_sin(q);
    double b = 0.0;
    if (bell_fits) {
      const double pb = p * 14.0;
      b = tsin(pb - floor_d(pb)) * bell * 0.25;
    }
    x[i] += env * (v + b);
    env *= dn;
    index *= di;
    bell *= db;
  }
}

std::vector<double> epiano(const voice_ctx& c) {
  std::vector<double> x = chord_notes(c, 1.5, epiano_note);
  for (size_t i = 0; i < x.size() && i < 40; i++) x[i] *= static_cast<double>(i) / 40.0;
  return x;
}

// ---- Output ---------------------------------------------------------------------------

// Scales x to full 8-bit range and rounds; a one-shot sample fades out over
// its last milliseconds and ends on 0; a looping one keeps its tail bytes a
// copy of the loop's first bytes.
synth_sample finish(std::vector<double>& x, synth_sample s, double rate) {
  if (s.loop_length == 0) {
    const size_t fade = static_cast<size_t>(FADE_SECONDS * rate);
    for (size_t k = 0; k < fade && k < x.size(); k++) x[x.size() - 1 - k] *= static_cast<double>(k) / static_cast<double>(fade);
  }
  if (x.size() % 2 != 0) x.push_back(0.0);
  if (x.size() > SYNTH_MAX_BYTES) x.resize(SYNTH_MAX_BYTES);
  double peak = 0.0;
  for (double v : x) {
    const double a = v < 0.0 ? -v : v;
    if (a > peak) peak = a;
  }
  const double scale = peak > 0.0 ? PEAK / peak : 0.0;
  s.data.resize(x.size());
  for (size_t i = 0; i < x.size(); i++) {
    double r = floor_d(x[i] * scale + 0.5);
    if (r > 127.0) r = 127.0;
    if (r < -128.0) r = -128.0;
    s.data[i] = static_cast<int8_t>(r);
  }
  if (s.loop_length > 0) {
    const size_t ls = static_cast<size_t>(s.loop_start), ll = static_cast<size_t>(s.loop_length);
    for (size_t k = ls + ll; k < s.data.size(); k++) s.data[k] = s.data[k - ll];
  }
  return s;
}

}  // namespace

// ---- Public functions -------------------------------------------------------------------

double synth_sin(double turns) {
  double t = turns - floor_d(turns + 0.5);  // -0.5 .. 0.5
  if (t > 0.25) {
    t = 0.5 - t;
  } else if (t < -0.25) {
    t = -0.5 - t;
  }
  const double x = 2.0 * PI * t;  // -pi/2 .. pi/2
  const double x2 = x * x;
  // Taylor series to x^15, nested: the error stays below 1e-12 on this range.
  return x * (1.0 - x2 / 6.0 * (1.0 - x2 / 20.0 * (1.0 - x2 / 42.0 * (1.0 - x2 / 72.0 *
         (1.0 - x2 / 110.0 * (1.0 - x2 / 156.0 * (1.0 - x2 / 210.0)))))));
}

double synth_exp(double x) {
  // e^x = (e^(x / 2^20))^(2^20): the series of the small power, squared 20 times.
  const double y = x / 1048576.0;
  double s = 1.0 + y * (1.0 + y / 2.0 * (1.0 + y / 3.0 * (1.0 + y / 4.0 * (1.0 + y / 5.0))));
  for (int32_t k = 0; k < 20; k++) s *= s;
  return s;
}

synth_sample synth_render(const score_instrument& ins) {
  voice_ctx c;
  const int32_t note = instrument_default_note(ins);
  const int32_t m = module_note(ins.octave, note);
  c.rate = static_cast<double>(AMIGA_CLOCK) / module_period[static_cast<size_t>(m < 0 ? 21 : m)];
  c.hz = note_hz(note);
  c.chord = ins.chord.empty() ? std::vector<int32_t>{0} : ins.chord;
  c.seed = 0x9E3779B9u ^ (static_cast<uint32_t>(ins.voice) * 0x85EBCA6Bu);

  std::vector<double> x;
  synth_sample s;
  switch (ins.voice) {
    case VOICE_KICK: x = kick(c); break;
    case VOICE_SNARE: x = snare(c); break;
    case VOICE_CLAP: x = clap(c); break;
    case VOICE_HAT: x = metal(c, 0.11, 0.022, 7200.0, 0.35); break;
    case VOICE_OPENHAT: x = metal(c, 0.6, 0.2, 6800.0, 0.4); break;
    case VOICE_CRASH: x = metal(c, 2.0, 0.65, 4200.0, 0.6); break;
    case VOICE_TAMBOURINE: x = tambourine(c); break;
    case VOICE_CONGA: x = hand_drum(c, 0.5, 0.17, 0.12, 1.51, 1800.0, 0.5); break;
    case VOICE_BONGO: x = hand_drum(c, 0.3, 0.085, 0.08, 1.6, 3000.0, 0.7); break;
    case VOICE_COWBELL: x = cowbell(c); break;
    case VOICE_BASS: s = bass(c, x); break;
    case VOICE_CLAV: x = clav(c); break;
    case VOICE_BRASS:
      s = ensemble(c, {0.6, 0.3, 0.018, {-1, 0, 1}, 1900.0, 2600.0, 0.09, 0.9, 120.0, 2.2}, x);
      break;
    case VOICE_LEAD: s = lead(c, x); break;
    case VOICE_STRINGS:
      s = ensemble(c, {1.0, 0.45, 0.1, {-1, 0, 2}, 3800.0, 0.0, 0.1, 1.2, 180.0, 1.6}, x);
      break;
    case VOICE_EPIANO: x = epiano(c); break;
    default: break;
  }
  return finish(x, s, c.rate);
}
