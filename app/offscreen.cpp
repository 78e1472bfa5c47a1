// The framebuffer functions are core since OpenGL 3.0 and exported by libGL.
#define GL_GLEXT_PROTOTYPES
#include "app/offscreen.h"

// Keeps Xlib out: the context needs no X display.
#define EGL_NO_X11
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "core/fatalerror.h"

namespace {

// Whether a space-separated extension list names `name`.
bool hasExtension(const char* list, const std::string& name)
{
    std::istringstream words(list ? list : "");
    std::string word;
    while (words >> word)
        if (word == name) return true;
    return false;
}

std::string glErrorName(GLenum error)
{
    switch (error) {
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_INVALID_FRAMEBUFFER_OPERATION: return "GL_INVALID_FRAMEBUFFER_OPERATION";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    case GL_CONTEXT_LOST: return "GL_CONTEXT_LOST (the context was lost)";
    default: {
        char text[32];
        std::snprintf(text, sizeof text, "GL error 0x%04x", error);
        return text;
    }
    }
}

std::string eglErrorText()
{
    char text[32];
    std::snprintf(text, sizeof text, "EGL error 0x%04X", unsigned(eglGetError()));
    return text;
}

std::string sizeText(uint32_t width, uint32_t height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

// An initialized display on a hardware device (EGL_EXT_device_enumeration), or EGL_NO_DISPLAY
// when there is none: Mesa's software device is left to the surfaceless platform.
EGLDisplay gpuDisplay()
{
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!hasExtension(clientExtensions, "EGL_EXT_device_enumeration") ||
        !hasExtension(clientExtensions, "EGL_EXT_platform_device"))
        return EGL_NO_DISPLAY;
    auto queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    auto queryDeviceString =
        reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(eglGetProcAddress("eglQueryDeviceStringEXT"));
    if (!queryDevices || !queryDeviceString) return EGL_NO_DISPLAY;
    EGLDeviceEXT devices[16];
    EGLint count = 0;
    if (!queryDevices(16, devices, &count)) return EGL_NO_DISPLAY;
    for (EGLint i = 0; i < count; ++i) {
        if (hasExtension(queryDeviceString(devices[i], EGL_EXTENSIONS), "EGL_MESA_device_software")) continue;
        EGLDisplay display = eglGetPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
        if (display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr)) return display;
    }
    return EGL_NO_DISPLAY;
}

} // namespace

OffscreenTarget::OffscreenTarget(uint32_t width, uint32_t height, uint32_t samples, bool fewerSamplesWillDo)
    : width(width), height(height), samples(samples)
{
    try {
        makeContext();
        checkLimits(fewerSamplesWillDo);
        makeFramebuffers();
    } catch (...) {
        release();
        throw;
    }
}

OffscreenTarget::~OffscreenTarget()
{
    release();
}

void OffscreenTarget::release()
{
    if (framebuffer) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        const GLuint framebuffers[] = {framebuffer, resolveFramebuffer};
        const GLuint renderbuffers[] = {colour, depth, resolveColour};
        glDeleteFramebuffers(2, framebuffers);
        glDeleteRenderbuffers(3, renderbuffers);
    }
    if (context) {
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display, context);
    }
    if (display) eglTerminate(display);
    eglReleaseThread();
    framebuffer = resolveFramebuffer = colour = depth = resolveColour = 0;
    context = display = nullptr;
}

void OffscreenTarget::makeContext()
{
    display = gpuDisplay();
    if (display == EGL_NO_DISPLAY) {
        display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) {
            const std::string reason = eglErrorText();
            display = nullptr;
            throw FatalError("Cannot render offscreen: EGL found neither a GPU nor Mesa's surfaceless platform (" +
                             reason + ")");
        }
    }
    if (!hasExtension(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context"))
        throw FatalError("Cannot render offscreen: this EGL cannot make a context current without a surface");
    if (!eglBindAPI(EGL_OPENGL_API))
        throw FatalError("Cannot render offscreen: this EGL offers no OpenGL (" + eglErrorText() + ")");
    // No surface is ever made, so any surface type will do.
    const EGLint attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, 0, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (!eglChooseConfig(display, attributes, &config, 1, &configs) || configs == 0)
        throw FatalError("Cannot render offscreen: EGL has no OpenGL configuration (" + eglErrorText() + ")");
    // No version asked for: the compatibility profile the fixed-function scene needs.
    context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) {
        context = nullptr;
        throw FatalError("Cannot render offscreen: no OpenGL context (" + eglErrorText() + ")");
    }
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context))
        throw FatalError("Cannot render offscreen: the OpenGL context cannot be made current (" + eglErrorText() +
                         ")");
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    glDescription = std::string(renderer ? renderer : "?") + " (OpenGL " + (version ? version : "?") + ")";
    if (!version || std::atoi(version) < 3)
        throw FatalError("Cannot render offscreen: framebuffer objects need OpenGL 3.0; " + glDescription +
                         " is older");
}

