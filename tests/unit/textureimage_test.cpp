// Generated texture images against the formulas, recomputed here pixel by pixel.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/perlinnoise.h"
#include "gfx/textureimage.h"
#include "math/precalcrandom.h"

namespace {

constexpr uint32_t N = 512;
const long double PI = std::acos(-1.0L);

uint8_t pixel(const std::vector<uint8_t>& image, uint32_t size, uint32_t row, uint32_t col) {
    return image[(static_cast<size_t>(row) * size + col) * 3];
}

// A grey image built from a per-pixel value; the byte keeps the value's low 8 bits.
std::vector<uint8_t> greyImage(uint32_t size, const std::function<int64_t(int64_t, int64_t)>& value) {
    std::vector<uint8_t> image;
    image.reserve(static_cast<size_t>(size) * size * 3);
    for (int64_t row = 0; row < size; ++row) {
        for (int64_t col = 0; col < size; ++col) {
            const int64_t v = value(row, col);
            const uint8_t byte = static_cast<uint8_t>(((v % 256) + 256) % 256);
            image.insert(image.end(), {byte, byte, byte});
        }
    }
    return image;
}

// Half-period sine sum in extended precision: sin(pi * a / h) + sin(pi * b / h), h = n / 2.
long double sineSum(int64_t a, int64_t b, uint32_t n) {
    const long double half = n / 2;
    return std::sin(PI * a / half) + std::sin(PI * b / half);
}

int64_t cosineBlobsValue(int64_t row, int64_t col, uint32_t n) {
    const int64_t v = std::trunc(sineSum(row - n / 4, col - n / 4, n) * 127.5L);
    return (v >= 255 || v < 0) ? 0 : v;
}

int64_t sineBlobsValue(int64_t row, int64_t col, uint32_t n) {
    const int64_t v = std::trunc(sineSum(row, col, n) * 127.5L);
    return v > 255 ? 255 : v;
}

int64_t rampValue(int64_t row, uint32_t n) {
    const int64_t distance = row < n / 2 ? row : n - row;
    const int64_t v = std::trunc(700.0L * (static_cast<long double>(distance) / n));
    return v > 255 ? 255 : v;
}

// The noise kinds: coordinates divided in extended precision, rounded to float.
float at(int64_t index, long double divisor) {
    return static_cast<float>(static_cast<long double>(index) / divisor);
}

int64_t noiseValue(float n) {
    const float v = (n + 0.5f) * 255.0f;
    return static_cast<int64_t>(std::trunc(v));
}

class NoiseImage : public ::testing::Test {
protected:
    void SetUp() override { reseed(2); }
};

}  // namespace

TEST(TextureImage, SizeAndGreyPixels) {
    const std::vector<uint8_t> image = generateTextureImage(TEXTURE_SINE_BLOBS, 16);
    ASSERT_EQ(image.size(), 16u * 16u * 3u);
    for (size_t p = 0; p < image.size(); p += 3) {
        EXPECT_EQ(image[p], image[p + 1]);
        EXPECT_EQ(image[p], image[p + 2]);
    }
}

TEST(TextureImage, CosineBlobsMatchFormula) {
    const auto image = generateTextureImage(TEXTURE_COSINE_BLOBS, N);
    EXPECT_EQ(image, greyImage(N, [](int64_t r, int64_t c) { return cosineBlobsValue(r, c, N); }));
}

TEST(TextureImage, CosineBlobsPeakWrapsToBlack) {
    const auto image = generateTextureImage(TEXTURE_COSINE_BLOBS, N);
    EXPECT_EQ(pixel(image, N, 256, 256), 0);
    EXPECT_EQ(pixel(image, N, 255, 256), 254);
    EXPECT_EQ(pixel(image, N, 257, 256), 254);
    EXPECT_EQ(pixel(image, N, 256, 255), 254);
    EXPECT_EQ(pixel(image, N, 256, 257), 254);
    // Both sines at -1: far below zero, limited to black.
    EXPECT_EQ(pixel(image, N, 0, 0), 0);
}

TEST(TextureImage, UnknownKindsPaintCosineBlobs) {
    const auto blobs = generateTextureImage(TEXTURE_COSINE_BLOBS, 64);
    EXPECT_EQ(generateTextureImage(0, 64), blobs);
    EXPECT_EQ(generateTextureImage(8, 64), blobs);
    EXPECT_EQ(generateTextureImage(1000, 64), blobs);
}

TEST(TextureImage, SineBlobsMatchFormula) {
    const auto image = generateTextureImage(TEXTURE_SINE_BLOBS, N);
    EXPECT_EQ(image, greyImage(N, [](int64_t r, int64_t c) { return sineBlobsValue(r, c, N); }));
}

TEST(TextureImage, SineBlobsNegativeValuesWrap) {
    const auto image = generateTextureImage(TEXTURE_SINE_BLOBS, N);
    EXPECT_EQ(pixel(image, N, 384, 384), 1);    // -255
    EXPECT_EQ(pixel(image, N, 128, 128), 255);  // the peak is kept
    EXPECT_EQ(pixel(image, N, 128, 384), 0);    // 1 + (-1)
    EXPECT_EQ(pixel(image, N, 0, 384), 129);    // -127.5 truncates to -127
}

