#pragma once
// The demo in whole 25-fps frames. Frame n is the picture a capture presents for demo time
// n × 40 ms; a stretch is the frames [first, end). Playing, capturing and exporting a stretch
// run the same passes as the whole demo and only draw and keep its frames.
#include <cstdint>

constexpr int64_t FRAME_NS = 40'000'000;
// Length of the demo in ns. Must equal the length of the shipped music (data/music.xm).
constexpr int64_t DEMO_LENGTH = 168'000'000'000;
constexpr uint32_t DEMO_FRAMES = uint32_t(DEMO_LENGTH / FRAME_NS);
// Frames between the key frames of an exported video: chunks are cut on these, so that their
// pieces join without re-encoding.
constexpr uint32_t GOP_FRAMES = 12;

struct Stretch {
    uint32_t first = 0;
    uint32_t end = DEMO_FRAMES;

    uint32_t frames() const { return end - first; }
    int64_t startNs() const { return int64_t(first) * FRAME_NS; }
    int64_t endNs() const { return int64_t(end) * FRAME_NS; }
    bool operator==(const Stretch& o) const { return first == o.first && end == o.end; }

    // How many chunks the stretch can be cut into: one key-frame interval each at least.
    uint32_t maxChunks() const { return (frames() + GOP_FRAMES - 1) / GOP_FRAMES; }
    // The index-th of `count` nearly equal chunks (0 ≤ index < count ≤ maxChunks()), each
    // starting a whole number of key-frame intervals after `first`.
    Stretch chunk(uint32_t index, uint32_t count) const;
};