void OffscreenTarget::checkLimits(bool fewerSamplesWillDo)
{
    GLint renderbufferSize = 0, viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbufferSize);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    const uint32_t maxWidth = uint32_t(std::min(renderbufferSize, viewport[0]));
    const uint32_t maxHeight = uint32_t(std::min(renderbufferSize, viewport[1]));
    if (width > maxWidth || height > maxHeight)
        throw FatalError("Cannot render a video of " + sizeText(width, height) + " pixels: " + glDescription +
                         " renders at most " + sizeText(maxWidth, maxHeight));
    if (samples == 0) return;
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    if (samples > uint32_t(maxSamples) && fewerSamplesWillDo) samples = maxSamples >= 2 ? uint32_t(maxSamples) : 0;
    if (samples > uint32_t(maxSamples))
        throw FatalError("Cannot anti-alias with " + std::to_string(samples) + " samples: " + glDescription +
                         " offers at most " + std::to_string(maxSamples));
}

void OffscreenTarget::makeFramebuffers()
{
    auto storage = [&](GLuint& renderbuffer, GLenum format, uint32_t count) {
        glGenRenderbuffers(1, &renderbuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
        if (count) glRenderbufferStorageMultisample(GL_RENDERBUFFER, GLsizei(count), format, GLsizei(width), GLsizei(height));
        else glRenderbufferStorage(GL_RENDERBUFFER, format, GLsizei(width), GLsizei(height));
    };
    auto check = [&](const char* what) {
        const GLenum error = glGetError();
        const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
        if (error != GL_NO_ERROR || status != GL_FRAMEBUFFER_COMPLETE) {
            char codes[64];
            std::snprintf(codes, sizeof codes, "GL error 0x%04X, status 0x%04X", unsigned(error), unsigned(status));
            throw FatalError(std::string("Cannot make the ") + what + " framebuffer of " + sizeText(width, height) +
                             " pixels on " + glDescription + ": " + codes);
        }
    };

    // Depth as the window's: 24 bits.
    storage(colour, GL_RGBA8, samples);
    storage(depth, GL_DEPTH_COMPONENT24, samples);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    check(samples ? "multisampled" : "offscreen");
    // A window's pixels are stored top row first and its drivers rasterize with y flipped,
    // which moves edge pixels; drawing the framebuffer the same way gives the window's frames.
    GLint major = 0, minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    if (major > 4 || (major == 4 && minor >= 5)) {
        glClipControl(GL_UPPER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
        topRowFirst = true;
    }
    if (samples) {
        storage(resolveColour, GL_RGBA8, 0);
        glGenFramebuffers(1, &resolveFramebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, resolveFramebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, resolveColour);
        check("resolve");
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    }
}

std::vector<uint8_t> OffscreenTarget::readFrame()
{
    // Errors of the drawing are the scene's business, but not a frame drawn without memory or
    // without its context; every error of the readback is ours. Never a frame of zeros.
    for (GLenum e; (e = glGetError()) != GL_NO_ERROR;)
        if (e == GL_OUT_OF_MEMORY || e == GL_CONTEXT_LOST) throw FatalError("Drawing the frame failed: " + glErrorName(e) + " (" + glDescription + ").");
    const GLint w = GLint(width), h = GLint(height);
    std::vector<uint8_t> pixels(size_t(width) * height * 3);
    if (resolveFramebuffer) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolveFramebuffer);
        glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, resolveFramebuffer);
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    const GLenum error = glGetError();
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    if (error != GL_NO_ERROR)
        throw FatalError("Reading the frame back failed: " + glErrorName(error) + " (" + glDescription + ").");
    if (topRowFirst) {
        const size_t row = size_t(width) * 3;
        for (size_t top = 0, bottom = size_t(height) - 1; top < bottom; ++top, --bottom)
            std::swap_ranges(pixels.begin() + top * row, pixels.begin() + (top + 1) * row, pixels.begin() + bottom * row);
    }
    return pixels;
}