TEST(TextureImage, RampRows) {
    const auto image = generateTextureImage(TEXTURE_RAMP, N);
    EXPECT_EQ(image, greyImage(N, [](int64_t r, int64_t) { return rampValue(r, N); }));
    EXPECT_EQ(pixel(image, N, 0, 0), 0);
    EXPECT_EQ(pixel(image, N, 100, 7), 136);
    EXPECT_EQ(pixel(image, N, 186, 0), 254);
    for (uint32_t row = 187; row <= 325; ++row) EXPECT_EQ(pixel(image, N, row, 300), 255) << row;
    EXPECT_EQ(pixel(image, N, 326, 0), 254);
    EXPECT_EQ(pixel(image, N, 511, 511), 1);
}

TEST(TextureImage, RampOfOddSizeHalvesByInteger) {
    const uint32_t n = 7;  // n / 2 = 3: rows 0 1 2 rise, rows 3 ... 6 count down from 4
    const auto image = generateTextureImage(TEXTURE_RAMP, n);
    EXPECT_EQ(image, greyImage(n, [](int64_t r, int64_t) { return rampValue(r, n); }));
    EXPECT_EQ(pixel(image, n, 3, 0), 255);  // 4 / 7 * 700 = 400, limited
    EXPECT_EQ(pixel(image, n, 1, 0), 100);
}

TEST(TextureImage, RandomReadsTheSharedTablesInRowMajorOrder) {
    auto tables = std::make_unique<PrecalcRandom>();
    auto expected = std::make_unique<PrecalcRandom>(*tables);
    tables->cursor = 9990;  // the image must run across the wrap of the tables
    expected->cursor = 9990;
    precalcRandom = tables.get();
    const auto image = generateTextureImage(TEXTURE_RANDOM, 8);
    precalcRandom = nullptr;
    EXPECT_EQ(image, greyImage(8, [&](int64_t, int64_t) { return expected->next(256); }));
    EXPECT_EQ(tables->cursor, expected->cursor);
}

TEST_F(NoiseImage, FineNoiseMatchesFormula) {
    const auto image = generateTextureImage(TEXTURE_FINE_NOISE, N);
    EXPECT_EQ(image, greyImage(N, [](int64_t r, int64_t c) {
        return noiseValue(noise(at(r, 10.5857f), at(c, 10.294f)));
    }));
}

TEST_F(NoiseImage, CoarseNoiseIsLevelledToBlack) {
    std::vector<int64_t> raw;
    for (int64_t r = 0; r < N; ++r)
        for (int64_t c = 0; c < N; ++c)
            raw.push_back(noiseValue(noise(at(r, 252.273), at(c, 251.34789))) & 0xFF);
    int64_t darkest = 255;
    for (int64_t v : raw) darkest = std::min(darkest, v);
    ASSERT_GT(darkest, 0);  // otherwise the levelling would not be exercised

    const auto image = generateTextureImage(TEXTURE_COARSE_NOISE, N);
    EXPECT_EQ(image, greyImage(N, [&](int64_t r, int64_t c) { return raw[r * N + c] - darkest; }));
}

TEST_F(NoiseImage, LayeredNoiseMatchesFormula) {
    const auto image = generateTextureImage(TEXTURE_LAYERED_NOISE, N);
    EXPECT_EQ(image, greyImage(N, [](int64_t r, int64_t c) {
        float t = noise(at(r, 252.273), at(c, 251.34789), at(r, 151.17789));
        t += noise(at(r, 152.273), at(c, 151.34789));
        t -= noise(at(r, 552.273), at(c, 551.34789));
        const float u = noise(at(r, 52.273), at(c, 51.34789), at(r, 51.17789));
        const float s = static_cast<float>(std::sin(PI * static_cast<long double>(t)));
        return noiseValue(noise(s, u));
    }));
}

TEST(TextureLevels, FindSmallestNumber) {
    EXPECT_EQ(findSmallestNumber({}), 256u);
    EXPECT_EQ(findSmallestNumber({200, 17, 255, 18}), 17u);
    EXPECT_EQ(findSmallestNumber({0, 255}), 0u);
    EXPECT_EQ(findSmallestNumber({255}), 255u);
}

TEST(TextureLevels, ShiftWrapsModulo256) {
    std::vector<uint8_t> data{10, 0, 255, 6};
    shift(data, 250);
    EXPECT_EQ(data, (std::vector<uint8_t>{4, 250, 249, 0}));
    shift(data, 256 * 3 + 1);  // whole turns change nothing
    EXPECT_EQ(data, (std::vector<uint8_t>{5, 251, 250, 1}));
}

TEST(TextureLevels, LevelsAutoBlack) {
    std::vector<uint8_t> empty;
    levelsAutoBlack(empty);
    EXPECT_TRUE(empty.empty());

    std::vector<uint8_t> data{40, 90, 255, 41};
    levelsAutoBlack(data);
    EXPECT_EQ(data, (std::vector<uint8_t>{0, 50, 215, 1}));

    std::vector<uint8_t> black{0, 3, 0};
    levelsAutoBlack(black);
    EXPECT_EQ(black, (std::vector<uint8_t>{0, 3, 0}));
}
