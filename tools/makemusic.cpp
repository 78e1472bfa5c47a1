// makemusic: composes the demo's soundtrack and writes it as a FastTracker 2 module (XM 1.04).
//
// Usage: makemusic <output.xm>
//
// Every instrument is synthesised here, the arrangement is a table of sections that start on the
// times the scene script changes the picture, and the output is the same bytes on every run.
// The song is 168 s long: speed 5 at 125 BPM makes one row 0.1 s (one tick 0.02 s), and the
// scene clock relies on exactly 1680 rows that end the song without looping back.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr int SPEED = 5;                 // ticks per row
constexpr int TEMPO_BPM = 125;           // tracker BPM: one tick lasts 2.5 / 125 s
constexpr int TICKS_PER_SECOND = 50;
constexpr int ROWS_PER_SECOND = TICKS_PER_SECOND / SPEED;
constexpr int SONG_SECONDS = 168;
constexpr int SONG_ROWS = SONG_SECONDS * ROWS_PER_SECOND;
constexpr double C4_HZ = 261.6255653;    // pitch of note C-4 when a sample plays at its natural rate
constexpr double XM_C4_RATE = 8363.0;    // rate at which note C-4 plays a sample with relative note 0
constexpr int NATURAL = 48;              // C-4: drums and effects play at their recorded pitch

// Seconds at which the scene script changes the picture; each one starts a new pattern.
const std::vector<int> EVENT_SECONDS = {0,  6,  12, 14, 16, 20,  24,  25,  26,  27,  28,  29,  32, 36,
                                        49, 61, 73, 80, 87, 98, 105, 111, 121, 124, 132, 137, 145, 148};

// ---------------------------------------------------------------------------------------------
// Sample synthesis
// ---------------------------------------------------------------------------------------------

// A waveform in the range -1..1 with the rate that plays it at its natural pitch on note C-4.
struct Sample {
    std::vector<double> wave;
    double rate = 44100.0;
    size_t loopStart = 0;
    size_t loopLength = 0;  // 0: one-shot
};

// Deterministic white noise (a plain LCG), so every run writes the same bytes.
class Noise {
public:
    explicit Noise(uint32_t seed) : state(seed) {}
    double next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }

private:
    uint32_t state;
};

// Zero-delay-feedback state-variable filter: stays stable while the cutoff sweeps.
class Filter {
public:
    struct Out {
        double low, band, high;
    };
    Out run(double x, double cutoff, double q, double rate) {
        const double g = std::tan(PI * std::min(cutoff, 0.45 * rate) / rate);
        const double k = 1.0 / q;
        const double a1 = 1.0 / (1.0 + g * (g + k));
        const double a2 = g * a1;
        const double a3 = g * a2;
        const double v3 = x - s2;
        const double v1 = a1 * s1 + a2 * v3;
        const double v2 = s2 + a2 * s1 + a3 * v3;
        s1 = 2.0 * v1 - s1;
        s2 = 2.0 * v2 - s2;
        return {v2, v1, x - k * v1 - v2};
    }

private:
    double s1 = 0.0, s2 = 0.0;
};

template <class Voice>
std::vector<double> render(double seconds, double rate, Voice voice) {
    std::vector<double> wave(static_cast<size_t>(seconds * rate));
    for (size_t i = 0; i < wave.size(); ++i) wave[i] = voice(static_cast<double>(i) / rate);
    // A short fade so a one-shot never ends on a step.
    const size_t fade = static_cast<size_t>(0.005 * rate);
    for (size_t i = 0; i < fade && i < wave.size(); ++i) wave[wave.size() - 1 - i] *= double(i) / fade;
    return wave;
}

void normalize(std::vector<double>& wave, double peak) {
    double top = 0.0;
    for (double v : wave) top = std::max(top, std::fabs(v));
    if (top > 0.0)
        for (double& v : wave) v *= peak / top;
}

Sample oneShot(std::vector<double> wave, double rate) {
    normalize(wave, 0.95);
    Sample s;
    s.wave = std::move(wave);
    s.rate = rate;
    return s;
}

// Six detuned square waves: the metallic core of hats and cymbals.
double metal(double t, double spread) {
    static const double HZ[] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    double sum = 0.0;
    for (double f : HZ) sum += std::sin(2.0 * PI * f * spread * t) >= 0.0 ? 1.0 : -1.0;
    return sum / 6.0;
}

Sample kickDrum() {
    const double rate = 44100.0;
    Noise noise(11);
    Filter clickTone;
    double phase = 0.0;
    return oneShot(render(0.6, rate,
                          [&](double t) {
                              phase += 2.0 * PI * (45.0 + 130.0 * std::exp(-t / 0.035)) / rate;
                              const double body = std::sin(phase) * std::exp(-t / 0.18);
                              const double click = clickTone.run(noise.next(), 3000.0, 0.7, rate).low *
                                                   std::exp(-t / 0.004);
                              return std::tanh(2.0 * (body + 0.6 * click));
                          }),
                   rate);
}

Sample snareDrum() {
    const double rate = 44100.0;
    Noise noise(23);
    Filter high, low;
    return oneShot(render(0.35, rate,
                          [&](double t) {
                              const double tone = (std::sin(2.0 * PI * 185.0 * t) +
                                                   0.5 * std::sin(2.0 * PI * 330.0 * t)) *
                                                  std::exp(-t / 0.05);
                              const double hiss = high.run(noise.next(), 1800.0, 0.7, rate).high;
                              const double rattle =
                                  low.run(hiss, 9000.0, 0.7, rate).low * std::exp(-t / 0.09);
                              return std::tanh(1.5 * (0.6 * tone + 0.9 * rattle));
                          }),
                   rate);
}

Sample hiHat(double decay, double seconds, uint32_t seed) {
    const double rate = 44100.0;
    Noise noise(seed);
    Filter first, second;
    return oneShot(render(seconds, rate,
                          [&](double t) {
                              const double raw = 0.6 * metal(t, 1.0) + 0.5 * noise.next();
                              const double bright = first.run(raw, 7000.0, 0.7, rate).high;
                              return second.run(bright, 7000.0, 0.7, rate).high * std::exp(-t / decay);
                          }),
                   rate);
}

