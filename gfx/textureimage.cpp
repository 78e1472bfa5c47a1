#include "gfx/textureimage.h"

#include <algorithm>
#include <cmath>

#include "core/perlinnoise.h"
#include "math/precalcrandom.h"

namespace {

// Kinds 2-4 are computed in 80-bit extended precision; the integer conversions truncate.
const long double PI_L = 3.141592653589793238462643383279502884L;

int32_t cosineBlobs(int32_t i, int32_t j, int32_t n) {
    const int32_t quarter = n / 4;
    const long double a = std::sin(PI_L * 2 * (i - quarter) / n);
    const long double b = std::sin(PI_L * 2 * (j - quarter) / n);
    const int32_t v = static_cast<int32_t>((a + b) * 255 / 2);
    // The peak (255) wraps to black along with anything out of range.
    return (v > 254 || v < 0) ? 0 : v;
}

int32_t sineBlobs(int32_t i, int32_t j, int32_t n) {
    const long double a = std::sin(PI_L * 2 * i / n);
    const long double b = std::sin(PI_L * 2 * j / n);
    const int32_t v = static_cast<int32_t>((a + b) * 255 / 2);
    return std::min(v, 255);  // negative values are left to wrap in the byte
}

int32_t ramp(int32_t i, int32_t n) {
    const int32_t t = i < n / 2 ? i : n - i;
    const int32_t v = static_cast<int32_t>(static_cast<long double>(t) / n * 700.0L);
    return std::min(v, 255);
}

// Coordinates are divided in extended precision and handed over as floats.
float coordinate(int32_t index, long double divisor) {
    return static_cast<float>(index / divisor);
}

// (noise + 0.5) * 255 in single precision, truncated; no limit.
int32_t noiseByte(float value) {
    const float scaled = (value + 0.5f) * 255.0f;
    return static_cast<int32_t>(scaled);
}

int32_t fineNoise(int32_t i, int32_t j) {
    return noiseByte(noise(coordinate(i, 10.5857f), coordinate(j, 10.294f)));
}

int32_t coarseNoise(int32_t i, int32_t j) {
    return noiseByte(noise(coordinate(i, 252.273), coordinate(j, 251.34789)));
}

int32_t layeredNoise(int32_t i, int32_t j) {
    // The third coordinate of both 3-D lookups comes from the row index again.
    float t = noise(coordinate(i, 252.273), coordinate(j, 251.34789), coordinate(i, 151.17789));
    t = t + noise(coordinate(i, 152.273), coordinate(j, 151.34789));
    t = t - noise(coordinate(i, 552.273), coordinate(j, 551.34789));
    const float u = noise(coordinate(i, 52.273), coordinate(j, 51.34789), coordinate(i, 51.17789));
    const float s = static_cast<float>(std::sin(PI_L * t));
    const float w = noise(s, u);
    return noiseByte(w);
}

}  // namespace

std::vector<uint8_t> generateTextureImage(uint32_t kind, uint32_t size) {
    const int32_t n = static_cast<int32_t>(size);
    std::vector<uint8_t> data(static_cast<size_t>(size) * size * 3, 0);
    size_t at = 0;
    for (int32_t i = 0; i < n; ++i) {
        for (int32_t j = 0; j < n; ++j) {
            int32_t v;
            switch (kind) {
            case TEXTURE_RANDOM: v = static_cast<int32_t>(precalcRandom->next(256)); break;
            case TEXTURE_SINE_BLOBS: v = sineBlobs(i, j, n); break;
            case TEXTURE_RAMP: v = ramp(i, n); break;
            case TEXTURE_FINE_NOISE: v = fineNoise(i, j); break;
            case TEXTURE_COARSE_NOISE: v = coarseNoise(i, j); break;
            case TEXTURE_LAYERED_NOISE: v = layeredNoise(i, j); break;
            default: v = cosineBlobs(i, j, n); break;
            }
            const uint8_t byte = static_cast<uint8_t>(v);  // low 8 bits
            data[at++] = byte;
            data[at++] = byte;
            data[at++] = byte;
        }
    }
    if (kind == TEXTURE_COARSE_NOISE) levelsAutoBlack(data);
    return data;
}

uint32_t findSmallestNumber(const std::vector<uint8_t>& data) {
    if (data.empty()) return 256;
    return *std::min_element(data.begin(), data.end());
}

void shift(std::vector<uint8_t>& data, uint32_t amount) {
    for (uint8_t& byte : data) byte = static_cast<uint8_t>(byte + amount);
}

void levelsAutoBlack(std::vector<uint8_t>& data) {
    // Unsigned negation: for an empty array 256 becomes a shift by a multiple of 256.
    shift(data, 0u - findSmallestNumber(data));
}
