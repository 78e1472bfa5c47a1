#pragma once
// The command line: switches into the settings globals, then the derived view geometry.
#include <cstdint>
#include <string>
#include <vector>

extern const char* const HELP_TEXT;

// The two start-up choices that belong to VelmoMain rather than to the settings globals.
struct StartOptions {
    bool help = false;         // --help or --version was given: its text has been printed
    bool fullscreen = true;
    bool gstreamerOn = true;
};

// Reads every argument (the program path included) against every switch, in order;
// later switches override earlier ones and unknown arguments are ignored. Prints the
// help text or the hint line. Throws FatalError on a malformed value.
StartOptions parseOptions(const std::vector<std::string>& args);

// pixel_aspect_width, view_width and view_height from the parsed settings. Throws
// FatalError for a view that would be empty or unbounded.
void deriveViewGeometry(bool fullscreen);

// The picture of an exported video: view_width × view_height as for a window, the height
// width / aspect rounded, then down to an even number (1920 at 2.35: 817.02 → 816). Throws
// FatalError for an odd width or a height below 2.
void deriveVideoGeometry();

// Signed 32-bit integer: blanks and tabs, a sign, an optional 0x/0b/0o prefix, then
// digits of that radix only. Throws FatalError naming the switch and the text.
int32_t parseInteger(const std::string& text, const std::string& option);
// Unsigned 32-bit integer: decimal digits only. Throws FatalError naming the switch and the text.
uint32_t parseUnsigned(const std::string& text, const std::string& option);
// Decimal floating-point number, the whole text. Throws FatalError likewise.
float parseNumber(const std::string& text, const std::string& option);