Sample crashCymbal() {
    const double rate = 44100.0;
    Noise noise(37);
    Filter first, second;
    return oneShot(render(2.5, rate,
                          [&](double t) {
                              const double raw = 0.5 * metal(t, 1.37) + 0.7 * noise.next();
                              const double bright = first.run(raw, 4500.0, 0.7, rate).high;
                              const double attack = std::min(1.0, t / 0.002);
                              return second.run(bright, 4500.0, 0.7, rate).high * attack *
                                     std::exp(-t / 0.8);
                          }),
                   rate);
}

// A tom tuned to 110 Hz on C-4; other notes give the higher toms of a fill.
Sample tomDrum() {
    const double rate = 44100.0;
    Noise noise(41);
    double phase = 0.0;
    return oneShot(render(0.6, rate,
                          [&](double t) {
                              phase += 2.0 * PI * 110.0 * (1.0 + 0.6 * std::exp(-t / 0.04)) / rate;
                              const double body = std::sin(phase) * std::exp(-t / 0.2);
                              return std::tanh(1.4 * (body + 0.2 * noise.next() * std::exp(-t / 0.01)));
                          }),
                   rate);
}

// Three seconds of noise whose band climbs from 250 Hz to 8 kHz: the lead-in to a drop.
Sample riser() {
    const double rate = 22050.0;
    Noise noise(53);
    Filter band;
    double phase = 0.0;
    return oneShot(render(3.0, rate,
                          [&](double t) {
                              const double x = t / 3.0;
                              const double cutoff = 250.0 * std::pow(32.0, x);
                              phase += 2.0 * PI * (100.0 + 700.0 * x * x) / rate;
                              const double hiss = band.run(noise.next(), cutoff, 3.0, rate).band;
                              return x * x * (hiss + 0.15 * std::sin(phase));
                          }),
                   rate);
}

// A deep boom with a burst of low noise, for hard cuts of the picture.
Sample impact() {
    const double rate = 44100.0;
    Noise noise(67);
    Filter low;
    double phase = 0.0;
    return oneShot(render(3.0, rate,
                          [&](double t) {
                              phase += 2.0 * PI * (28.0 + 40.0 * std::exp(-t / 0.3)) / rate;
                              const double boom = std::sin(phase) * std::exp(-t / 0.7);
                              const double rumble = low.run(noise.next(), 800.0, 0.7, rate).low *
                                                    std::exp(-t / 0.25);
                              return std::tanh(1.5 * (boom + 0.8 * rumble));
                          }),
                   rate);
}

// Harmonic amplitudes of a sawtooth through a two-pole low-pass at harmonic `cutoff`.
double sawHarmonic(int h, double cutoff) {
    const double r = h / cutoff;
    return (1.0 / h) / std::sqrt(1.0 + r * r * r * r);
}

// One oscillator of a looped tone: `cycles` periods fit the loop exactly, so it has no seam.
struct Oscillator {
    int cycles;
    double gain;
    bool square;  // odd harmonics only
};

// A looped tone from detuned oscillators: `period` frames per cycle of the centre oscillator,
// `periods` cycles per loop; the detuned ones beat slowly against it (chorus).
Sample chorusTone(int period, int periods, const std::vector<Oscillator>& oscillators, int harmonics,
                  double cutoff) {
    const size_t frames = static_cast<size_t>(period) * periods;
    std::vector<double> wave(frames, 0.0);
    for (const Oscillator& osc : oscillators) {
        for (int h = 1; h <= harmonics; ++h) {
            if (osc.square && h % 2 == 0) continue;
            const double amp = osc.gain * sawHarmonic(h, cutoff);
            const double step = 2.0 * PI * h * osc.cycles / frames;
            for (size_t i = 0; i < frames; ++i) wave[i] += amp * std::sin(step * i);
        }
    }
    normalize(wave, 0.9);
    Sample s;
    s.wave = std::move(wave);
    s.rate = period * C4_HZ;
    s.loopStart = 0;
    s.loopLength = frames;
    return s;
}

// A plucked tone: the spectrum falls from bright to dark over `attackCycles`, then one dark cycle
// loops. `sub` adds weight to the fundamental.
Sample pluckedTone(int period, int attackCycles, int harmonics, double brightCutoff, double darkCutoff,
                   double sub) {
    const size_t attack = static_cast<size_t>(period) * attackCycles;
    std::vector<double> wave(attack + period, 0.0);
    for (size_t i = 0; i < wave.size(); ++i) {
        const double left = i < attack ? 1.0 - double(i) / attack : 0.0;
        const double bright = left * left;
        double v = sub * std::sin(2.0 * PI * i / period);
        for (int h = 1; h <= harmonics; ++h) {
            const double dark = sawHarmonic(h, darkCutoff);
            const double amp = dark + bright * (sawHarmonic(h, brightCutoff) - dark);
            v += amp * std::sin(2.0 * PI * h * double(i) / period);
        }
        wave[i] = v;
    }
    normalize(wave, 0.9);
    Sample s;
    s.wave = std::move(wave);
    s.rate = period * C4_HZ;
    s.loopStart = attack;
    s.loopLength = period;
    return s;
}

// ---------------------------------------------------------------------------------------------
// Instruments
// ---------------------------------------------------------------------------------------------

// Volume envelope points are (tick, level 0..64); sustain is the index held until key-off.
struct Envelope {
    std::vector<std::pair<int, int>> points;
    int sustain = -1;
};

struct Instrument {
    std::string name;
    Sample sample;
    Envelope envelope;  // no points: the sample plays as it is and a key-off cuts it
    int panning = 128;
    int fadeout = 0;
    int vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
};

// Instrument numbers as the patterns use them (1-based, in the order of makeInstruments).
enum InstrumentId {
    KICK = 1, SNARE, CLOSED_HAT, OPEN_HAT, TOM, CRASH, RISER, IMPACT,
    BASS, DRONE, SOFT_PAD, FIRM_PAD, ARP, LEAD, LEAD_ECHO
};

