#pragma once
// The pieces of a chunked export (--chunk I/N) and the record each carries of the render it
// belongs to, so that the join (--join N) takes only pieces that were made together.
#include <cstdint>
#include <optional>
#include <string>

#include "timeline/stretch.h"

struct Piece {
    std::string version;      // of the program that rendered it
    std::string format;       // extension of the video it is a piece of, lower case: ".mp4"
    uint32_t width = 0, height = 0;
    uint32_t seed = 0;
    uint32_t antialias = 0;   // samples per pixel, as rendered
    Stretch render;           // what the whole render covers
    uint32_t index = 0, count = 0;

    // The frames of this piece.
    Stretch stretch() const { return render.chunk(index, count); }
    // One line, stored as the piece's comment tag:
    // "velmo-piece version=1.0.0 format=.mp4 size=800x340 seed=7 antialias=4 frames=0-4200 chunk=3/16"
    std::string text() const;
    // The record a comment holds, or none when it holds none.
    static std::optional<Piece> parse(const std::string& comment);
    // All but the index agree.
    bool sameRender(const Piece& other) const;
};

// VIDEO.piece-03-of-16: the index padded to the width of the count, so that the pieces of one
// render sort in order; no video extension, so that none passes for the video.
std::string pieceName(const std::string& video, uint32_t index, uint32_t count);
