#include "app/capture.h"

#include <GL/gl.h>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/window.h"
#include "core/datafiles.h"
#include "core/fatalerror.h"
#include "core/image.h"

uint32_t file_number = 0;

namespace {

const char* const RENDER_DIR = "./data/render";

void makeRenderDirectory()
{
    static bool made = false;
    if (made) return;
    std::error_code error;
    std::filesystem::create_directories(RENDER_DIR, error);
    if (error)
        throw FatalError(std::string("Cannot create the capture directory ") + RENDER_DIR + ": " + error.message());
    made = true;
}

} // namespace

std::vector<uint8_t> readView()
{
    const uint32_t w = current_view_width, h = current_view_height;
    std::vector<uint8_t> pixels(size_t(w) * h * 3);
    if (pixels.empty()) return pixels;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(GLint(current_view_x), GLint(current_view_y), GLsizei(w), GLsizei(h), GL_RGB,
                 GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

void writeScreenShot()
{
    const uint32_t w = current_view_width, h = current_view_height;
    if (w == 0 || h == 0) return;
    std::vector<uint8_t> pixels = readView();

    makeRenderDirectory();
    const std::string fileName = std::string(RENDER_DIR) + "/velmo" + std::to_string(file_number) + ".tga";
    Image image(dataFile("black_800_340.tga"));
    image.format = GL_RGB;
    image.imageBits = 24;
    image.imageWidth = w;
    image.imageHeight = h;
    image.imageSize = w * h;
    image.imageData = std::move(pixels);
    if (!image.writeTGA(fileName)) {
        // A frame cut short by a full disk would pass for a whole one. Only a file is removed:
        // what stood in the way (a directory of that name) is not ours.
        std::error_code ignored;
        if (std::filesystem::is_regular_file(fileName, ignored)) std::filesystem::remove(fileName, ignored);
        throw FatalError("Failed to write the captured frame " + fileName);
    }

    std::puts("writeScreenShot() increasing file_number++.");
    ++file_number;
}
