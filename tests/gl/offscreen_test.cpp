// The offscreen target's readback: what was drawn, or an error, never a frame of zeros.
#define GL_GLEXT_PROTOTYPES
#include "app/offscreen.h"

#include <GL/glext.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/fatalerror.h"

namespace {

TEST(OffscreenTarget, ReadsTheFrameOrFailsLoudly)
{
    OffscreenTarget target(64, 32, 0, true);
    glClearColor(1.0f, 0.5f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const std::vector<uint8_t> frame = target.readFrame();
    ASSERT_EQ(frame.size(), 64u * 32u * 3u);
    EXPECT_EQ(frame[0], 255);
    EXPECT_NEAR(frame[1], 128, 1);
    EXPECT_EQ(frame[2], 0);

    // A pack buffer too small for the frame: glReadPixels refuses to write it.
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
    glBufferData(GL_PIXEL_PACK_BUFFER, 16, nullptr, GL_STREAM_READ);
    try {
        target.readFrame();
        ADD_FAILURE() << "a failed readback was returned as a frame";
    } catch (const FatalError& e) {
        EXPECT_THAT(e.what(), ::testing::HasSubstr("Reading the frame back failed: GL_INVALID_OPERATION"));
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glDeleteBuffers(1, &buffer);
}

} // namespace
