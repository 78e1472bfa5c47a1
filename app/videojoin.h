#pragma once
// The join of a chunked export: the pieces' pictures copied into one video as they are, the
// music encoded once, the file written as a whole export writes it.
#include <cstdint>
#include <string>

#include "app/videowriter.h"

// Joins the `count` pieces of `fileName` (pieceName) into it. Every piece is read first: a
// missing, unreadable, cut, foreign or doubled one is refused with a FatalError naming it, and
// nothing is written. Then the pictures are copied without decoding them and the music of the
// render's stretch is encoded beside them (VideoWriter); the pieces are removed only once the
// video is complete. Returns the exit status: 0, or 128 + the signal that cut the join.
int joinPieces(const std::string& fileName, const VideoFormat& format, uint32_t count);
