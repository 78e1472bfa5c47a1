// Textures in a real OpenGL context: mipmapped uploads of generated and bitmap images, the
// pictures the build draws, a missing bitmap, and the creation counter.
#include <gtest/gtest.h>

#include <SDL.h>
#include <GL/gl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gfx/texture.h"
#include "gfx/textureimage.h"

namespace {

class TextureGL : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_NE(SDL_SetVideoMode(64, 64, 0, SDL_OPENGL), nullptr) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_Quit(); }

    static GLint levelParameter(const Texture& texture, GLint level, GLenum name) {
        texture.apply();
        GLint value = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
        return value;
    }

    // The level-0 texels in the given pixel format, rows packed without padding.
    static std::vector<uint8_t> texels(const Texture& texture, GLenum format) {
        texture.apply();
        const GLint w = levelParameter(texture, 0, GL_TEXTURE_WIDTH);
        const GLint h = levelParameter(texture, 0, GL_TEXTURE_HEIGHT);
        std::vector<uint8_t> data(static_cast<size_t>(w) * h * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, data.data());
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        return data;
    }

    // The pixels of a 24-bit BMP as SDL reads them, (B, G, R) rows without their padding.
    static std::vector<uint8_t> bitmapPixels(const std::string& fileName, int& w, int& h) {
        SDL_Surface* surface = SDL_LoadBMP(fileName.c_str());
        if (surface == nullptr) return {};
        w = surface->w;
        h = surface->h;
        std::vector<uint8_t> data;
        const auto* bytes = static_cast<const uint8_t*>(surface->pixels);
        for (int row = 0; row < h; ++row)
            data.insert(data.end(), bytes + row * surface->pitch, bytes + row * surface->pitch + w * 3);
        SDL_FreeSurface(surface);
        return data;
    }
};

}  // namespace

TEST_F(TextureGL, GeneratedTextureHasAFullMipmapChain) {
    const Texture texture(TEXTURE_RAMP);
    ASSERT_NE(texture.id, 0u);
    EXPECT_EQ(levelParameter(texture, 0, GL_TEXTURE_WIDTH), 512);
    EXPECT_EQ(levelParameter(texture, 0, GL_TEXTURE_HEIGHT), 512);
    EXPECT_EQ(levelParameter(texture, 1, GL_TEXTURE_WIDTH), 256);
    EXPECT_EQ(levelParameter(texture, 9, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(levelParameter(texture, 9, GL_TEXTURE_HEIGHT), 1);
    GLint minFilter = 0, magFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_NEAREST);
    EXPECT_EQ(magFilter, GL_LINEAR);
}

TEST_F(TextureGL, GeneratedTextureHoldsTheGeneratedImage) {
    const Texture texture(TEXTURE_SINE_BLOBS);
    EXPECT_EQ(texels(texture, GL_RGB), generateTextureImage(TEXTURE_SINE_BLOBS, 512));
}

TEST_F(TextureGL, ApplyBindsTheTexture) {
    const Texture first(TEXTURE_COSINE_BLOBS);
    const Texture second(TEXTURE_RAMP);
    ASSERT_NE(first.id, second.id);
    GLint bound = 0;
    first.apply();
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<uint32_t>(bound), first.id);
    second.apply();
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<uint32_t>(bound), second.id);
}

TEST_F(TextureGL, BitmapRowsArriveUnpadded) {
    // 2 x 2 at 3 bytes per pixel: SDL pads each 6-byte row to 8 bytes.
    SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 2, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    ASSERT_NE(surface, nullptr);
    ASSERT_EQ(surface->pitch, 8);
    const uint8_t bgr[2][6] = {{10, 20, 30, 40, 50, 60}, {70, 80, 90, 100, 110, 120}};
    for (int row = 0; row < 2; ++row)
        std::copy(bgr[row], bgr[row] + 6, static_cast<uint8_t*>(surface->pixels) + row * surface->pitch);
    const std::string file = "texture_test_small.bmp";
    ASSERT_EQ(SDL_SaveBMP(surface, file.c_str()), 0) << SDL_GetError();
    SDL_FreeSurface(surface);

    const Texture texture(file);
    std::remove(file.c_str());
    ASSERT_NE(texture.id, 0u);
    EXPECT_EQ(texels(texture, GL_RGB), (std::vector<uint8_t>{30, 20, 10, 60, 50, 40, 90, 80, 70, 120, 110, 100}));
}

