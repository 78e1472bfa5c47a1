// The player's optional video branch end to end: a small YUV4MPEG clip decoded next to the
// music, its frames handed over from the video sink's thread and uploaded into a GL texture.
// Needs the harness's display and sound device; plays ./data/music.xm.
#include "timeline/velmoplayer.h"

#include "app/settings.h"

#include <GL/gl.h>
#include <SDL.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

constexpr int W = 16;
constexpr int H = 8;

// BT.601 studio-range luma and chroma of pure red.
constexpr uint8_t RED_Y = 81;
constexpr uint8_t RED_U = 90;
constexpr uint8_t RED_V = 240;

// `frames` frames of solid red, 4:2:0 planes.
void writeRedClip(const std::string& fileName, int frames)
{
    std::ofstream out(fileName, std::ios::binary);
    out << "YUV4MPEG2 W" << W << " H" << H << " F25:1 Ip A1:1 C420jpeg\n";
    const std::string y(W * H, static_cast<char>(RED_Y));
    const std::string u(W * H / 4, static_cast<char>(RED_U));
    const std::string v(W * H / 4, static_cast<char>(RED_V));
    for (int i = 0; i < frames; ++i) {
        out << "FRAME\n" << y << u << v;
    }
}

class VideoBranchGL : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        gst_init(nullptr, nullptr);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_NE(SDL_SetVideoMode(64, 64, 0, SDL_OPENGL), nullptr) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_Quit(); }

    void SetUp() override
    {
        running = true;
        clip = std::string(P_tmpdir) + "/velmo-clip-" + std::to_string(getpid()) + ".y4m";
        writeRedClip(clip, 100);
    }

    void TearDown() override
    {
        player.reset();
        std::remove(clip.c_str());
        running = true;
    }

    std::vector<uint8_t> texels(int level)
    {
        glActiveTexture(player->textureUnit);
        glBindTexture(GL_TEXTURE_2D, player->videoTexture);
        GLint w = 0;
        GLint h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
        std::vector<uint8_t> data(static_cast<size_t>(w) * h * 4);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, data.data());
        return data;
    }

    std::string clip;
    std::unique_ptr<VelmoPlayer> player;
};

void expectRed(const std::vector<uint8_t>& rgba)
{
    ASSERT_FALSE(rgba.empty());
    for (size_t i = 0; i < rgba.size(); i += 4) {
        ASSERT_GE(rgba[i], 230) << "texel " << i / 4;
        ASSERT_LE(rgba[i + 1], 25) << "texel " << i / 4;
        ASSERT_LE(rgba[i + 2], 25) << "texel " << i / 4;
        ASSERT_EQ(rgba[i + 3], 255) << "texel " << i / 4;
    }
}

} // namespace

TEST_F(VideoBranchGL, DecodedFramesReachTheTextureAsRgba)
{
    player = std::make_unique<VelmoPlayer>("./data/music.xm", clip);
    ASSERT_TRUE(player->waitForPaused(10 * GST_SECOND).paused);
    player->play();

    // The preroll frame only tells the format; frames played after it are kept.
    bool kept = false;
    for (int i = 0; i < 100 && !kept; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const bool created = player->textureCreated;
        testing::internal::CaptureStdout();
        player->uploadTexture();
        const std::string out = testing::internal::GetCapturedStdout();
        kept = created && out.empty();
    }
    ASSERT_TRUE(kept) << "no video frame was handed over";
    EXPECT_EQ(player->videoWidth, W);
    EXPECT_EQ(player->videoHeight, H);
    EXPECT_DOUBLE_EQ(player->videoFps, 25.0);
    EXPECT_DOUBLE_EQ(player->videoAspectRatio, 2.0);
    ASSERT_TRUE(glIsTexture(player->videoTexture));

    const std::vector<uint8_t> level0 = texels(0);
    EXPECT_EQ(level0.size(), static_cast<size_t>(W * H * 4));
    expectRed(level0);
    expectRed(texels(1));   // the mipmap filter has levels to read
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(VideoBranchGL, TextureBeforeAnyKeptFrameSaysTheBufferIsNull)
{
    player = std::make_unique<VelmoPlayer>("./data/music.xm", "novideo");
    GstPad* pad = gst_pad_new(nullptr, GST_PAD_SINK);
    gst_pad_set_active(pad, TRUE);
    gst_pad_store_sticky_event(pad, gst_event_new_stream_start("video"));
    gst_pad_store_sticky_event(pad, gst_event_new_caps(gst_caps_new_simple(
        "video/x-raw", "format", G_TYPE_STRING, "RGBA", "width", G_TYPE_INT, W, "height",
        G_TYPE_INT, H, nullptr)));
    GstBuffer* first = gst_buffer_new_allocate(nullptr, W * H * 4, nullptr);
    player->handOffHandler(nullptr, first, pad);   // format only
    gst_buffer_unref(first);

    testing::internal::CaptureStdout();
    player->uploadTexture();   // creates the texture, uploads nothing
    player->uploadTexture();   // nothing kept yet
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "upload. Buffer is null.\n");
    EXPECT_TRUE(player->textureCreated);
    GLint width = 0;
    glActiveTexture(player->textureUnit);
    glBindTexture(GL_TEXTURE_2D, player->videoTexture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, W);
    gst_object_unref(pad);
}
