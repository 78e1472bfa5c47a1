#pragma once
// The pixels of the procedural textures, computed without OpenGL so that they can be checked
// byte for byte. An image is size x size pixels, row-major, row i outer and first, three equal
// bytes (R, G, B) per pixel.
#include <cstdint>
#include <vector>

// Generator kinds; any other value paints the cosine blobs.
enum TextureKind : uint32_t {
    TEXTURE_RANDOM = 1,         // precalcRandom->next(256) per pixel, row-major
    TEXTURE_COSINE_BLOBS = 2,   // sines shifted by a quarter period; 255 wraps to 0
    TEXTURE_SINE_BLOBS = 3,     // negative values keep their low 8 bits
    TEXTURE_RAMP = 4,           // horizontal bright band, dark at top and bottom
    TEXTURE_FINE_NOISE = 5,
    TEXTURE_COARSE_NOISE = 6,   // levelled so that the darkest byte is 0
    TEXTURE_LAYERED_NOISE = 7,
};

// Kind 1 draws from the global precalcRandom, kinds 5-7 use the Perlin noise tables.
std::vector<uint8_t> generateTextureImage(uint32_t kind, uint32_t size);

// The smallest byte; 256 for an empty array.
uint32_t findSmallestNumber(const std::vector<uint8_t>& data);
// Adds amount to every byte, modulo 256.
void shift(std::vector<uint8_t>& data, uint32_t amount);
// Moves every byte down so that the darkest becomes 0 (an empty array stays empty).
void levelsAutoBlack(std::vector<uint8_t>& data);
