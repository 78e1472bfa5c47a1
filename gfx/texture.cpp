#include "gfx/texture.h"

#include <SDL.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>
#include <vector>

#include "core/datafiles.h"
#include "gfx/textureimage.h"

uint32_t Texture::used_id = 0;
std::vector<std::string> Texture::failures;

namespace {

void reportFailure(const std::string& reason) {
    std::cout << "Texture: " << reason << '\n';
    Texture::failures.push_back(reason);
}

uint32_t little(const uint8_t* bytes, int count) {
    uint32_t value = 0;
    for (int k = count - 1; k >= 0; --k) value = value * 256 + bytes[k];
    return value;
}

// SDL_LoadBMP allocates the surface the header announces before it reads a pixel, so a
// few bytes could cost gigabytes. Returns why the file cannot hold the pixel rows its
// header announces, or "" when they fit or SDL refuses the file by itself (not a BMP,
// compressed, cut inside the header).
std::string bitmapShortfall(const std::string& fileName) {
    uint8_t h[34] = {};
    std::ifstream in(fileName, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(h), sizeof h) || h[0] != 'B' || h[1] != 'M') return "";
    std::error_code error;
    const uintmax_t fileSize = std::filesystem::file_size(fileName, error);
    if (error) return "";

    const uint32_t pixelsAt = little(h + 10, 4);
    int64_t width, height;
    uint32_t bits, compression = 0;
    if (little(h + 14, 4) == 12) {  // the old OS/2 header: 16-bit sizes
        width = little(h + 18, 2);
        height = little(h + 20, 2);
        bits = little(h + 24, 2);
    } else {
        width = static_cast<int32_t>(little(h + 18, 4));
        height = static_cast<int32_t>(little(h + 22, 4));  // negative: rows top first
        bits = little(h + 28, 2);
        compression = little(h + 30, 4);
    }
    const uint32_t BI_RGB = 0, BI_BITFIELDS = 3;
    if (compression != BI_RGB && compression != BI_BITFIELDS) return "";

    // Rows are padded to whole 32-bit words.
    const uint64_t rowBytes = (static_cast<uint64_t>(std::llabs(width)) * bits + 31) / 32 * 4;
    const uint64_t rows = static_cast<uint64_t>(std::llabs(height));
    const uint64_t held = fileSize > pixelsAt ? fileSize - pixelsAt : 0;
    if (rowBytes == 0 || rows <= held / rowBytes) return "";  // divided: the product may overflow
    return "its header announces " + std::to_string(width) + " x " + std::to_string(height) + " pixels of " +
           std::to_string(bits) + " bits, the file holds " + std::to_string(held) + " bytes of pixels";
}

}  // namespace

Texture::Texture(const std::string& fileName) {
    loadGLTexture(fileName);
}

std::unique_ptr<Texture> Texture::fromDataFile(const std::string& name) {
    if (std::optional<std::string> path = findDataFile(name)) return std::make_unique<Texture>(*path);
    ++used_id;
    reportFailure(missingDataFileMessage(name));
    return std::unique_ptr<Texture>(new Texture());
}

Texture::Texture(uint32_t kind) {
    generator(kind, 512);
}

Texture::~Texture() = default;

void Texture::apply() const {
    glBindTexture(GL_TEXTURE_2D, id);
}

void Texture::generator(uint32_t kind, uint32_t size) {
    ++used_id;
    const std::vector<uint8_t> image = generateTextureImage(kind, size);
    upload(static_cast<int>(size), static_cast<int>(size), GL_RGB, image.data());
}

void Texture::loadGLTexture(const std::string& fileName) {
    ++used_id;
    const std::string shortfall = bitmapShortfall(fileName);
    if (!shortfall.empty()) {
        reportFailure("cannot load bitmap " + fileName + ": " + shortfall);
        return;
    }
    SDL_Surface* surface = SDL_LoadBMP(fileName.c_str());
    if (surface == nullptr) {
        reportFailure("cannot load bitmap " + fileName + ": " + SDL_GetError());
        return;
    }
    // The upload takes the rows as SDL keeps them: (B, G, R) bytes, each row padded to a
    // multiple of 4 bytes, which is OpenGL's default unpack alignment.
    if (surface->format->BitsPerPixel != 24) {
        reportFailure("bitmap " + fileName + " has " + std::to_string(surface->format->BitsPerPixel) +
                      " bits per pixel, not 24");
    } else {
        upload(surface->w, surface->h, GL_BGR, surface->pixels);
    }
    SDL_FreeSurface(surface);
}

void Texture::upload(int width, int height, uint32_t format, const void* pixels) {
    GLuint name = 0;
    glGenTextures(1, &name);
    id = name;
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, width, height, format, GL_UNSIGNED_BYTE, pixels);
}
