#include "app/settings.h"

uint32_t screen_width = 800;
uint32_t screen_height = 600;
float screen_aspect = 1.6f;
float view_aspect = 2.35f;
float pixel_aspect_width = 1.0f;
uint32_t view_width = 800;
uint32_t view_height = 340;

std::string writeVideoFile;
uint32_t antialiasSamples = 4;
bool antialiasGiven = false;
