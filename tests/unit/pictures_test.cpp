// The pictures the build draws into ./data: valid 24-bit BMPs that SDL reads, power-of-two
// sides, bright art on black, the capture template, and the same bytes on every run.
#include <gtest/gtest.h>

#include <SDL.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/image.h"

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> BITMAPS = {"velmo.bmp", "quor_drell.bmp", "roska.bmp", "4s.bmp", "5s.bmp", "f.bmp"};
const std::string TEMPLATE = "black_800_340.tga";

std::vector<uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

bool powerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

// Runs the picture tool of this build into a fresh directory.
fs::path drawInto(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / ("velmo_pictures_" + std::to_string(::getpid()) + "_" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string command = "./makepictures " + dir.string();
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return dir;
}

}  // namespace

TEST(Pictures, BitmapsAreTwentyFourBitWithPowerOfTwoSides) {
    for (const std::string& name : BITMAPS) {
        const std::vector<uint8_t> file = readFile("./data/" + name);
        ASSERT_GE(file.size(), 54u) << name << " missing in ./data (run from the build directory)";
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[1], 'M');
        EXPECT_EQ(le32(file, 2), file.size()) << name;
        const int width = static_cast<int>(le32(file, 18)), height = static_cast<int>(le32(file, 22));
        EXPECT_TRUE(powerOfTwo(width)) << name << " width " << width;
        EXPECT_TRUE(powerOfTwo(height)) << name << " height " << height;
        EXPECT_EQ(file[28] | file[29] << 8, 24) << name;
        EXPECT_EQ(le32(file, 30), 0u) << name << " is compressed";
        const size_t row = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
        EXPECT_EQ(file.size(), le32(file, 10) + row * height) << name;
    }
}

TEST(Pictures, SdlReadsThemAsBrightArtOnBlack) {
    for (const std::string& name : BITMAPS) {
        SDL_Surface* surface = SDL_LoadBMP(("./data/" + name).c_str());
        ASSERT_NE(surface, nullptr) << name << ": " << SDL_GetError();
        EXPECT_EQ(surface->format->BitsPerPixel, 24) << name;
        size_t dark = 0, bright = 0;
        const auto* pixels = static_cast<const uint8_t*>(surface->pixels);
        for (int y = 0; y < surface->h; ++y) {
            for (int x = 0; x < surface->w; ++x) {
                const uint8_t* p = pixels + y * surface->pitch + x * 3;
                const int level = std::max({p[0], p[1], p[2]});
                dark += level < 16;
                bright += level > 160;
            }
        }
        const double total = static_cast<double>(surface->w) * surface->h;
        // Drawn additively: the background must be black, and there must be something to see.
        EXPECT_GT(dark / total, 0.35) << name;
        EXPECT_GT(bright / total, 0.01) << name;
        const uint8_t* corner = pixels;
        EXPECT_LT(std::max({corner[0], corner[1], corner[2]}), 16) << name << " top-left corner";
        SDL_FreeSurface(surface);
    }
}

TEST(Pictures, CaptureTemplateIsABlackTrueColourTga) {
    const std::vector<uint8_t> file = readFile("./data/" + TEMPLATE);
    ASSERT_EQ(file.size(), 18u + 800 * 340 * 3);
    EXPECT_EQ(file[0], 0);   // no image ID
    EXPECT_EQ(file[1], 0);   // no colour map
    EXPECT_EQ(file[2], 2);   // uncompressed true colour
    EXPECT_EQ(file[16], 24);
    Image image;
    ::testing::internal::CaptureStdout();
    const bool loaded = image.loadTGA("./data/" + TEMPLATE);
    ::testing::internal::GetCapturedStdout();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(image.imageWidth, 800u);
    EXPECT_EQ(image.imageHeight, 340u);
    EXPECT_EQ(image.imageData, std::vector<uint8_t>(800 * 340 * 3, 0));
}

TEST(Pictures, EveryRunDrawsTheSameBytes) {
    if (!fs::exists("./makepictures")) GTEST_SKIP() << "no ./makepictures in the working directory";
    const fs::path first = drawInto("a"), second = drawInto("b");
    for (const std::string& name : BITMAPS) {
        const auto a = readFile(first / name);
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_EQ(a, readFile(second / name)) << name;
        EXPECT_EQ(a, readFile("./data/" + name)) << name << " differs from the build's copy";
    }
    EXPECT_EQ(readFile(first / TEMPLATE), readFile(second / TEMPLATE));
    fs::remove_all(first);
    fs::remove_all(second);
}