std::vector<Instrument> makeInstruments() {
    const Envelope softPad{{{0, 0}, {60, 64}, {110, 0}}, 1};
    const Envelope firmPad{{{0, 0}, {6, 64}, {30, 54}, {70, 0}}, 2};
    const Envelope leadShape{{{0, 0}, {2, 64}, {12, 50}, {20, 0}}, 2};
    const Sample pad = chorusTone(128, 128, {{127, 0.8, false}, {128, 1.0, false}, {129, 0.8, false},
                                             {64, 0.5, false}}, 20, 6.0);
    const Sample lead = chorusTone(128, 128, {{128, 1.0, false}, {129, 0.6, false}, {127, 0.5, true}},
                                   16, 10.0);
    std::vector<Instrument> list = {
        {"kick", kickDrum(), {}, 128, 0},
        {"snare", snareDrum(), {}, 128, 0},
        {"closed hat", hiHat(0.03, 0.15, 71), {}, 150, 0},
        {"open hat", hiHat(0.25, 0.7, 73), {}, 150, 0},
        {"tom", tomDrum(), {}, 110, 0},
        {"crash", crashCymbal(), {}, 110, 0},
        {"riser", riser(), {}, 128, 0},
        {"impact", impact(), {}, 128, 0},
        {"bass", pluckedTone(256, 40, 40, 16.0, 4.0, 0.4), {{{0, 64}, {6, 54}, {20, 34}, {45, 0}}, -1},
         128, 1024},
        {"drone", pluckedTone(256, 1, 24, 3.0, 3.0, 0.5), {{{0, 0}, {10, 64}, {60, 0}}, 1}, 128, 1024},
        {"soft pad", pad, softPad, 128, 1024},
        {"firm pad", pad, firmPad, 128, 1024},
        {"arp", pluckedTone(128, 30, 16, 12.0, 2.5, 0.0), {{{0, 64}, {3, 46}, {12, 22}, {40, 0}}, -1},
         90, 1024},
        {"lead", lead, leadShape, 118, 1024, 40, 3, 10},
        {"lead echo", lead, leadShape, 175, 1024, 40, 3, 10},
    };
    return list;
}

// ---------------------------------------------------------------------------------------------
// Score: the song as one grid of 1680 rows, cut into patterns when written
// ---------------------------------------------------------------------------------------------

// One voice of the arrangement; it is written on one channel, or on several in unison when it is
// louder than one channel can play.
enum Voice { KICKS, SNARES, HATS, TOMS, EFFECTS, BASSLINE, PAD1, PAD2, PAD3, ARPS, MELODY, ECHO, VOICES };

constexpr int CHANNEL_VOLUME = 64;  // the most one channel plays a note at
constexpr int MAX_CHANNELS = 32;

constexpr uint8_t KEY_OFF = 97;
constexpr uint8_t FX_PANNING = 0x08;
constexpr uint8_t FX_EXTENDED = 0x0E;
constexpr uint8_t FX_GLOBAL_VOLUME = 0x10;  // 'G'
constexpr uint8_t NOTE_DELAY = 0xD0;        // extended effect EDx

struct Cell {
    uint8_t note = 0, instrument = 0;
    int volume = 0;  // 0: none; else the voice's volume, which may exceed CHANNEL_VOLUME
    uint8_t effect = 0, param = 0;
};

class Score {
public:
    Score() : grid(SONG_ROWS) {}

    // Notes are placed in ticks; one that falls between rows is delayed within its row (EDx).
    void play(Voice voice, int tick, int instrument, int pitch, int volume, uint8_t effect = 0,
              uint8_t param = 0) {
        const int row = tick / SPEED, delay = tick % SPEED;
        if (row < 0 || row >= SONG_ROWS)
            throw std::runtime_error("note outside the song at tick " + std::to_string(tick));
        if (pitch < 0 || pitch > 95) throw std::runtime_error("pitch out of range: " + std::to_string(pitch));
        Cell& c = grid[row][voice];
        if (c.note != 0 && c.note != KEY_OFF)
            throw std::runtime_error("two notes on voice " + std::to_string(voice) + " at row " +
                                     std::to_string(row));
        if (delay > 0 && effect != 0) throw std::runtime_error("delayed note cannot take another effect");
        c.note = static_cast<uint8_t>(pitch + 1);
        c.instrument = static_cast<uint8_t>(instrument);
        c.volume = std::max(volume, 1);
        loudest[voice] = std::max(loudest[voice], c.volume);
        c.effect = delay > 0 ? FX_EXTENDED : effect;
        c.param = delay > 0 ? static_cast<uint8_t>(NOTE_DELAY | delay) : param;
    }

    // Key-off in the row of `tick`, at its start: a little early rather than after a note that
    // starts later in the same row. A note already in the row replaces the key-off.
    void release(Voice voice, int tick) {
        const int row = tick / SPEED;
        if (row >= SONG_ROWS) return;  // the song ends anyway
        Cell& c = grid[row][voice];
        if (c.note == 0) c.note = KEY_OFF;
    }

    // Global volume needs no channel of its own: it goes into any free effect column of the row.
    void setGlobalVolume(int row, int volume) {
        for (int v = VOICES - 1; v >= 0; --v) {
            Cell& c = grid[row][v];
            if (c.effect == 0 && c.param == 0) {
                c.effect = FX_GLOBAL_VOLUME;
                c.param = static_cast<uint8_t>(volume);
                return;
            }
        }
        throw std::runtime_error("no free effect column at row " + std::to_string(row));
    }

    const Cell& at(int row, Voice voice) const { return grid[row][voice]; }

    // Channels in unison that carry the voice's loudest note.
    int channels(Voice voice) const { return std::max(1, (loudest[voice] + CHANNEL_VOLUME - 1) / CHANNEL_VOLUME); }

    // All voices' channels, made even (players handle even counts best).
    int channelCount() const {
        int count = 0;
        for (int v = 0; v < VOICES; ++v) count += channels(Voice(v));
        count += count % 2;
        if (count > MAX_CHANNELS)
            throw std::runtime_error("the mix needs " + std::to_string(count) + " channels, more than " +
                                     std::to_string(MAX_CHANNELS));
        return count;
    }

private:
    std::vector<std::array<Cell, VOICES>> grid;
    std::array<int, VOICES> loudest{};
};

