#pragma once
// The command line: switches into the settings globals, then the derived view geometry.
#include <cstdint>
#include <string>
#include <vector>

#include "timeline/stretch.h"

extern const char* const HELP_TEXT;

// The start-up choices that belong to VelmoMain rather than to the settings globals.
struct StartOptions {
    bool help = false;         // --help or --version was given: its text has been printed
    bool fullscreen = true;
    bool gstreamerOn = true;
    Stretch stretch;           // --from, --to: the frames to play, capture or export
    uint32_t chunkIndex = 0;   // --chunk I/N: an export of the I-th of N chunks of the stretch
    uint32_t chunkCount = 0;   // 0: not a chunk
    uint32_t joinCount = 0;    // --join N: join N pieces into the video; 0: no join
};

// Reads every argument (the program path included) against every switch, in order;
// later switches override earlier ones. Prints the help text or the hint line. An argument
// that is neither a switch nor a switch's value, or a value switch at the end, is named on
// stderr and otherwise ignored; with --writevideo it is refused. Throws FatalError on a
// malformed value, --writevideo without a name, a stretch outside the demo or without
// frames, and chunks or a join that cannot be made. libraryArgs[i]: args[i] is an option
// GTK+ or GStreamer took, not reported.
StartOptions parseOptions(const std::vector<std::string>& args, const std::vector<bool>& libraryArgs = {});

// Which of args the libraries took, from the arguments they left.
std::vector<bool> libraryArguments(const std::vector<std::string>& args, const std::vector<std::string>& left);

// pixel_aspect_width, view_width and view_height from the parsed settings. Throws
// FatalError for a negative width and a view that would be empty or unbounded.
void deriveViewGeometry(bool fullscreen);

// The picture of an exported video: view_width × view_height as for a window, the height
// width / aspect rounded, then down to an even number (1920 at 2.35: 817.02 → 816). Throws
// FatalError for an odd width or a height below 2.
void deriveVideoGeometry();

// Signed 32-bit integer: blanks and tabs, a sign, an optional 0x/0b/0o prefix, then
// digits of that radix only, then blanks and tabs. Throws FatalError naming the switch and the text.
int32_t parseInteger(const std::string& text, const std::string& option);
// Unsigned 32-bit integer: decimal digits only. Throws FatalError naming the switch and the text.
uint32_t parseUnsigned(const std::string& text, const std::string& option);
// Decimal floating-point number, the whole text. Throws FatalError likewise.
float parseNumber(const std::string& text, const std::string& option);
// Seconds of demo time, digits with an optional decimal part ("12", "12.5", ".5"), as the
// frame they fall in: taken down to a multiple of 40 ms, exactly (0.12 is frame 3). Values
// beyond the demo's length come back as DEMO_FRAMES + 1. Throws FatalError likewise.
uint32_t parseSecondsAsFrame(const std::string& text, const std::string& option);
