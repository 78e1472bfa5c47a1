#pragma once
// Frame capture: the view as a numbered TGA file under ./data/render/ (velmo0.tga,
// velmo1.tga, ...), with the data file black_800_340.tga as the template supplying the header.
// Called for the frame about to be presented, before the buffer swap, since the back
// buffer is not guaranteed to survive a swap. A frame that cannot be written throws
// FatalError naming the file: a capture never silently loses frames.
#include <cstdint>
#include <vector>

extern uint32_t file_number;   // number of the next file

void writeScreenShot();

// The view rectangle as RGB bytes, rows packed and bottom row first; empty for an empty view.
std::vector<uint8_t> readView();
