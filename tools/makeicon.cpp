// Makes the desktop icon from the logo picture: a square PNG whose transparency follows the
// logo's brightness, so its gold lettering on black sits on any panel or menu colour.
//
//   makeicon <logo.bmp> <size> <icon.png>
//
// Reads the uncompressed 24-bit BMP that makepictures writes; each icon pixel is the average
// of the logo pixels it covers.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Bitmap {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // rows top first
};

uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

bool readBmp(const std::string& fileName, Bitmap& bitmap) {
    std::ifstream in(fileName, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M' || file[28] != 24 || get32(file, 30) != 0) return false;
    const uint32_t offset = get32(file, 10);
    const int32_t width = int32_t(get32(file, 18)), height = int32_t(get32(file, 22));
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return false;
    const size_t rowBytes = (size_t(width) * 3 + 3) / 4 * 4;
    if (offset + rowBytes * size_t(height) > file.size()) return false;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.rgb.resize(size_t(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = &file[offset + rowBytes * size_t(height - 1 - y)];  // bottom row first
        for (int x = 0; x < width; ++x) {
            uint8_t* out = &bitmap.rgb[(size_t(y) * width + x) * 3];
            out[0] = row[x * 3 + 2];
            out[1] = row[x * 3 + 1];
            out[2] = row[x * 3];
        }
    }
    return true;
}

// RGBA rows, top first: the area average of the logo, alpha = brightest channel, colour
// divided by it so that the icon over black looks like the logo.
std::vector<uint8_t> iconPixels(const Bitmap& logo, int size) {
    std::vector<uint8_t> rgba(size_t(size) * size * 4);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int x0 = x * logo.width / size, x1 = std::max(x0 + 1, (x + 1) * logo.width / size);
            const int y0 = y * logo.height / size, y1 = std::max(y0 + 1, (y + 1) * logo.height / size);
            double sum[3] = {0, 0, 0};
            for (int v = y0; v < y1; ++v)
                for (int u = x0; u < x1; ++u)
                    for (int c = 0; c < 3; ++c) sum[c] += logo.rgb[(size_t(v) * logo.width + u) * 3 + c];
            const double count = double(x1 - x0) * (y1 - y0);
            const double alpha = std::max({sum[0], sum[1], sum[2]}) / count;
            uint8_t* out = &rgba[(size_t(y) * size + x) * 4];
            for (int c = 0; c < 3; ++c) out[c] = alpha > 0 ? uint8_t(sum[c] / count / alpha * 255 + 0.5) : 0;
            out[3] = uint8_t(alpha + 0.5);
        }
    }
    return rgba;
}

void putChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
    const uint32_t length = uint32_t(data.size());
    for (int i = 3; i >= 0; --i) png.push_back(uint8_t(length >> (8 * i)));
    const size_t typeAt = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    const uint32_t crc = uint32_t(crc32(0, &png[typeAt], uInt(png.size() - typeAt)));
    for (int i = 3; i >= 0; --i) png.push_back(uint8_t(crc >> (8 * i)));
}

bool writePng(const std::string& fileName, const std::vector<uint8_t>& rgba, int size) {
    std::vector<uint8_t> header(13, 0);
    for (int i = 0; i < 4; ++i) header[3 - i] = header[7 - i] = uint8_t(uint32_t(size) >> (8 * i));
    header[8] = 8;  // bits per channel
    header[9] = 6;  // colour type: RGBA
    std::vector<uint8_t> raw;  // each row preceded by filter type 0 (none)
    for (int y = 0; y < size; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgba.begin() + size_t(y) * size * 4, rgba.begin() + size_t(y + 1) * size * 4);
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 9) != Z_OK) return false;
    packed.resize(packedSize);

    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", packed);
    putChunk(png, "IEND", {});
    std::ofstream out(fileName, std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: makeicon <logo.bmp> <size> <icon.png>\n";
        return 2;
    }
    Bitmap logo;
    if (!readBmp(argv[1], logo)) {
        std::cerr << "makeicon: " << argv[1] << " is not an uncompressed 24-bit BMP\n";
        return 1;
    }
    const int size = std::atoi(argv[2]);
    if (size < 1 || size > 1024) {
        std::cerr << "makeicon: bad icon size " << argv[2] << '\n';
        return 2;
    }
    if (!writePng(argv[3], iconPixels(logo, size), size)) {
        std::cerr << "makeicon: cannot write " << argv[3] << '\n';
        return 1;
    }
    return 0;
}
