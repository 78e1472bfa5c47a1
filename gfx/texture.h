#pragma once
// One OpenGL 2-D texture with a full mipmap chain, made from a 24-bit BMP file or painted by
// one of the procedural generators (gfx/textureimage.h). Needs a current GL context; the
// texture lives as long as the context, it is never re-uploaded or deleted.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Texture {
public:
    // A bitmap that cannot be loaded prints one line naming the file and SDL's reason and
    // leaves id 0 (no texture); start-up goes on.
    explicit Texture(const std::string& fileName);
    // The bitmap of that name among the data files (core/datafiles.h). One found nowhere
    // prints a line naming every place looked for and fails as an unreadable bitmap does.
    static std::unique_ptr<Texture> fromDataFile(const std::string& name);
    // A generated 512 x 512 image of the given kind.
    explicit Texture(uint32_t kind);
    virtual ~Texture();

    virtual void apply() const;  // binds the texture to GL_TEXTURE_2D

    uint32_t id = 0;             // OpenGL texture name, 0 when there is none
    static uint32_t used_id;     // counts every texture creation, loaded, failed or generated
    // The line printed for each bitmap that could not be loaded, in order: an export, made to
    // be kept, refuses to go on without one.
    static std::vector<std::string> failures;

private:
    Texture() = default;
    void generator(uint32_t kind, uint32_t size);
    void loadGLTexture(const std::string& fileName);
    // Creates the texture object, sets the filters and uploads the mipmap chain.
    void upload(int width, int height, uint32_t format, const void* pixels);
};