// ---------------------------------------------------------------------------------------------
// Harmony and melody (A minor). Pitches count semitones from C-0, so C-4 is 48.
// ---------------------------------------------------------------------------------------------

struct Chord {
    int root;                   // bass note, second octave
    std::array<int, 3> voicing; // pad voices around middle C, close to one another
};

const std::map<std::string, Chord> CHORDS = {
    {"Am", {33, {48, 52, 57}}},    {"F", {29, {48, 53, 57}}},  {"C", {24, {48, 52, 55}}},
    {"G", {31, {47, 50, 55}}},     {"E", {28, {47, 52, 56}}},  {"Dm", {26, {50, 53, 57}}},
    {"Em7", {28, {50, 55, 59}}},   {"Em", {28, {47, 52, 55}}}, {"Fmaj7", {29, {52, 57, 60}}},
};

int pitchOf(const std::string& name) {
    static const std::map<char, int> STEPS = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5},
                                              {'G', 7}, {'A', 9}, {'B', 11}};
    auto step = STEPS.find(name.empty() ? '?' : name[0]);
    if (step == STEPS.end()) throw std::runtime_error("bad note name: " + name);
    size_t i = 1;
    int pitch = step->second;
    if (i < name.size() && name[i] == '#') {
        ++pitch;
        ++i;
    }
    if (i + 1 != name.size() || name[i] < '0' || name[i] > '7')
        throw std::runtime_error("bad note name: " + name);
    return pitch + 12 * (name[i] - '0');
}

// Melodies are written "A4:4 C5:4 r:2 ..." with lengths in sixteenths; "r" is a rest.
struct Note {
    int pitch;  // -1: rest
    int steps;
};

std::vector<Note> parseMelody(const std::string& text) {
    std::vector<Note> notes;
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        const size_t colon = token.find(':');
        if (colon == std::string::npos) throw std::runtime_error("bad melody token: " + token);
        const std::string name = token.substr(0, colon);
        notes.push_back({name == "r" ? -1 : pitchOf(name), std::stoi(token.substr(colon + 1))});
    }
    return notes;
}

// The main theme, one bar per chord of Am F C G Am F C G.
const std::string THEME_1 = "A4:4 C5:4 E5:6 D5:2  C5:4 A4:4 F5:6 E5:2 ";
const std::string THEME_2 = "E5:4 G5:4 C5:6 D5:2  B4:6 A4:2 G4:4 B4:4 ";
const std::string THEME_3 = "E5:4 A5:4 G5:2 E5:2 D5:2 C5:2  A4:4 C5:4 F5:4 E5:2 D5:2 ";
const std::string THEME_4 = "E5:4 C5:4 G4:4 C5:2 D5:2  D5:6 B4:2 D5:4 E5:4 ";
// First sight of the title, over C G.
const std::string TITLE = "G4:2 C5:2 E5:4 D5:4 C5:4  D5:6 B4:2 G4:8 ";
// Syncopated answer for the second act, over Dm Am F E F E.
const std::string THEME_B = "D5:6 F5:6 A5:4  E5:6 C5:6 A4:4  F5:6 E5:6 C5:4  B4:6 G#4:6 E5:4 "
                            "A5:6 G5:2 F5:4 E5:4  E5:6 D5:2 B4:4 G#4:4 ";
// Descending line for the dark part, over Am G F E.
const std::string THEME_C = "A5:4 G5:2 A5:2 E5:8  G5:4 F5:2 G5:2 D5:8  F5:4 E5:2 F5:2 C5:4 A4:4 ";
// Lyrical line of the calm middle, over Fmaj7 G Em7 Am.
const std::string CALM = "C5:6 A4:2 E5:8  D5:6 B4:2 D5:8  B4:6 G4:2 E5:4 D5:4 ";
// The calm line again, brighter and busier, for the climax over F G Em Am.
const std::string CLIMAX = "C5:4 A4:2 C5:2 E5:6 F5:2  D5:4 B4:2 D5:2 G5:6 F5:2  E5:4 B4:2 E5:2 G5:4 B5:4 "
                           "A5:12 G5:2 E5:2 ";

// ---------------------------------------------------------------------------------------------
// Arrangement: one row per section, each starting where the picture changes
// ---------------------------------------------------------------------------------------------

enum class Drums { None, Hats, Build, Hits, FourFloor, FourFloorFull, Breakbeat, Halftime, Heartbeat };
enum class Bass { None, Drone, Pulse, Offbeat, Rolling, Groove };
enum class Pad { None, Soft, Firm };
enum class Arp { None, Eighths, Sixteenths };

enum Extra : unsigned {
    CRASH_IN = 1,      // cymbal on the first beat
    FILL_OUT = 2,      // drum fill over the last two beats
    RISER_OUT = 4,     // noise riser over the last three seconds
    IMPACT_IN = 8,     // boom on the first beat
    CRASH_EACH = 16,   // cymbal on every chord
};

struct Section {
    int start;           // seconds
    std::string chords;  // one chord per bar of four beats; "E/2" lasts two beats
    Drums drums;
    Bass bass;
    Pad pad;
    Arp arp;
    std::string melody;
    double level;        // loudness of the whole section, up to 1 (where the kick fills its range)
    unsigned extras;
};

