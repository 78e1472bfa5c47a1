#pragma once
// The demo's choreography: one-shot events keyed to the music position. Each pass the
// table is walked from the last row to the first; the first row whose time lies strictly
// behind the position is the candidate, and it fires unless it already has. So at most one
// event fires per pass, and an event whose interval is jumped over never fires.
#include <array>
#include <cstddef>
#include <cstdint>

struct Scene;

class SceneScript {
public:
    struct Event {
        const char* name;   // the event's flag, as in the timing sheet
        uint64_t seconds;   // fires once the position is past this
        void (*action)(Scene&);
    };
    static const std::array<Event, 27> events;

    explicit SceneScript(Scene& scene) : scene(scene) {}

    // Runs the script for a position in ns; returns the index of the event that fired, or -1.
    int run(int64_t position);
    bool fired(int index) const { return done[size_t(index)]; }

private:
    Scene& scene;
    std::array<bool, 27> done{};
};
