// Cost of writing the demo as a video: how fast frames of 800 × 340 can be handed over, the
// CPU the pipeline spends per frame (conversion, video and music encoding, muxing, on its own
// threads), and the size of the file extrapolated to the whole demo.
//
// The frames are demo-like (a dark moving gradient, moving coloured shapes, and 25 frames of
// grain repeating as the demo's do), or real captured frames: set VELMO_BENCH_FRAMES to a file
// of raw 800 × 340 RGB frames (e.g. `ffmpeg -i data/render/velmo%d.tga -pix_fmt rgb24 -f rawvideo`).
// Arguments: container (0 .mkv, 1 .mp4), milliseconds of CPU the caller burns per frame to
// stand in for the renderer (0 = hand frames over as fast as the pipeline takes them).
//
// BM_WriteStream writes a whole captured run of any size and keeps the file, to be decoded and
// compared with the frames it was given: VELMO_BENCH_STREAM names raw RGB frames, top row
// first (a pipe from `ffmpeg -i data/render/velmo%d.tga -f rawvideo -pix_fmt rgb24 -` will do),
// VELMO_BENCH_SIZE their size as WxH, VELMO_BENCH_OUT the video to write.
#include <benchmark/benchmark.h>

#include "app/videowriter.h"
#include "timeline/silentclock.h"
#include "timeline/stretch.h"

#include <gst/gst.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

constexpr uint32_t W = 800, H = 340;
constexpr size_t FRAME_BYTES = size_t(W) * H * 3;
constexpr int FRAMES = 500;   // 20 s of video

double cpuSeconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

std::vector<std::vector<uint8_t>> syntheticFrames()
{
    std::vector<std::vector<uint8_t>> grain(25, std::vector<uint8_t>(size_t(W) * H));
    uint32_t seed = 7;
    for (auto& g : grain) {
        for (uint8_t& v : g) {
            seed = seed * 1664525u + 1013904223u;
            v = uint8_t(seed >> 27);   // 0..31
        }
    }
    std::vector<std::vector<uint8_t>> frames(FRAMES, std::vector<uint8_t>(FRAME_BYTES));
    for (int i = 0; i < FRAMES; ++i) {
        const float t = float(i) / 25.0f;
        const float bx = 400 + 250 * std::sin(t), by = 170 + 100 * std::cos(1.3f * t);
        for (uint32_t y = 0; y < H; ++y) {
            for (uint32_t x = 0; x < W; ++x) {
                float r = 20 + 30 * float(x) / W, g = 20 + 20 * float(y) / H, b = 40 + 40 * std::sin(t + x / 200.0f);
                const float dx = float(x) - bx, dy = float(y) - by;
                if (dx * dx + dy * dy < 80 * 80) {
                    r = 200;
                    g = 80 + 60 * std::sin(x / 9.0f + t);
                    b = 60;
                }
                if (std::fabs(float(x) - 100 - 20 * float(i % 50)) < 40 && y > 100 && y < 200) {
                    g = 180;
                }
                const int n = grain[size_t(i) % 25][size_t(y) * W + x] - 16;
                uint8_t* p = &frames[size_t(i)][(size_t(y) * W + x) * 3];
                p[0] = uint8_t(std::clamp(int(r) + n, 0, 255));
                p[1] = uint8_t(std::clamp(int(g) + n, 0, 255));
                p[2] = uint8_t(std::clamp(int(b) + n, 0, 255));
            }
        }
    }
    return frames;
}

const std::vector<std::vector<uint8_t>>& benchFrames()
{
    static const std::vector<std::vector<uint8_t>> frames = [] {
        const char* file = std::getenv("VELMO_BENCH_FRAMES");
        if (!file) return syntheticFrames();
        std::vector<std::vector<uint8_t>> real;
        std::ifstream in(file, std::ios::binary);
        std::vector<uint8_t> frame(FRAME_BYTES);
        while (real.size() < FRAMES && in.read(reinterpret_cast<char*>(frame.data()), std::streamsize(FRAME_BYTES)))
            real.push_back(frame);
        return real.empty() ? syntheticFrames() : real;
    }();
    return frames;
}