const std::vector<Section> SECTIONS = {
    // Dark intro: pad swells and a low drone.
    {0, "Am F C", Drums::None, Bass::Drone, Pad::Soft, Arp::None, "", 0.5, 0},
    // Backdrop turns blue, the first button spins: a soft arpeggio joins.
    {6, "G Am F", Drums::None, Bass::Drone, Pad::Soft, Arp::Eighths, "", 0.6, 0},
    {12, "G", Drums::Hats, Bass::Pulse, Pad::Soft, Arp::Sixteenths, "", 0.6, 0},
    {14, "E", Drums::Build, Bass::Pulse, Pad::Soft, Arp::Sixteenths, "", 0.7, RISER_OUT},
    // Logo and title: the beat starts.
    {16, "Am F", Drums::FourFloor, Bass::Offbeat, Pad::Firm, Arp::Sixteenths, "", 0.75, CRASH_IN},
    {20, "C G", Drums::FourFloor, Bass::Offbeat, Pad::Firm, Arp::Sixteenths, TITLE, 0.78, 0},
    // A new button every second: one stab and tom per event, the snare roll tightens.
    {24, "Am/2 F/2 C/2 G/2 E/2", Drums::Hits, Bass::Pulse, Pad::Firm, Arp::Sixteenths, "", 0.8, CRASH_IN},
    // The field resets: a breath on the dominant before the drop.
    {29, "E/6", Drums::None, Bass::Drone, Pad::Soft, Arp::Eighths, "", 0.6, RISER_OUT},
    {32, "F G", Drums::Build, Bass::Offbeat, Pad::Firm, Arp::Sixteenths, "", 0.8, 0},
    // First drop with the main theme while the cube flies.
    {36, "Am F C G Am F E/2", Drums::FourFloorFull, Bass::Offbeat, Pad::Firm, Arp::Sixteenths,
     THEME_1 + THEME_2 + THEME_3 + "E5:2 D5:2 B4:2 G#4:2", 1.0, CRASH_IN | FILL_OUT},
    // Second act: broken beat and a syncopated bass, then the answer theme on top.
    {49, "Dm Am F E F E", Drums::Breakbeat, Bass::Groove, Pad::Firm, Arp::Sixteenths, "", 0.8, CRASH_IN},
    {61, "Dm Am F E F E", Drums::Breakbeat, Bass::Groove, Pad::Firm, Arp::Sixteenths, THEME_B, 0.85,
     CRASH_IN},
    // Dark part: rolling bass, descending line.
    {73, "Am G F E/2", Drums::FourFloorFull, Bass::Rolling, Pad::Firm, Arp::Sixteenths, "", 0.9,
     CRASH_IN | FILL_OUT},
    {80, "Am G F E/2", Drums::FourFloorFull, Bass::Rolling, Pad::Firm, Arp::Sixteenths,
     THEME_C + "G#4:4 B4:4", 0.92, CRASH_IN | FILL_OUT},
    {87, "Am G F E Dm E/2", Drums::FourFloorFull, Bass::Rolling, Pad::Firm, Arp::Sixteenths,
     THEME_C + "G#4:4 B4:4 E5:4 D5:4  D5:4 F5:4 A5:8  G#5:4 E5:4", 1.0, CRASH_IN | FILL_OUT},
    // White flash: the calm middle.
    {98, "Fmaj7 G Em7 Am/2", Drums::None, Bass::Drone, Pad::Soft, Arp::Eighths, CALM + "C5:8", 0.6,
     IMPACT_IN},
    {105, "Dm F E", Drums::Heartbeat, Bass::Pulse, Pad::Soft, Arp::Sixteenths, "", 0.65, 0},
    {111, "Fmaj7 G Em7 Am Fmaj7", Drums::Halftime, Bass::Offbeat, Pad::Soft, Arp::Eighths,
     CALM + "C5:8 A4:8  A4:4 C5:4 E5:8", 0.7, 0},
    {121, "G E/2", Drums::Build, Bass::Pulse, Pad::Firm, Arp::Sixteenths, "", 0.8, RISER_OUT},
    // The rectangles rain: the theme returns at full strength.
    {124, "Am F C G", Drums::FourFloorFull, Bass::Offbeat, Pad::Firm, Arp::Sixteenths, THEME_1 + THEME_2, 1.0,
     CRASH_IN},
    {132, "Am F G/2", Drums::FourFloorFull, Bass::Rolling, Pad::Firm, Arp::Sixteenths, THEME_3 + "D5:4 B4:4",
     0.95, FILL_OUT},
    {137, "F G Em Am", Drums::FourFloorFull, Bass::Rolling, Pad::Firm, Arp::Sixteenths, CLIMAX, 1.0,
     CRASH_EACH},
    // Black screen and the logo: everything stops but the pad.
    {145, "Am/6", Drums::None, Bass::Drone, Pad::Soft, Arp::None, "", 0.8, IMPACT_IN},
    // Last flight: the whole theme once more, then one long chord that fades away.
    {148, "Am F C G Am F C G", Drums::FourFloor, Bass::Offbeat, Pad::Firm, Arp::Sixteenths,
     THEME_1 + THEME_2 + THEME_3 + THEME_4, 0.85, CRASH_IN},
    {164, "Am/8", Drums::None, Bass::Drone, Pad::Firm, Arp::Eighths, "A4:32", 0.7, 0},
};

constexpr int FADE_START_SECONDS = 160;

// Pattern strings cover one bar of sixteenths and repeat for longer chords.
// Drums: X accent, x hit, o ghost; on the hat line O is the open hat.
struct DrumPattern {
    const char* kick;
    const char* snare;
    const char* hats;
};

const std::map<Drums, DrumPattern> DRUM_PATTERNS = {
    {Drums::Hats, {"X...............", "................", "xoxoxoxoxoxoxoxo"}},
    {Drums::FourFloor, {"X...X...X...X...", "....X.......X...", "..O...O...O...O."}},
    {Drums::FourFloorFull, {"X...X...X...X...", "....X.......X..o", "xoOoxoOoxoOoxoOo"}},
    {Drums::Breakbeat, {"X.....x...x.....", "....X..o....X..o", "x.xox.x.x.xox.O."}},
    {Drums::Halftime, {"X.........x.....", "........X.......", "x.x.x.x.x.x.x.O."}},
    {Drums::Heartbeat, {"X..x....X..x....", "................", "....o.......o..."}},
};

// Bass: x root, X accented root, h root an octave up, f the fifth.
const std::map<Bass, const char*> BASS_PATTERNS = {
    {Bass::Pulse, "X.x.X.x.X.x.X.x."},
    {Bass::Offbeat, "..X...x...X...x."},
    {Bass::Rolling, ".Xxx.xxx.Xxx.xxx"},
    {Bass::Groove, "X..x..h.X..x..f."},
};

// Arpeggio: digits index the chord's three voices and the same an octave up.
const std::map<Arp, const char*> ARP_PATTERNS = {
    {Arp::Eighths, "0.2.1.3.2.4.3.5."},
    {Arp::Sixteenths, "0123432101234542"},
};

