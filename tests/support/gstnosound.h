#pragma once
// Starts GStreamer in a process that has no sound device: ALSA reads an empty configuration,
// so "default" does not exist and alsasink fails to open at once. Call before anything in the
// process touches ALSA; later calls do nothing.
#include <gst/gst.h>

#include <cstdio>
#include <cstdlib>
#include <string>

inline void initGstreamerWithoutSound()
{
    static const bool done = [] {
        const std::string config = std::string(P_tmpdir) + "/velmo-no-sound-device.conf";
        std::FILE* f = std::fopen(config.c_str(), "w");
        if (f) {
            std::fclose(f);
        }
        setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
        gst_init(nullptr, nullptr);
        return true;
    }();
    (void)done;
}