void burn(double seconds)
{
    const double until = cpuSeconds(CLOCK_THREAD_CPUTIME_ID) + seconds;
    while (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) < until) {
    }
}

void BM_WriteVideo(benchmark::State& state)
{
    gst_init(nullptr, nullptr);
    const char* extension = state.range(0) == 0 ? ".mkv" : ".mp4";
    const double renderSeconds = double(state.range(1)) / 1000.0;
    const auto& frames = benchFrames();
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("videowriter_bench" + std::to_string(getpid()) + extension);
    try {
        VideoWriter::checkFileName(file.string());
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }

    double wall = 0, processCpu = 0, callerCpu = 0;
    uintmax_t bytes = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double process0 = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const double caller0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        double burnt = 0;
        {
            VideoWriter writer(file.string(), "./data/music.xm", W, H, DEMO_LENGTH);
            for (size_t i = 0; i < frames.size(); ++i) {
                if (renderSeconds > 0) {
                    const double b0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
                    burn(renderSeconds);
                    burnt += cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - b0;
                }
                writer.addFrame(std::vector<uint8_t>(frames[i]));   // a fresh frame, as read back
            }
            writer.finish();
        }
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        callerCpu += cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - caller0 - burnt;
        processCpu += cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process0 - burnt;
        bytes += std::filesystem::file_size(file);
        std::filesystem::remove(file);
    }
    const double n = double(frames.size()) * double(state.iterations());
    state.counters["frames_per_s"] = n / wall;
    state.counters["wall_ms_per_frame"] = 1000.0 * wall / n;
    state.counters["pipeline_cpu_ms_per_frame"] = 1000.0 * (processCpu - callerCpu) / n;
    state.counters["caller_cpu_ms_per_frame"] = 1000.0 * callerCpu / n;
    state.counters["MB_for_168s"] = double(bytes) / 1e6 / (n * 0.04) * double(DEMO_LENGTH) / 1e9;
}
BENCHMARK(BM_WriteVideo)
    ->ArgsProduct({{0, 1}, {0, 10, 20, 40}})
    ->ArgNames({"mp4", "render_ms"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_WriteStream(benchmark::State& state)
{
    const char* stream = std::getenv("VELMO_BENCH_STREAM");
    const char* size = std::getenv("VELMO_BENCH_SIZE");
    const char* out = std::getenv("VELMO_BENCH_OUT");
    unsigned w = 0, h = 0;
    if (!stream || !size || !out || std::sscanf(size, "%ux%u", &w, &h) != 2 || w == 0 || h == 0) {
        state.SkipWithError("set VELMO_BENCH_STREAM, VELMO_BENCH_SIZE (WxH) and VELMO_BENCH_OUT");
        return;
    }
    gst_init(nullptr, nullptr);
    const size_t rowBytes = size_t(w) * 3;
    double wall = 0;
    uint32_t frames = 0;
    for (auto _ : state) {
        std::ifstream in(stream, std::ios::binary);
        std::vector<uint8_t> topDown(rowBytes * h);
        const auto start = std::chrono::steady_clock::now();
        VideoWriter writer(out, "./data/music.xm", w, h, DEMO_LENGTH);
        while (in.read(reinterpret_cast<char*>(topDown.data()), std::streamsize(topDown.size()))) {
            std::vector<uint8_t> bottomUp(topDown.size());
            for (size_t y = 0; y < h; ++y)
                std::copy_n(&topDown[y * rowBytes], rowBytes, &bottomUp[(h - 1 - y) * rowBytes]);
            writer.addFrame(std::move(bottomUp));
        }
        writer.finish();
        wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        frames = writer.framesAdded();
    }
    state.counters["frames"] = frames;
    state.counters["x_real_time"] = frames * double(FRAME_NS) / 1e9 / wall;
    state.counters["MB"] = double(std::filesystem::file_size(out)) / 1e6;
}
BENCHMARK(BM_WriteStream)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