// Base volumes (0..64) before the section's level.
constexpr double KICK_VOLUME = 64, SNARE_VOLUME = 54, HAT_VOLUME = 56, TOM_VOLUME = 46;
constexpr double CRASH_VOLUME = 44, RISER_VOLUME = 44, IMPACT_VOLUME = 64;
constexpr double BASS_VOLUME = 48, DRONE_VOLUME = 44, PAD_VOLUME = 18, ARP_VOLUME = 24;
constexpr double LEAD_VOLUME = 50, ECHO_VOLUME = 20;
// The whole mix, set so the module plays near -16 LUFS with its peaks below -1 dBTP. A voice
// louder than one channel is spread over channels in unison, and the player turns its mix down a
// little as channels are added, which this gain already makes up for.
constexpr double MIX_GAIN = 3.0;
const std::array<uint8_t, 3> PAD_PANNING = {0x50, 0x80, 0xB0};
constexpr int ECHO_STEPS = 3;  // dotted-eighth echo

double strength(char symbol) {
    switch (symbol) {
        case 'X': return 1.0;
        case 'x': return 0.75;
        case 'o': return 0.4;
        case 'O': return 0.85;
        default: return 0.0;
    }
}

// A section laid out in sixteenths: one span per chord.
struct Span {
    const Chord* chord;
    int first;  // sixteenth within the section
    int steps;
};

class SectionWriter {
public:
    SectionWriter(Score& score, const Section& section, int endSeconds)
        : score(score), s(section), endSeconds(endSeconds) {
        std::istringstream in(section.chords);
        std::string token;
        int step = 0;
        while (in >> token) {
            const size_t slash = token.find('/');
            const int beats = slash == std::string::npos ? 4 : std::stoi(token.substr(slash + 1));
            auto chord = CHORDS.find(token.substr(0, slash));
            if (chord == CHORDS.end()) throw std::runtime_error("unknown chord " + token);
            spans.push_back({&chord->second, step, beats * 4});
            step += beats * 4;
        }
        steps = step;
        // Two beats are one second.
        if (steps != (endSeconds - section.start) * 8)
            throw std::runtime_error("chords of the section at " + std::to_string(section.start) +
                                     " s do not fill it");
    }

    // Ticks at which a chord starts: where the music changes.
    std::vector<int> chordTicks() const {
        std::vector<int> ticks;
        for (const Span& span : spans) ticks.push_back(tick(span.first));
        return ticks;
    }

    void write() {
        writeDrums();
        writeBass();
        writePad();
        writeArp();
        writeMelody(MELODY, LEAD, LEAD_VOLUME, 0);
        writeMelody(ECHO, LEAD_ECHO, ECHO_VOLUME, ECHO_STEPS);
        writeEffects();
    }

private:
    // Four sixteenths are one beat of 25 ticks; in-between sixteenths round to the nearest tick.
    int tick(int step) const { return s.start * TICKS_PER_SECOND + (step * 25 + 2) / 4; }
    // The balance is set within one channel's range; MIX_GAIN then lifts the whole mix.
    int volume(double base, double factor = 1.0) const {
        const long balance = std::clamp(std::lround(base * factor * s.level), 1L, long(CHANNEL_VOLUME));
        return static_cast<int>(std::lround(balance * MIX_GAIN));
    }
    int fillStart() const { return (s.extras & FILL_OUT) ? steps - 8 : steps; }

    void writeDrums() {
        for (const Span& span : spans) {
            for (int k = 0; k < span.steps; ++k) {
                const int step = span.first + k;
                if (step >= fillStart()) break;
                const double progress = double(step) / steps;
                switch (s.drums) {
                    case Drums::None: break;
                    case Drums::Build: buildStep(step, k % 16, progress); break;
                    case Drums::Hits: hitsStep(span, k, progress); break;
                    default: patternStep(DRUM_PATTERNS.at(s.drums), step, k % 16); break;
                }
            }
        }
        if (s.extras & FILL_OUT) writeFill(steps - 8);
    }

    void patternStep(const DrumPattern& p, int step, int barStep) {
        if (double v = strength(p.kick[barStep]))
            score.play(KICKS, tick(step), KICK, NATURAL, volume(KICK_VOLUME, v));
        if (double v = strength(p.snare[barStep]))
            score.play(SNARES, tick(step), SNARE, NATURAL, volume(SNARE_VOLUME, v));
        if (double v = strength(p.hats[barStep])) {
            const int hat = p.hats[barStep] == 'O' ? OPEN_HAT : CLOSED_HAT;
            score.play(HATS, tick(step), hat, NATURAL, volume(HAT_VOLUME, v));
        }
    }

    // Kick on the beat, a snare roll that doubles its rate halfway and grows louder.
    void buildStep(int step, int barStep, double progress) {
        const double swell = 0.35 + 0.65 * progress;
        if (barStep % 4 == 0) score.play(KICKS, tick(step), KICK, NATURAL, volume(KICK_VOLUME, 0.9));
        if (barStep % 4 == 2) score.play(HATS, tick(step), CLOSED_HAT, NATURAL, volume(HAT_VOLUME, 0.6));
        const int every = progress < 0.5 ? 2 : 1;
        if (barStep % every == 0) score.play(SNARES, tick(step), SNARE, NATURAL, volume(SNARE_VOLUME, swell));
    }

    // One hit per chord, toms climbing; the roll under it speeds up from quarters to sixteenths.
    void hitsStep(const Span& span, int k, double progress) {
        const int step = span.first + k;
        const int index = span.first / span.steps;
        if (k == 0) {
            score.play(KICKS, tick(step), KICK, NATURAL, volume(KICK_VOLUME));
            score.play(TOMS, tick(step), TOM, NATURAL + 3 * index, volume(TOM_VOLUME));
        }
        const int every = index == 0 ? 4 : index < 3 ? 2 : 1;
        if (k % every == 0)
            score.play(SNARES, tick(step), SNARE, NATURAL, volume(SNARE_VOLUME, 0.3 + 0.7 * progress));
    }

