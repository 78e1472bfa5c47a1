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

// Inputs announcing more than a megabyte of pixels are left out to keep the fuzzer fast (the
// loader refuses such a claim unless the file holds it; the unit tests cover that). Header
// bytes past the end of the input count as 0, as they do for the loader: a 16-byte input
// already announces its size.
bool announcesLargeImage(const uint8_t* data, size_t size) {
    const auto byte = [&](size_t at) -> size_t { return at < size ? data[at] : 0; };
    const size_t width = byte(12) + 256 * byte(13);
    const size_t height = byte(14) + 256 * byte(15);
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
