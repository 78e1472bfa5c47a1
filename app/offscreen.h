#pragma once
// An OpenGL compatibility context without a window, for exports: EGL on a GPU's device platform
// where there is one, else on Mesa's surfaceless platform (llvmpipe), drawing into a framebuffer
// object of a fixed size. With samples the framebuffer is multisampled and each frame is
// resolved into a single-sampled one before it is read. Needs no X display.
#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <vector>

class OffscreenTarget {
public:
    // Makes the context current with the framebuffer bound for drawing. samples is 0 for one
    // sample per pixel, else 2, 4 or 8; with fewerSamplesWillDo the most the implementation
    // offers stands in for more. Throws FatalError when no context can be made, when
    // width × height is beyond the implementation's renderbuffer or viewport limits, when it
    // offers fewer samples (unless they will do), or when the framebuffer cannot be made
    // (memory); all before anything is drawn.
    OffscreenTarget(uint32_t width, uint32_t height, uint32_t samples, bool fewerSamplesWillDo);
    ~OffscreenTarget();
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;

    // The frame drawn so far as RGB bytes, rows packed, bottom row first; the framebuffer
    // stays bound for drawing. Throws FatalError when the drawing ran out of memory or lost
    // the context, and on any error of the readback.
    std::vector<uint8_t> readFrame();

    // Samples per pixel as drawn (0: one, no resolve).
    uint32_t sampleCount() const { return samples; }
    // "renderer (version)", for messages.
    const std::string& description() const { return glDescription; }

private:
    void makeContext();
    void checkLimits(bool fewerSamplesWillDo);
    void makeFramebuffers();
    void release();

    uint32_t width, height, samples;
    void* display = nullptr;   // EGLDisplay
    void* context = nullptr;   // EGLContext
    std::string glDescription;
    GLuint framebuffer = 0, colour = 0, depth = 0;
    GLuint resolveFramebuffer = 0, resolveColour = 0;   // with samples
    bool topRowFirst = false;                            // drawn upside down (clip control)
};
