// libFuzzer target for the TGA loader: any file content must load or be refused without a
// crash, and whatever loads must survive a write and a second load unchanged.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/image.h"

namespace {

// Files in memory-backed /dev/shm where there is one, so the disk is not worn.
std::string scratch(const char* name) {
    const char* dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(dir) + "/velmo_fuzz_" + std::to_string(::getpid()) + "_" + name + ".tga";
}

// Headers that announce more than a megabyte of pixels only make the loader zero-fill a large
// buffer (up to its limit, tested in the unit tests); leaving them out keeps the fuzzer fast.
bool announcesLargeImage(const uint8_t* data, size_t size) {
    if (size < Image::HEADER_SIZE) return false;
    const size_t width = data[12] + 256u * data[13];
    const size_t height = data[14] + 256u * data[15];
    return width * height * 4 > (size_t{1} << 20);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (announcesLargeImage(data, size)) return 0;
    static const std::string in = scratch("in");
    static const std::string out = scratch("out");
    static const int cleanup = std::atexit([] {
        std::remove(in.c_str());
        std::remove(out.c_str());
    });
    (void)cleanup;
    std::FILE* f = std::fopen(in.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    Image image;
    if (!image.loadTGA(in)) return 0;
    if (image.imageData.empty()) return 0;  // 0 x n images have nothing to write

    if (!image.writeTGA(out)) __builtin_trap();
    Image again;
    if (!again.loadTGA(out) || again.imageData != image.imageData ||
        again.imageWidth != image.imageWidth || again.imageHeight != image.imageHeight ||
        again.imageBits != image.imageBits || again.imageId != image.imageId) {
        __builtin_trap();
    }

    // The pixel operations walk the same buffer; they must stay inside it.
    image.swapRG();
    image.colorize(1, 2, 3);
    image.clear(7);
    return 0;
}
