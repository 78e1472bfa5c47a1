// Process entry: bring up GTK+ and GStreamer, run the demo, report a fatal error.
#include <gst/gst.h>
#include <gtk/gtk.h>

#include <fcntl.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/velmomain.h"

namespace {

// A closed standard stream would be the number the next open() returns: the progress lines
// would then go into whatever the libraries opened (a socket, the video). /dev/null takes it.
void openClosedStandardStreams()
{
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) == -1) open("/dev/null", O_RDWR);
}

} // namespace

int main(int argc, char** argv)
{
    openClosedStandardStreams();
    // Output into a pipe whose reader has gone (| head) fails quietly; the render goes on.
    std::signal(SIGPIPE, SIG_IGN);
    // The libraries may consume their own options; the demo sees the unchanged vector.
    std::vector<std::string> args(argv, argv + argc);
    try {
        // SDL 1.2 would fall back to a text-mode driver on a terminal without X.
        setenv("SDL_VIDEODRIVER", "x11", 0);
        gtk_init_check(&argc, &argv);
        // GTK took the locale from the environment; numbers are read and printed with a dot.
        std::setlocale(LC_NUMERIC, "C");
        GError* error = nullptr;
        if (!gst_init_check(&argc, &argv, &error)) {
            std::string reason = error ? error->message : "unknown reason";
            g_clear_error(&error);
            std::fprintf(stderr, "Failed to initialize GStreamer: %s\n", reason.c_str());
            return 1;
        }
        // What the libraries took is theirs, not an unknown switch of the demo's.
        VelmoMain demo(args, libraryArguments(args, std::vector<std::string>(argv, argv + argc)));
        return demo.exitStatus();
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
