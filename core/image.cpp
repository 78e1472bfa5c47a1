#include "core/image.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

#include "core/fatalerror.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Header fields (all multi-byte values little-endian).
constexpr size_t ID_LENGTH = 0;
constexpr size_t COLOUR_MAP_TYPE = 1;
constexpr size_t IMAGE_TYPE = 2;
constexpr size_t COLOUR_MAP_SPEC = 3;
constexpr size_t COLOUR_MAP_SPEC_SIZE = 5;
constexpr size_t WIDTH = 12;
constexpr size_t HEIGHT = 14;
constexpr size_t BITS = 16;
constexpr size_t DESCRIPTOR = 17;

constexpr uint8_t TRUE_COLOUR = 2;
constexpr uint8_t GREY_SCALE = 3;

// Both guard against a null data() of an empty vector, which fread and fwrite must not get.
size_t readInto(std::vector<uint8_t>& bytes, std::FILE* file) {
    return bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file);
}

bool writeAll(const std::vector<uint8_t>& bytes, std::FILE* file) {
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

// Bytes from the current position to the end; the position is kept.
size_t bytesLeft(std::FILE* file) {
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return 0;
    const long end = std::ftell(file);
    std::fseek(file, here, SEEK_SET);
    return end > here ? static_cast<size_t>(end - here) : 0;
}

uint32_t read16(const std::array<uint8_t, Image::HEADER_SIZE>& h, size_t at) {
    return h[at] + 256u * h[at + 1];
}

void write16(std::array<uint8_t, Image::HEADER_SIZE>& h, size_t at, uint32_t value) {
    h[at] = static_cast<uint8_t>(value & 0xFF);
    h[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

}  // namespace

Image::Image() = default;

Image::Image(const std::string& fileName) {
    if (!loadTGA(fileName)) throw FatalError("Cannot use the TGA file " + fileName + ": " + refusal_);
}

Image::~Image() {
    freeMemory();
}

// The pixels are a vector that frees itself; kept as the class's release hook.
void Image::freeMemory() {}

uint32_t Image::bytesPerPixel() const {
    switch (imageBits) {
    case 32: return 4;
    case 24: return 3;
    case 8: return 1;
    default: return 0;
    }
}

bool Image::loadTGA(const std::string& fileName) {
    std::cout << "Image.loadTGA:" << fileName;
    File file(std::fopen(fileName.c_str(), "rb"));
    if (!file) {
        const std::string reason = std::strerror(errno);
        std::cout << '\n';
        throw FatalError("Cannot open TGA file " + fileName + ": " + reason);
    }

    // A file shorter than the header leaves the rest of it at 0, which no type accepts.
    header.fill(0);
    std::fread(header.data(), 1, HEADER_SIZE, file.get());
    printHeader();

    if (header[COLOUR_MAP_TYPE] != 0 ||
        (header[IMAGE_TYPE] != TRUE_COLOUR && header[IMAGE_TYPE] != GREY_SCALE)) {
        std::cout << "TGA_BAD_IMAGE_TYPE: " << fileName << '\n';
        return refuse("not an uncompressed true-colour or grey-scale TGA");
    }

    imageWidth = read16(header, WIDTH);
    imageHeight = read16(header, HEIGHT);
    imageBits = header[BITS];
    imageSize = imageWidth * imageHeight;
    std::cout << "image width: " << imageWidth << " height: " << imageHeight << '\n';

    const uint32_t bpp = bytesPerPixel();
    if (bpp == 0) {
        std::cout << "TGA_BAD_OR_UNSUPPORTED_BITS: " << fileName << " has " << imageBits
                  << " bits" << '\n';
        return refuse(std::to_string(imageBits) + " bits per pixel (8, 24 or 32 expected)");
    }
    std::cout << "image bits: " << imageBits << '\n';

    const size_t dataSize = static_cast<size_t>(imageSize) * bpp;
    if (dataSize > MAX_DATA_SIZE) {
        std::cout << "TGA_TOO_LARGE: " << fileName << " needs " << dataSize << " bytes" << '\n';
        return refuse(std::to_string(dataSize) + " bytes of pixels is too large");
    }
    // Nothing is allocated for pixels the file does not hold: a few bytes of header must not
    // cost hundreds of megabytes.
    const size_t held = bytesLeft(file.get());
    const size_t wanted = header[ID_LENGTH] + dataSize;
    if (held < wanted) {
        std::cout << "TGA_TRUNCATED: " << fileName << " holds " << held << " of the " << wanted
                  << " bytes its header announces" << '\n';
        return refuse("holds " + std::to_string(held) + " of the " + std::to_string(wanted) +
                      " bytes its header announces");
    }

    imageId.assign(header[ID_LENGTH], 0);
    readInto(imageId, file.get());
    imageData.assign(dataSize, 0);
    readInto(imageData, file.get());

    switch (imageBits) {
    case 32: format = GL_RGBA; swapBR(); break;
    case 24: format = GL_RGB; swapBR(); break;
    default: format = GL_ALPHA; break;
    }
    refusal_.clear();
    return true;
}

bool Image::refuse(const std::string& reason) {
    refusal_ = reason;
    return false;
}

bool Image::writeTGA(const std::string& fileName) {
    if (imageData.empty()) {
        std::cout << "No data : imagedata is empty." << '\n';
        return false;
    }
    // Checked before the file is created, so a refused image leaves no unreadable file.
    const uint32_t bpp = bytesPerPixel();
    if (bpp == 0) {
        std::cout << "file not saved - wrong imageBits:" << imageBits << '\n';
        return false;
    }
    if (imageWidth > 0xFFFF || imageHeight > 0xFFFF ||
        imageData.size() != static_cast<size_t>(imageWidth) * imageHeight * bpp) {
        std::cout << "writeTGA: " << fileName << " not written: " << imageData.size()
                  << " bytes of pixels do not make " << imageWidth << " x " << imageHeight
                  << " at " << imageBits << " bits" << '\n';
        return false;
    }

    // The file wants (B, G, R): swap for the write and back afterwards.
    if (bpp > 1) swapBR();
    const bool written = writeFile(fileName);
    if (bpp > 1) swapBR();
    if (written) std::cout << "...file writing succeeded" << '\n';
    return written;
}

bool Image::writeFile(const std::string& fileName) const {
    File file(std::fopen(fileName.c_str(), "wb"));
    if (!file) {
        std::cout << "writeTGA: cannot create " << fileName << ": " << std::strerror(errno) << '\n';
        return false;
    }

    // The header may come from a template of another size (capture in full screen), or from
    // no file at all: what describes the pixels is set from them, the rest is kept.
    std::array<uint8_t, HEADER_SIZE> out = header;
    out[ID_LENGTH] = static_cast<uint8_t>(imageId.size());
    out[COLOUR_MAP_TYPE] = 0;
    out[IMAGE_TYPE] = imageBits == 8 ? GREY_SCALE : TRUE_COLOUR;
    std::fill(out.begin() + COLOUR_MAP_SPEC, out.begin() + COLOUR_MAP_SPEC + COLOUR_MAP_SPEC_SIZE, 0);
    write16(out, WIDTH, imageWidth);
    write16(out, HEIGHT, imageHeight);
    out[BITS] = static_cast<uint8_t>(imageBits);
    // Alpha bits are 8 for 32-bit pixels, none otherwise; the origin bits are kept.
    out[DESCRIPTOR] = static_cast<uint8_t>((out[DESCRIPTOR] & 0xF0) | (imageBits == 32 ? 8 : 0));

    const bool written = std::fwrite(out.data(), 1, out.size(), file.get()) == out.size() &&
                         writeAll(imageId, file.get()) && writeAll(imageData, file.get());
    // Buffered bytes only reach the disk here: a full disk shows up on closing.
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed) {
        std::cout << "writeTGA: cannot write " << fileName << ": " << std::strerror(errno) << '\n';
        return false;
    }
    return true;
}

void Image::swapBytes(uint32_t a, uint32_t b) {
    const uint32_t bpp = bytesPerPixel();
    if (bpp < 3) {
        std::cout << "can't swap one channel TGA" << '\n';
        return;
    }
    const size_t pixels = std::min<size_t>(imageSize, imageData.size() / bpp);
    for (size_t p = 0; p < pixels; ++p) {
        std::swap(imageData[p * bpp + a], imageData[p * bpp + b]);
    }
}

void Image::swapBR() {
    swapBytes(0, 2);
}

void Image::swapRG() {
    swapBytes(0, 1);
}

void Image::clear(uint8_t value) {
    if (imageData.empty()) {
        std::cout << "TGAbadData in this Image for clear() -- imageData empty" << '\n';
        return;
    }
    const uint32_t bpp = bytesPerPixel();
    if (bpp == 0) {
        std::cout << "TGA_Bad imagebits: " << imageBits << '\n';
        return;
    }
    const size_t bytes = std::min<size_t>(static_cast<size_t>(imageSize) * bpp, imageData.size());
    std::fill_n(imageData.begin(), bytes, value);
}

void Image::colorize(uint8_t c0, uint8_t c1, uint8_t c2) {
    if (imageData.empty()) {
        std::cout << "TGAbadData in this Image for Colorize -- imageData empty" << '\n';
        return;
    }
    const uint32_t bpp = bytesPerPixel();
    if (bpp == 1) {
        std::cout << "can't colorize 8 bit - one color channel images" << '\n';
        return;
    }
    if (bpp == 0) {
        std::cout << "TGA_Bad imagebits: " << imageBits << '\n';
        return;
    }
    const size_t pixels = std::min<size_t>(imageSize, imageData.size() / bpp);
    for (size_t p = 0; p < pixels; ++p) {
        uint8_t* px = &imageData[p * bpp];
        if (px[0] != 255 && px[1] != 255 && px[2] != 255) {
            px[0] = c0;
            px[1] = c1;
            px[2] = c2;
        }
    }
}

bool Image::checkSize(int size) const {
    for (int side = 2; side <= 512; side *= 2) {
        if (size == side) return true;
    }
    return false;
}

void Image::printHeader() const {
    std::cout << "TGA header: ";
    for (uint8_t byte : header) std::cout << static_cast<int>(byte) << ' ';
    std::cout << '\n';
}
