#pragma once
// An uncompressed TGA picture in memory (true-colour 24/32 bits or grey-scale 8 bits): the
// header as read, the decoded size and depth, and the pixels. Pixels are kept bottom row first
// as in the file, as (R, G, B) or (R, G, B, A) bytes; the file stores them as (B, G, R[, A]).
// Every step reports on standard output. Used by the frame capture: load a template, put a
// frame's pixels in, write it under a new name.
#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class Image {
public:
    static constexpr size_t HEADER_SIZE = 18;
    // Larger pixel arrays are refused instead of allocated (16-bit sizes allow 17 GB).
    static constexpr size_t MAX_DATA_SIZE = size_t{1} << 28;

    Image();
    // Loads the file; one that cannot be opened or is refused throws FatalError naming it.
    explicit Image(const std::string& fileName);
    virtual ~Image();

    virtual void freeMemory();
    // Refuses colour-mapped, compressed and 16-bit files, and files shorter than their header
    // announces, before allocating (message, false). A file that cannot be opened throws
    // FatalError naming it.
    virtual bool loadTGA(const std::string& fileName);
    // Writes an uncompressed header for what is written (type 2, or 3 for 8 bits; the current
    // width, height and depth), the image-ID field and the pixels; imageData is left unchanged,
    // so writing twice gives identical files. False, with a line, and no file made, when the
    // depth is not 8, 24 or 32 or the pixels do not match the size; false, with a line naming
    // the file, when it cannot be created or fully written.
    virtual bool writeTGA(const std::string& fileName);
    virtual void swapBR();  // exchanges bytes 0 and 2 of every pixel (24 and 32 bits only)
    virtual void swapRG();  // exchanges bytes 0 and 1 of every pixel (24 and 32 bits only)
    virtual void clear(uint8_t value);
    // Tints every pixel that has none of its colour bytes at 255.
    virtual void colorize(uint8_t c0, uint8_t c1, uint8_t c2);
    virtual bool checkSize(int size) const;  // true for the powers of two 2 ... 512
    virtual void printHeader() const;

    uint32_t format = GL_RGB;  // GL_RGBA for 32 bits, GL_RGB for 24, GL_ALPHA for 8
    std::array<uint8_t, HEADER_SIZE> header{};  // file bytes 0 ... 17 as read
    std::vector<uint8_t> imageId;               // the image-ID field that header[0] announces
    std::vector<uint8_t> imageData;
    uint32_t imageWidth = 0;
    uint32_t imageHeight = 0;
    uint32_t imageBits = 0;
    uint32_t imageSize = 0;  // imageWidth * imageHeight pixels

private:
    // 4, 3 or 1 for 32, 24 or 8 bits; 0 for any other depth.
    uint32_t bytesPerPixel() const;
    // Header, image ID and pixels as they are in memory; false after reporting a failure.
    bool writeFile(const std::string& fileName) const;
    // Exchanges bytes a and b of every pixel held in imageData.
    void swapBytes(uint32_t a, uint32_t b);
    // Keeps the reason of a refused load for Image(fileName)'s error; returns false.
    bool refuse(const std::string& reason);

    std::string refusal_;
};