    // Four snare sixteenths, then toms falling from high to low.
    void writeFill(int first) {
        static const int TOM_PITCHES[] = {55, 55, 51, 48};
        score.play(KICKS, tick(first), KICK, NATURAL, volume(KICK_VOLUME));
        for (int i = 0; i < 4; ++i)
            score.play(SNARES, tick(first + i), SNARE, NATURAL, volume(SNARE_VOLUME, 0.55 + 0.15 * i));
        for (int i = 0; i < 4; ++i)
            score.play(TOMS, tick(first + 4 + i), TOM, TOM_PITCHES[i], volume(TOM_VOLUME, 0.8 + 0.05 * i));
    }

    void writeBass() {
        if (s.bass == Bass::None) return;
        for (const Span& span : spans) {
            if (s.bass == Bass::Drone) {
                score.play(BASSLINE, tick(span.first), DRONE, span.chord->root, volume(DRONE_VOLUME));
                score.release(BASSLINE, tick(span.first + span.steps));
                continue;
            }
            const char* pattern = BASS_PATTERNS.at(s.bass);
            for (int k = 0; k < span.steps; ++k) {
                const char symbol = pattern[k % 16];
                if (symbol == '.') continue;
                const int root = span.chord->root;
                const int pitch = symbol == 'h' ? root + 12 : symbol == 'f' ? root + 7 : root;
                const double accent = symbol == 'X' ? 1.0 : 0.8;
                score.play(BASSLINE, tick(span.first + k), BASS, pitch, volume(BASS_VOLUME, accent));
            }
        }
    }

    void writePad() {
        if (s.pad == Pad::None) return;
        const int instrument = s.pad == Pad::Soft ? SOFT_PAD : FIRM_PAD;
        for (const Span& span : spans) {
            for (int v = 0; v < 3; ++v) {
                score.play(Voice(PAD1 + v), tick(span.first), instrument, span.chord->voicing[v], volume(PAD_VOLUME),
                           FX_PANNING, PAD_PANNING[v]);
                score.release(Voice(PAD1 + v), tick(span.first + span.steps));
            }
        }
    }

    void writeArp() {
        if (s.arp == Arp::None) return;
        const char* pattern = ARP_PATTERNS.at(s.arp);
        for (const Span& span : spans) {
            for (int k = 0; k < span.steps; ++k) {
                const char symbol = pattern[k % 16];
                if (symbol == '.') continue;
                const int index = symbol - '0';
                const int pitch = span.chord->voicing[index % 3] + 12 * (index / 3);
                const double accent = k % 4 == 0 ? 1.0 : 0.75;
                score.play(ARPS, tick(span.first + k), ARP, pitch, volume(ARP_VOLUME, accent));
            }
        }
    }

    // The lead, or its echo `delay` sixteenths later; a note ends with a key-off only before a rest.
    void writeMelody(Voice voice, int instrument, double base, int delay) {
        const std::vector<Note> notes = parseMelody(s.melody);
        int length = 0;
        for (const Note& n : notes) length += n.steps;
        if (length > steps)
            throw std::runtime_error("melody longer than the section at " + std::to_string(s.start) + " s");
        int step = 0;
        for (size_t i = 0; i < notes.size(); ++i) {
            const Note& n = notes[i];
            if (n.pitch >= 0) {
                if (tick(step + delay) / SPEED < SONG_ROWS)
                    score.play(voice, tick(step + delay), instrument, n.pitch, volume(base));
                const bool restFollows = i + 1 == notes.size() || notes[i + 1].pitch < 0;
                if (restFollows) score.release(voice, tick(step + n.steps + delay));
            }
            step += n.steps;
        }
    }

    void writeEffects() {
        if (s.extras & CRASH_IN) score.play(EFFECTS, tick(0), CRASH, NATURAL, volume(CRASH_VOLUME));
        if (s.extras & CRASH_EACH)
            for (const Span& span : spans)
                score.play(EFFECTS, tick(span.first), CRASH, NATURAL, volume(CRASH_VOLUME, 0.8));
        if (s.extras & IMPACT_IN) score.play(EFFECTS, tick(0), IMPACT, NATURAL, volume(IMPACT_VOLUME));
        if (s.extras & RISER_OUT)
            score.play(EFFECTS, (endSeconds - 3) * TICKS_PER_SECOND, RISER, NATURAL, volume(RISER_VOLUME));
    }

    Score& score;
    const Section& s;
    int endSeconds;
    std::vector<Span> spans;
    int steps = 0;
};

Score arrange() {
    Score score;
    std::vector<int> changes;
    for (size_t i = 0; i < SECTIONS.size(); ++i) {
        const int end = i + 1 < SECTIONS.size() ? SECTIONS[i + 1].start : SONG_SECONDS;
        SectionWriter section(score, SECTIONS[i], end);
        section.write();
        const std::vector<int> ticks = section.chordTicks();
        changes.insert(changes.end(), ticks.begin(), ticks.end());
    }
    // The picture changes only where the music does: on a new section or a new chord.
    for (int t : EVENT_SECONDS)
        if (std::find(changes.begin(), changes.end(), t * TICKS_PER_SECOND) == changes.end())
            throw std::runtime_error("the music does not change at " + std::to_string(t) + " s");
    // Fade the whole mix out over the last seconds.
    const int fadeRows = (SONG_SECONDS - FADE_START_SECONDS) * ROWS_PER_SECOND;
    for (int r = 0; r < fadeRows; ++r) {
        const int volume = static_cast<int>(std::lround(64.0 * (fadeRows - r) / fadeRows));
        score.setGlobalVolume(SONG_ROWS - fadeRows + r, volume);
    }
    return score;
}

// ---------------------------------------------------------------------------------------------
// XM serialisation (all values little-endian)
// ---------------------------------------------------------------------------------------------

class Writer {
public:
    void u8(unsigned v) { bytes.push_back(static_cast<uint8_t>(v)); }
    void u16(unsigned v) { u8(v & 0xFF); u8(v >> 8); }
    void u32(uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); }
    void text(const std::string& s, size_t width) {
        for (size_t i = 0; i < width; ++i) u8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
    }
    void zeros(size_t n) { bytes.insert(bytes.end(), n, 0); }
    size_t size() const { return bytes.size(); }
    void append(const std::vector<uint8_t>& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }
    const std::vector<uint8_t>& data() const { return bytes; }

