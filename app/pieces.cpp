#include "app/pieces.h"

#include <cstdio>
#include <sstream>

namespace {

const char* const TAG = "velmo-piece";

} // namespace

std::string Piece::text() const
{
    std::ostringstream out;
    out << TAG << " version=" << version << " format=" << format << " size=" << width << "x" << height
        << " seed=" << seed << " antialias=" << antialias << " frames=" << render.first << "-" << render.end
        << " chunk=" << index << "/" << count;
    return out.str();
}

std::optional<Piece> Piece::parse(const std::string& comment)
{
    Piece p;
    char version[64] = "", format[16] = "";
    int used = 0;
    const int fields = std::sscanf(comment.c_str(),
                                   "velmo-piece version=%63s format=%15s size=%ux%u seed=%u antialias=%u "
                                   "frames=%u-%u chunk=%u/%u%n",
                                   version, format, &p.width, &p.height, &p.seed, &p.antialias, &p.render.first,
                                   &p.render.end, &p.index, &p.count, &used);
    if (fields != 10 || size_t(used) != comment.size()) return std::nullopt;
    p.version = version;
    p.format = format;
    if (p.render.first >= p.render.end || p.index >= p.count || p.count > p.render.maxChunks()) return std::nullopt;
    return p;
}

bool Piece::sameRender(const Piece& o) const
{
    return version == o.version && format == o.format && width == o.width && height == o.height && seed == o.seed &&
           antialias == o.antialias && render == o.render && count == o.count;
}

std::string pieceName(const std::string& video, uint32_t index, uint32_t count)
{
    const int digits = int(std::to_string(count).size());
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".piece-%0*u-of-%u", digits, index, count);
    return video + suffix;
}
