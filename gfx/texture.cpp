#include "gfx/texture.h"

#include <SDL.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <iostream>
#include <vector>

#include "core/datafiles.h"
#include "gfx/textureimage.h"

uint32_t Texture::used_id = 0;

Texture::Texture(const std::string& fileName) {
    loadGLTexture(fileName);
}

std::unique_ptr<Texture> Texture::fromDataFile(const std::string& name) {
    if (std::optional<std::string> path = findDataFile(name)) return std::make_unique<Texture>(*path);
    ++used_id;
    std::cout << "Texture: " << missingDataFileMessage(name) << '\n';
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
    SDL_Surface* surface = SDL_LoadBMP(fileName.c_str());
    if (surface == nullptr) {
        std::cout << "Texture: cannot load bitmap " << fileName << ": " << SDL_GetError() << '\n';
        return;
    }
    // The upload takes the rows as SDL keeps them: (B, G, R) bytes, each row padded to a
    // multiple of 4 bytes, which is OpenGL's default unpack alignment.
    if (surface->format->BitsPerPixel != 24) {
        std::cout << "Texture: bitmap " << fileName << " has "
                  << static_cast<int>(surface->format->BitsPerPixel) << " bits per pixel, not 24\n";
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