private:
    std::vector<uint8_t> bytes;
};

void writeHeader(Writer& w, int channels, int patterns, int instruments) {
    w.text("Extended Module: ", 17);
    w.text("Velmo", 20);
    w.u8(0x1A);
    w.text("makemusic", 20);
    w.u16(0x0104);
    w.u32(276);
    w.u16(patterns);   // song length: every pattern once, in order
    w.u16(0);          // restart position
    w.u16(channels);
    w.u16(patterns);
    w.u16(instruments);
    w.u16(1);          // linear frequency table
    w.u16(SPEED);
    w.u16(TEMPO_BPM);
    for (int i = 0; i < 256; ++i) w.u8(i < patterns ? i : 0);
}

// `volume` is this channel's share of the voice's volume.
void packCell(Writer& w, const Cell& c, int volume) {
    const uint8_t volumeColumn = c.volume > 0 ? static_cast<uint8_t>(0x10 + volume) : 0;
    const uint8_t fields[] = {c.note, c.instrument, volumeColumn, c.effect, c.param};
    uint8_t mask = 0x80;
    for (int i = 0; i < 5; ++i)
        if (fields[i]) mask |= static_cast<uint8_t>(1 << i);
    w.u8(mask);
    for (int i = 0; i < 5; ++i)
        if (fields[i]) w.u8(fields[i]);
}

void writePattern(Writer& w, const Score& score, int firstRow, int rows) {
    Writer packed;
    for (int r = firstRow; r < firstRow + rows; ++r) {
        int written = 0;
        for (int v = 0; v < VOICES; ++v) {
            // The unison channels play the same note, so their volumes add up to the voice's.
            const Cell& c = score.at(r, Voice(v));
            const int n = score.channels(Voice(v));
            for (int k = 0; k < n; ++k) packCell(packed, c, c.volume / n + (k < c.volume % n ? 1 : 0));
            written += n;
        }
        for (; written < score.channelCount(); ++written) packCell(packed, Cell{}, 0);
    }
    w.u32(9);
    w.u8(0);
    w.u16(rows);
    w.u16(static_cast<unsigned>(packed.size()));
    w.append(packed.data());
}

// Relative note and finetune (1/128 semitone) that make note C-4 play at `rate`.
std::pair<int, int> tuning(double rate) {
    const double semitones = 12.0 * std::log2(rate / XM_C4_RATE);
    const int relative = static_cast<int>(std::lround(semitones));
    const int finetune = static_cast<int>(std::lround((semitones - relative) * 128.0));
    return {relative, std::clamp(finetune, -128, 127)};
}

void writeInstrument(Writer& w, const Instrument& in) {
    const size_t start = w.size();
    w.u32(263);
    w.text(in.name, 22);
    w.u8(0);
    w.u16(1);   // one sample
    w.u32(40);  // sample header size
    w.zeros(96);  // every note uses sample 0
    const auto& points = in.envelope.points;
    if (points.size() > 12) throw std::runtime_error("too many envelope points in " + in.name);
    for (size_t i = 0; i < 12; ++i) {
        w.u16(i < points.size() ? points[i].first : 0);
        w.u16(i < points.size() ? points[i].second : 0);
    }
    w.zeros(48);  // no panning envelope
    w.u8(static_cast<unsigned>(points.size()));
    w.u8(0);
    w.u8(in.envelope.sustain >= 0 ? in.envelope.sustain : 0);
    w.zeros(5);  // volume loop, panning sustain and loop
    unsigned type = points.empty() ? 0 : 1;
    if (in.envelope.sustain >= 0) type |= 2;
    w.u8(type);
    w.u8(0);
    w.u8(0);  // sine vibrato
    w.u8(in.vibratoSweep);
    w.u8(in.vibratoDepth);
    w.u8(in.vibratoRate);
    w.u16(in.fadeout);
    w.zeros(263 - (w.size() - start));

    const Sample& s = in.sample;
    std::vector<int16_t> pcm(s.wave.size());
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(std::lround(std::clamp(s.wave[i], -1.0, 1.0) * 32767.0));
    const auto [relative, finetune] = tuning(s.rate);
    w.u32(static_cast<uint32_t>(pcm.size() * 2));
    w.u32(static_cast<uint32_t>(s.loopStart * 2));
    w.u32(static_cast<uint32_t>(s.loopLength * 2));
    w.u8(64);
    w.u8(static_cast<uint8_t>(static_cast<int8_t>(finetune)));
    w.u8(0x10 | (s.loopLength > 0 ? 1 : 0));  // 16-bit, forward loop if any
    w.u8(in.panning);
    w.u8(static_cast<uint8_t>(static_cast<int8_t>(relative)));
    w.u8(0);
    w.text(in.name, 22);
    int16_t previous = 0;
    for (int16_t v : pcm) {
        w.u16(static_cast<uint16_t>(static_cast<uint16_t>(v) - static_cast<uint16_t>(previous)));
        previous = v;
    }
}

std::vector<uint8_t> buildModule() {
    const Score score = arrange();
    const std::vector<Instrument> instruments = makeInstruments();
    Writer w;
    const int patterns = static_cast<int>(EVENT_SECONDS.size());
    writeHeader(w, score.channelCount(), patterns, static_cast<int>(instruments.size()));
    for (int p = 0; p < patterns; ++p) {
        const int first = EVENT_SECONDS[p] * ROWS_PER_SECOND;
        const int end = p + 1 < patterns ? EVENT_SECONDS[p + 1] * ROWS_PER_SECOND : SONG_ROWS;
        writePattern(w, score, first, end - first);
    }
    for (const Instrument& in : instruments) writeInstrument(w, in);
    return w.data();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: makemusic <output.xm>\n";
        return 2;
    }
    try {
        const std::vector<uint8_t> module = buildModule();
        std::ofstream out(argv[1], std::ios::binary);
        out.write(reinterpret_cast<const char*>(module.data()), static_cast<std::streamsize>(module.size()));
        if (!out) throw std::runtime_error(std::string("cannot write ") + argv[1]);
    } catch (const std::exception& e) {
        std::cerr << "makemusic: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
