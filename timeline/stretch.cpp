#include "timeline/stretch.h"

Stretch Stretch::chunk(uint32_t index, uint32_t count) const
{
    const uint64_t intervals = maxChunks();
    auto boundary = [&](uint32_t i) {
        return i == count ? end : first + uint32_t(intervals * i / count) * GOP_FRAMES;
    };
    return {boundary(index), boundary(index + 1)};
}