TEST_F(TextureGL, BitmapOfAnotherDepthIsRefused) {
    // A palette bitmap would be read as (B, G, R) bytes and upload garbage.
    SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 8, 0, 0, 0, 0);
    ASSERT_NE(surface, nullptr);
    const std::string file = "texture_test_palette.bmp";
    ASSERT_EQ(SDL_SaveBMP(surface, file.c_str()), 0) << SDL_GetError();
    SDL_FreeSurface(surface);

    ::testing::internal::CaptureStdout();
    const Texture texture(file);
    const std::string out = ::testing::internal::GetCapturedStdout();
    std::remove(file.c_str());
    EXPECT_EQ(texture.id, 0u);
    EXPECT_NE(out.find(file), std::string::npos) << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line expected: " << out;
}

TEST_F(TextureGL, BitmapAnnouncingMoreThanItHoldsIsRefusedBeforeLoading) {
    // A 2 x 2 bitmap whose header is changed to announce 30000 x 30000 pixels (2.7 GB).
    SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 2, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    ASSERT_NE(surface, nullptr);
    const std::string file = "texture_test_claim.bmp";
    ASSERT_EQ(SDL_SaveBMP(surface, file.c_str()), 0) << SDL_GetError();
    SDL_FreeSurface(surface);
    std::FILE* f = std::fopen(file.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    const uint8_t size[8] = {0x30, 0x75, 0, 0, 0x30, 0x75, 0, 0};
    std::fseek(f, 18, SEEK_SET);
    std::fwrite(size, 1, sizeof size, f);
    std::fclose(f);

    ::testing::internal::CaptureStdout();
    const Texture texture(file);
    const std::string out = ::testing::internal::GetCapturedStdout();
    std::remove(file.c_str());
    EXPECT_EQ(texture.id, 0u);
    EXPECT_NE(out.find(file + ": its header announces 30000 x 30000 pixels"), std::string::npos) << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line expected: " << out;
}

TEST_F(TextureGL, DemoPicturesLoadWithTheirPixels) {
    for (const char* name : {"velmo.bmp", "quor_drell.bmp", "roska.bmp", "4s.bmp", "5s.bmp", "f.bmp"}) {
        const std::string file = std::string("./data/") + name;
        int w = 0, h = 0;
        const std::vector<uint8_t> pixels = bitmapPixels(file, w, h);
        ASSERT_FALSE(pixels.empty()) << file << " does not load: " << SDL_GetError();
        EXPECT_EQ(w & (w - 1), 0) << file << " width " << w;
        EXPECT_EQ(h & (h - 1), 0) << file << " height " << h;

        ::testing::internal::CaptureStdout();
        const Texture texture(file);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
        ASSERT_NE(texture.id, 0u) << file;
        EXPECT_EQ(levelParameter(texture, 0, GL_TEXTURE_WIDTH), w) << file;
        EXPECT_EQ(levelParameter(texture, 0, GL_TEXTURE_HEIGHT), h) << file;
        EXPECT_EQ(texels(texture, GL_BGR), pixels) << file;
    }
}

TEST_F(TextureGL, MissingBitmapLeavesNoTextureAndSaysWhy) {
    ::testing::internal::CaptureStdout();
    const Texture texture("./data/no_such_picture.bmp");
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(texture.id, 0u);
    EXPECT_NE(out.find("./data/no_such_picture.bmp"), std::string::npos) << out;
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line expected: " << out;
}

TEST_F(TextureGL, EveryCreationCountsOnce) {
    const uint32_t before = Texture::used_id;
    const Texture generated(TEXTURE_RAMP);
    EXPECT_EQ(Texture::used_id, before + 1);
    ::testing::internal::CaptureStdout();
    const Texture failed("./data/no_such_picture.bmp");
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(Texture::used_id, before + 2);
    const Texture loaded("./data/roska.bmp");
    EXPECT_EQ(Texture::used_id, before + 3);

    // The failed one owns no texture name, so it cannot alias its neighbours.
    EXPECT_EQ(failed.id, 0u);
    EXPECT_NE(generated.id, 0u);
    EXPECT_NE(loaded.id, 0u);
    EXPECT_NE(generated.id, loaded.id);
}
