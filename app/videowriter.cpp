#include "app/videowriter.h"

#include "app/interrupt.h"
#include "core/fatalerror.h"
#include "timeline/stretch.h"

#include <gst/app/gstappsrc.h>
#include <gst/video/video.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

// An encoder and its settings for a picture of a given size.
struct Encoder {
    const char* element;
    const char* codec;   // for the user
    using Settings = std::vector<std::pair<std::string, std::string>>;
    Settings (*settings)(uint32_t width, uint32_t height);
};

// The bitrate ceiling in kbit/s, for the encoders' peaks: three times a video site's upload
// guidance of 8 Mbit/s for 1920 × 816 at 25 fps, in proportion to the pixels, and no less than
// 8 Mbit/s. The film grain is noise at the pixel scale: at the quality below (mean PSNR 43 dB)
// the demo averages 5.6 Mbit/s at 800 × 340, and its first 20 s take 19 Mbit/s at 1920 × 816.
uint32_t ceilingKbits(uint32_t width, uint32_t height)
{
    return uint32_t(std::max(8000.0, 24000.0 * double(width) * double(height) / (1920.0 * 816.0)));
}

// H.264 High for upload: IBBP in closed GOPs of half a second, 4:2:0, a constant quality under
// the ceiling. "faster" costs about 15 ms a frame at 800 × 340 and 90 ms at 1920 × 816 on one
// core (the renderer has the other); slower presets gain under 0.4 dB.
Encoder::Settings x264Settings(uint32_t width, uint32_t height)
{
    return {{"speed-preset", "faster"},
            {"pass", "qual"},
            {"quantizer", "18"},
            {"bitrate", std::to_string(ceilingKbits(width, height))},
            {"vbv-buf-capacity", "2000"},
            {"bframes", "2"},
            {"b-adapt", "false"},
            // Key frames at a fixed interval, where chunks of a farm render are cut.
            {"key-int-max", std::to_string(GOP_FRAMES)},
            {"option-string", "scenecut=0"},
            {"rc-lookahead", "12"},
            {"threads", "1"}};
}

// Realtime mode at cpu-used 6 keeps up like x264 does; a constant quality under the ceiling.
Encoder::Settings vp9Settings(uint32_t width, uint32_t height)
{
    return {{"deadline", "1"},
            {"cpu-used", "6"},
            {"threads", "1"},
            {"end-usage", "cq"},
            {"cq-level", "16"},
            // In bit/s, kept by vp9enc in whole kbit/s: at most the largest int in those.
            {"target-bitrate", std::to_string(std::min<uint64_t>(1000ull * ceilingKbits(width, height), 2'147'483'000))},
            {"keyframe-max-dist", "125"},
            // vp9enc loses the frames still in its look-ahead at the end of the stream.
            {"lag-in-frames", "0"}};
}

Encoder::Settings aacSettings(uint32_t, uint32_t) { return {{"bitrate", "320000"}}; }
Encoder::Settings opusSettings(uint32_t, uint32_t) { return {{"bitrate", "192000"}}; }

const Encoder X264{"x264enc", "H.264", x264Settings};
const Encoder VP9{"vp9enc", "VP9", vp9Settings};
const Encoder AVENC_AAC{"avenc_aac", "AAC", aacSettings};
const Encoder OPUS{"opusenc", "Opus", opusSettings};

// A container and its encoders.
struct Container {
    const char* extension;
    const char* muxer;
    const Encoder& video;
    const char* videoCaps;     // what the video encoder must emit
    const char* videoParser;   // "" for none
    const Encoder& audio;
};

const std::vector<Container> CONTAINERS{
    {".mkv", "matroskamux", VP9, "video/x-vp9", "", OPUS},
    {".webm", "webmmux", VP9, "video/x-vp9", "", OPUS},
    {".mp4", "mp4mux", X264, "video/x-h264,profile=high", "h264parse", AVENC_AAC},
};

// What every video needs, whatever its container.
const std::vector<const char*> COMMON_ELEMENTS{
    "appsrc",  "videoconvert", "videoflip",     "capsfilter", "queue",   "filesrc",
    "modplug", "audioconvert", "audioresample", "filesink"};

std::vector<const char*> elementsOf(const Container& c)
{
    std::vector<const char*> elements{c.muxer, c.video.element, c.audio.element};
    if (c.videoParser[0] != '\0') elements.push_back(c.videoParser);
    return elements;
}

bool containerUsable(const Container& c, const VideoWriter::Installed& installed)
{
    const auto elements = elementsOf(c);
    return std::all_of(elements.begin(), elements.end(), installed);
}

const Encoder& encoderNamed(const std::string& element)
{
    for (const Encoder* e : {&X264, &VP9, &AVENC_AAC, &OPUS}) {
        if (element == e->element) return *e;
    }
    throw FatalError("No settings for the GStreamer encoder " + element + ".");
}

std::string supportedHere(const VideoWriter::Installed& installed)
{
    std::string list;
    for (const Container& c : CONTAINERS) {
        if (!containerUsable(c, installed)) continue;
        if (!list.empty()) list += ", ";
        list += std::string(c.extension) + " (" + c.video.codec + ", " + c.audio.codec + ")";
    }
    return "Supported here: " + (list.empty() ? std::string("none") : list) + ".";
}

bool installedInRegistry(const std::string& element)
{
    GstElementFactory* factory = gst_element_factory_find(element.c_str());
    if (!factory) return false;
    gst_object_unref(factory);
    return true;
}

GstElement* makeElement(const std::string& factory, const char* name)
{
    GstElement* e = gst_element_factory_make(factory.c_str(), name);
    if (!e) throw FatalError("Cannot create the GStreamer element " + factory + " for the video.");
    return e;
}

// "Could not open file ... for writing. (system error: No such file or directory)": the
// element's words, then the last line of the debug text, which carries the system's reason.
std::string describeError(GstMessage* message)
{
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    std::string text = error ? error->message : "unknown error";
    if (debug) {
        const std::string detail(debug);
        const size_t lineEnd = detail.find_last_of('\n');
        if (lineEnd != std::string::npos && lineEnd + 1 < detail.size())
            text += " (" + detail.substr(lineEnd + 1) + ")";
    }
    g_free(debug);
    g_clear_error(&error);
    // The music's elements do not say which file they were reading.
    GstObject* source = GST_MESSAGE_SRC(message);
    GstObject* bin = source ? GST_OBJECT_PARENT(source) : nullptr;
    if (bin && GST_IS_BIN(bin) && std::string(GST_OBJECT_NAME(source)).rfind("music", 0) == 0) {
        if (GstElement* file = gst_bin_get_by_name(GST_BIN(bin), "music-file")) {
            gchar* location = nullptr;
            g_object_get(file, "location", &location, nullptr);
            if (location) text = std::string("the music file ") + location + ": " + text;
            g_free(location);
            gst_object_unref(file);
        }
    }
    return text;
}

// Where the stream of encoded frames starts: decoding times may lie before their pictures.
constexpr GstClockTime ENCODED_START = 3600 * GST_SECOND;

GstPadProbeReturn startSegmentLater(GstPad*, GstPadProbeInfo* info, gpointer)
{
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_SEGMENT) return GST_PAD_PROBE_OK;
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    segment.start = ENCODED_START;
    gst_event_unref(event);
    GST_PAD_PROBE_INFO_DATA(info) = gst_event_new_segment(&segment);
    return GST_PAD_PROBE_OK;
}

// The encoder may move its output's times into its segment: compare in running time.
// A new empty file of this run's own, beside the video: `prefix` and six random characters,
// created exclusively (never another run's file, never through a planted link) with the
// permissions the umask gives any new file, as the finished video should have them.
std::string createExclusively(const std::string& video, const std::string& prefix)
{
    static const char LETTERS[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;   // not the demo's generator: its draws are the picture's
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix;
        for (int i = 0; i < 6; ++i) name += LETTERS[random() % (sizeof LETTERS - 1)];
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            return name;
        }
        if (errno != EEXIST)
            throw FatalError("Cannot write the video " + video + ": cannot create " + name + " (" + std::strerror(errno) + ").");
    }
    throw FatalError("Cannot write the video " + video + ": no free name for " + prefix + "XXXXXX.");
}

GstPadProbeReturn dropLeadIn(GstPad* pad, GstPadProbeInfo* info, gpointer leadInEnd)
{
    GstEvent* event = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
    if (!event) return GST_PAD_PROBE_OK;
    const GstSegment* segment = nullptr;
    gst_event_parse_segment(event, &segment);
    const GstClockTime time = gst_segment_to_running_time(segment, GST_FORMAT_TIME,
                                                          GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info)));
    gst_event_unref(event);
    return time < *static_cast<GstClockTime*>(leadInEnd) ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
}

VideoWriter::Setup wholeVideo(const std::string& fileName, const std::string& musicFile, uint32_t width,
                              uint32_t height, int64_t lengthNs)
{
    VideoWriter::Setup setup;
    setup.fileName = fileName;
    setup.format = VideoWriter::chooseFormat(fileName, installedInRegistry);
    setup.width = width;
    setup.height = height;
    setup.lengthNs = lengthNs;
    setup.musicFile = musicFile;
    return setup;
}

void releaseFrame(gpointer frame)
{
    delete static_cast<std::vector<uint8_t>*>(frame);
}

std::string lowerCaseExtension(const std::string& fileName)
{
    std::string extension = std::filesystem::path(fileName).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}

} // namespace

void VideoWriter::applyEncoderSettings(GstElement* element, const std::string& encoder, uint32_t width, uint32_t height)
{
    for (const auto& [property, text] : encoderNamed(encoder).settings(width, height)) {
        auto* declared = g_object_class_find_property(G_OBJECT_GET_CLASS(element), property.c_str());
        if (!declared) throw FatalError("The encoder " + encoder + " has no setting " + property + ".");
        GValue wanted = G_VALUE_INIT, got = G_VALUE_INIT;
        g_value_init(&wanted, declared->value_type);
        g_value_init(&got, declared->value_type);
        bool took = gst_value_deserialize(&wanted, text.c_str());
        // Ceilings grow with the picture; GLib brings the value into the element's range.
        g_param_value_validate(declared, &wanted);
        g_object_set_property(G_OBJECT(element), property.c_str(), &wanted);
        // Setting has no word for a value it refused: read it back.
        g_object_get_property(G_OBJECT(element), property.c_str(), &got);
        took = took && gst_value_compare(&wanted, &got) == GST_VALUE_EQUAL;
        gchar* kept = gst_value_serialize(&wanted);
        const std::string value = kept ? kept : text;
        g_free(kept);
        g_value_unset(&wanted);
        g_value_unset(&got);
        if (!took) throw FatalError("The encoder " + encoder + " refused the setting " + property + "=" + value + ".");
    }
}

VideoFormat VideoWriter::chooseFormat(const std::string& fileName, const Installed& installed)
{
    const std::string refused = "Cannot write the video " + fileName + ": ";
    std::string missing;
    for (const char* element : COMMON_ELEMENTS) {
        if (!installed(element)) missing += std::string(missing.empty() ? "" : ", ") + element;
    }
    if (!missing.empty())
        throw FatalError(refused + "the GStreamer elements " + missing + " are not installed.");

    const std::string extension = lowerCaseExtension(fileName);
    if (extension.empty())
        throw FatalError(refused + "the name has no extension to choose the container by. "
                         + supportedHere(installed));
    const auto known = std::find_if(CONTAINERS.begin(), CONTAINERS.end(), [&](const Container& c) {
        return extension == c.extension;
    });
    if (known == CONTAINERS.end())
        throw FatalError(refused + "the container " + extension + " is not supported. "
                         + supportedHere(installed));

    const Container& c = *known;
    if (!containerUsable(c, installed)) {
        std::string needs;
        const auto elements = elementsOf(c);
        for (size_t i = 0; i < elements.size(); ++i)
            needs += std::string(i == 0 ? "" : i + 1 == elements.size() ? " and " : ", ") + elements[i];
        throw FatalError(refused + extension + " needs the GStreamer elements " + needs
                         + ", and they are not all installed. " + supportedHere(installed));
    }
    return {c.extension, c.muxer, c.video.element, c.videoCaps, c.videoParser, c.audio.element};
}

VideoFormat VideoWriter::checkFileName(const std::string& fileName)
{
    const VideoFormat format = chooseFormat(fileName, installedInRegistry);
    // Found now rather than at the rename after the whole render.
    std::error_code ignored;
    if (std::filesystem::is_directory(fileName, ignored))
        throw FatalError("Cannot write the video " + fileName + ": it is a directory.");
    return format;
}

VideoWriter::VideoWriter(const std::string& fileName, const std::string& musicFile, uint32_t width,
                         uint32_t height, int64_t lengthNs)
    : VideoWriter(wholeVideo(fileName, musicFile, width, height, lengthNs))
{
}

VideoWriter::VideoWriter(const Setup& setup)
    : fileName(setup.fileName), progressVerb(setup.progressVerb), stallLimit(setup.stallLimit), width(setup.width), height(setup.height), lengthNs(setup.lengthNs), encoded(!setup.encodedCaps.empty()),
      leadInFrames(setup.leadInFrames), leadInEnd(GstClockTime(setup.leadInFrames) * FRAME_NS), terminal(isatty(fileno(stdout)) == 1)
{
    if (width == 0 || height == 0 || lengthNs <= 0)
        throw FatalError("Cannot write the video " + fileName + ": nothing to write ("
                         + std::to_string(width) + " x " + std::to_string(height) + ", "
                         + std::to_string(lengthNs) + " ns).");
    pipeline = gst_pipeline_new("velmo-video-writer");
    // An error from closing the file arrives on the way to NULL: flushing then would lose it.
    gst_pipeline_set_auto_flush_bus(GST_PIPELINE(pipeline), FALSE);
    bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline));
    try {
        partialName = createExclusively(fileName, fileName + ".partial-");
        if (setup.format.muxer == "mp4mux" && setup.indexInFront)
            dataName = createExclusively(fileName, partialName + "-data");
        build(setup);
        if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
            const std::string error = pendingError(GST_SECOND);
            fail(error.empty() ? "the pipeline did not start" : error);
        }
    } catch (...) {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(bus);
        gst_object_unref(pipeline);
        removePartialFiles();
        throw;
    }
    started = std::chrono::steady_clock::now();
}

void VideoWriter::build(const Setup& setup)
{
    const VideoFormat& format = setup.format;
    auto add = [&](const std::string& factory, const char* name) {
        GstElement* e = makeElement(factory, name);
        gst_bin_add(GST_BIN(pipeline), e);
        return e;
    };
    auto link = [&](GstElement* a, GstElement* b) {
        if (!gst_element_link(a, b))
            throw FatalError("Cannot write the video " + fileName + ": GStreamer cannot link "
                             + GST_ELEMENT_NAME(a) + " to " + GST_ELEMENT_NAME(b) + ".");
    };

    GstElement* muxer = add(format.muxer, "muxer");
    GstElement* sink = add(setup.fileSink, "file");
    // Bytes into the file, and where: the muxer seeks back to fill in sizes and index entries.
    GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(
        sinkPad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
        [](GstPad*, GstPadProbeInfo* info, gpointer data) {
            Flow& f = *static_cast<Flow*>(data);
            if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
                const gsize size = gst_buffer_get_size(GST_PAD_PROBE_INFO_BUFFER(info));
                f.bytes += size;
                const uint64_t end = f.position += size;
                if (end > f.end) f.end = end;
            } else if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_SEGMENT) {
                const GstSegment* segment = nullptr;
                gst_event_parse_segment(GST_PAD_PROBE_INFO_EVENT(info), &segment);
                if (segment->format == GST_FORMAT_BYTES) f.position = segment->start;
            }
            return GST_PAD_PROBE_OK;
        },
        &flow, nullptr);
    gst_object_unref(sinkPad);
    if (format.muxer == "mp4mux" && setup.indexInFront) {
        // The index goes before the data, so a player can start before the whole file is
        // there; the data waits in a file beside the video until then.
        g_object_set(muxer, "faststart", TRUE, "faststart-file", dataName.c_str(), nullptr);
    }
    if (!setup.comment.empty())
        gst_tag_setter_add_tags(GST_TAG_SETTER(muxer), GST_TAG_MERGE_REPLACE, GST_TAG_COMMENT,
                                setup.comment.c_str(), nullptr);
    g_object_set(sink, "location", partialName.c_str(), nullptr);
    link(muxer, sink);

    frameSource = add("appsrc", "frames");
    // addFrame bounds the queue itself: a blocking appsrc would hang after an error downstream.
    g_object_set(frameSource, "format", GST_FORMAT_TIME, "is-live", FALSE, "block", FALSE, nullptr);
    GstElement* videoOut = nullptr;   // what the muxer's video comes from
    if (encoded) {
        GstCaps* caps = gst_caps_from_string(setup.encodedCaps.c_str());
        if (!caps) throw FatalError("Cannot write the video " + fileName + ": unreadable caps " + setup.encodedCaps);
        g_object_set(frameSource, "caps", caps, nullptr);
        gst_caps_unref(caps);
        // Decoding times run ahead of the first picture: the stream starts an hour in, as an
        // encoder's would, so that they need no negative numbers.
        GstPad* out = gst_element_get_static_pad(frameSource, "src");
        gst_pad_add_probe(out, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, startSegmentLater, nullptr, nullptr);
        gst_object_unref(out);
        videoOut = frameSource;
    } else {
        GstElement* convert = add("videoconvert", "frame-converter");
        GstElement* flip = add("videoflip", "frame-flip");
        GstElement* frameFormat = add("capsfilter", "frame-format");
        GstElement* frameQueue = add("queue", "frame-queue");
        GstElement* videoEncoder = add(format.videoEncoder, "video-encoder");
        GstElement* videoFormat = add("capsfilter", "video-format");
        GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGB", "width",
                                            G_TYPE_INT, int(width), "height", G_TYPE_INT, int(height),
                                            "framerate", GST_TYPE_FRACTION, 25, 1,
                                            "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
        g_object_set(frameSource, "caps", caps, nullptr);
        gst_caps_unref(caps);
        gst_util_set_object_arg(G_OBJECT(flip), "method", "vertical-flip");
        // 4:2:0 with the HD matrix at every size, and said so in the stream, so that players do
        // not guess the matrix from the height. Flipping after the conversion moves half the bytes.
        gst_util_set_object_arg(G_OBJECT(frameFormat), "caps",
                                "video/x-raw,format=I420,colorimetry=bt709");
        // A few converted frames in hand keep the encoder busy without holding much memory.
        g_object_set(frameQueue, "max-size-buffers", 4u, "max-size-bytes", 0u, "max-size-time",
                     guint64(0), nullptr);
        applyEncoderSettings(videoEncoder, format.videoEncoder, width, height);
        gst_util_set_object_arg(G_OBJECT(videoFormat), "caps", format.videoCaps.c_str());
        link(frameSource, convert);
        link(convert, flip);
        link(flip, frameFormat);
        link(frameFormat, frameQueue);
        link(frameQueue, videoEncoder);
        link(videoEncoder, videoFormat);
        if (leadInFrames) {
            GstPad* out = gst_element_get_static_pad(videoFormat, "src");
            gst_pad_add_probe(out, GST_PAD_PROBE_TYPE_BUFFER, dropLeadIn, &leadInEnd, nullptr);
            gst_object_unref(out);
        }
        videoOut = videoFormat;
    }
    GstPad* videoPad = gst_element_get_static_pad(videoOut, "src");
    gst_pad_add_probe(
        videoPad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
        [](GstPad*, GstPadProbeInfo* info, gpointer data) {
            Flow& f = *static_cast<Flow*>(data);
            if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) ++f.frames;
            else if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS) f.videoEnded = true;
            return GST_PAD_PROBE_OK;
        },
        &flow, nullptr);
    gst_object_unref(videoPad);
    if (format.videoParser.empty()) {
        link(videoOut, muxer);
    } else {
        GstElement* parser = add(format.videoParser, "video-parser");
        link(videoOut, parser);
        link(parser, muxer);
    }

    if (setup.musicFile.empty()) return;
    GstElement* musicSource = add("filesrc", "music-file");
    GstElement* modplug = add("modplug", "music");
    GstElement* audioConvert = add("audioconvert", "music-converter");
    GstElement* resample = add("audioresample", "music-resampler");
    GstElement* soundFormat = add("capsfilter", "sound-format");
    GstElement* audioEncoder = add(format.audioEncoder, "audio-encoder");
    g_object_set(musicSource, "location", setup.musicFile.c_str(), nullptr);
    configureModplug(modplug);
    music = std::make_unique<MusicStretch>(modplug, setup.musicStartNs, setup.musicStartNs + lengthNs);
    // The module plays at 44.1 kHz; AAC and Opus are at home at 48 kHz.
    gst_util_set_object_arg(G_OBJECT(soundFormat), "caps", "audio/x-raw,rate=48000,channels=2");
    applyEncoderSettings(audioEncoder, format.audioEncoder, width, height);
    link(musicSource, modplug);
    link(modplug, audioConvert);
    link(audioConvert, resample);
    link(resample, soundFormat);
    link(soundFormat, audioEncoder);
    link(audioEncoder, muxer);
}

VideoWriter::~VideoWriter()
{
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(bus);
    gst_object_unref(pipeline);
    if (!finished) removePartialFiles();
    endProgressLine();
}

void VideoWriter::addFrame(std::vector<uint8_t>&& rgbBottomUp)
{
    const size_t rowBytes = size_t(width) * 3;
    const size_t frameBytes = rowBytes * height;
    if (encoded) fail("a raw frame handed to a video of encoded frames");
    if (rgbBottomUp.size() != frameBytes)
        fail("a frame of " + std::to_string(rgbBottomUp.size()) + " bytes, expected "
             + std::to_string(frameBytes));

    auto* frame = new std::vector<uint8_t>(std::move(rgbBottomUp));
    GstBuffer* buffer = gst_buffer_new_wrapped_full(GstMemoryFlags(0), frame->data(), frameBytes, 0,
                                                    frameBytes, frame, releaseFrame);
    // Rows are packed as read back; GStreamer would otherwise assume 4-byte aligned rows.
    gsize offsets[GST_VIDEO_MAX_PLANES] = {0};
    gint strides[GST_VIDEO_MAX_PLANES] = {gint(rowBytes)};
    gst_buffer_add_video_meta_full(buffer, GST_VIDEO_FRAME_FLAG_NONE, GST_VIDEO_FORMAT_RGB, width,
                                   height, 1, offsets, strides);
    GST_BUFFER_PTS(buffer) = GstClockTime(frameCount) * FRAME_NS;
    GST_BUFFER_DURATION(buffer) = FRAME_NS;
    push(buffer);
}

void VideoWriter::addEncodedFrame(GstBuffer* frame, int64_t ptsNs, int64_t dtsNs)
{
    if (!encoded) {
        gst_buffer_unref(frame);
        fail("an encoded frame handed to a video of raw frames");
    }
    frame = gst_buffer_make_writable(frame);
    GST_BUFFER_PTS(frame) = GstClockTime(int64_t(ENCODED_START) + ptsNs);
    GST_BUFFER_DTS(frame) = GstClockTime(int64_t(ENCODED_START) + dtsNs);
    GST_BUFFER_DURATION(frame) = FRAME_NS;
    push(frame);
}

void VideoWriter::push(GstBuffer* frame)
{
    // Bounded hand-over: wait while the encoder is behind, watching for its errors meanwhile
    // (after an error upstream stops, and appsrc would never drain), for a signal and for a
    // pipeline that has stopped taking anything.
    StallWatch watch;
    while (gst_app_src_get_current_level_buffers(GST_APP_SRC(frameSource)) >= QUEUED_FRAMES) {
        std::string error = pendingError(2 * GST_MSECOND);
        if (error.empty() && interruptSignal()) {
            gst_buffer_unref(frame);
            return;
        }
        if (error.empty() && stalled(watch))
            error = "the encoder took no frame for " + std::to_string(stallLimit.count()) + " s";
        if (!error.empty()) {
            gst_buffer_unref(frame);
            fail(error);
        }
    }
    const GstFlowReturn pushed = gst_app_src_push_buffer(GST_APP_SRC(frameSource), frame);
    if (pushed != GST_FLOW_OK) {
        const std::string error = pendingError(GST_SECOND);
        fail(error.empty() ? std::string("the frame was refused (") + gst_flow_get_name(pushed) + ")"
                           : error);
    }
    ++frameCount;

    const std::string error = pendingError(0);
    if (!error.empty()) fail(error);
    printProgress();
}

bool VideoWriter::finish()
{
    if (finished) return true;
    if (frameCount == 0) fail("no frame was rendered");
    std::string error = pendingError(0);
    if (!error.empty()) fail(error);

    const int64_t videoEnd = int64_t(frameCount) * FRAME_NS;
    if (music && videoEnd < lengthNs) music->stopAt(music->startNs() + videoEnd);
    gst_app_src_end_of_stream(GST_APP_SRC(frameSource));

    // The encoders drain their look-ahead, then an MP4's index goes in front of its data by a
    // copy of the whole file: both grow with the picture and the disk's slowness, so there is
    // no deadline, only a limit on standing still.
    StallWatch watch;
    for (;;) {
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, GST_SECOND / 4, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (message) {
            const bool ended = GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
            if (!ended) error = describeError(message);
            gst_message_unref(message);
            if (ended) break;
            fail(error);
        }
        if (interruptSignal()) {
            discard();
            return false;
        }
        if (stalled(watch)) fail("nothing moved for " + std::to_string(stallLimit.count()) + " s while finishing the file");
        printFinishing(!flow.videoEnded ? "encoding the last frames" : dataName.empty() ? "closing the file" : "writing the index");
    }

    // The sink closes the file on the way to NULL and may report an error there (network and
    // FUSE file systems do); the bus keeps it, as it is not flushed (see the constructor).
    gst_element_set_state(pipeline, GST_STATE_NULL);
    error = pendingError(0);
    if (!error.empty()) fail(error);
    std::error_code sizeError;
    const uint64_t bytes = std::filesystem::file_size(partialName, sizeError);
    if (sizeError) fail("cannot read the size of " + partialName + " (" + sizeError.message() + ")");
    if (bytes != flow.end)
        fail(partialName + " holds " + std::to_string(bytes) + " bytes of the " + std::to_string(flow.end) + " written");
    // "Wrote" means on disk.
    const int fd = open(partialName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) {
        error = std::strerror(errno);
        if (fd >= 0) close(fd);
        fail("cannot put " + partialName + " on disk (" + error + ")");
    }
    close(fd);

    std::error_code renameError;
    std::filesystem::rename(partialName, fileName, renameError);
    finished = true;   // from here on the file is whole: it is kept, whatever its name
    endProgressLine();
    if (renameError)
        throw FatalError("Writing the video " + fileName + " failed at the last step: the complete video is kept as " +
                         partialName + ", but it cannot take the name " + fileName + " (" + renameError.message() +
                         ").");
    const std::string folder = std::filesystem::path(fileName).parent_path().string();
    const int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }

    const uint32_t kept = frameCount - leadInFrames;
    std::printf("Wrote %s: %u frames, %.2f s, %.1f MB.\n", fileName.c_str(), kept,
                double(kept) * FRAME_NS / 1e9, double(bytes) / 1e6);
    std::fflush(stdout);
    return true;
}

bool VideoWriter::stalled(StallWatch& watch)
{
    std::error_code ignored;
    const uint64_t mark = flow.frames + flow.bytes + (dataName.empty() ? 0 : std::filesystem::file_size(dataName, ignored));
    const auto now = std::chrono::steady_clock::now();
    if (mark != watch.mark) {
        watch.mark = mark;
        watch.since = now;
        return false;
    }
    return now - watch.since > stallLimit;
}

bool VideoWriter::discard()
{
    gst_element_set_state(pipeline, GST_STATE_NULL);
    const bool removed = removePartialFiles();
    endProgressLine();
    return removed;
}

void VideoWriter::fail(const std::string& reason)
{
    const bool removed = discard();
    const bool ended = !reason.empty() && (reason.back() == '.' || reason.back() == ')');
    throw FatalError("Writing the video " + fileName + " failed: " + reason + (ended ? "" : ".")
                     + (removed ? " The partial file " + partialName + " has been removed." : ""));
}

std::string VideoWriter::pendingError(GstClockTime timeout)
{
    GstMessage* message = gst_bus_timed_pop_filtered(bus, timeout, GST_MESSAGE_ERROR);
    if (!message) return "";
    const std::string text = describeError(message);
    gst_message_unref(message);
    return text;
}

bool VideoWriter::removePartialFiles()
{
    std::error_code ignored;
    if (!dataName.empty()) std::filesystem::remove(dataName, ignored);
    return !partialName.empty() && std::filesystem::remove(partialName, ignored);
}

void VideoWriter::printProgress()
{
    const int64_t doneNs = int64_t(frameCount) * FRAME_NS;
    const int64_t percent = std::min<int64_t>(100, doneNs * 100 / lengthNs);
    if (terminal) {
        // Once a second of video is plenty for the eye.
        if (frameCount % 25 != 0 && doneNs < lengthNs) return;
    } else {
        if (percent / 10 <= reportedTenths) return;
        reportedTenths = int(percent / 10);
    }
    const double wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double speed = wallSeconds > 0.0 ? double(doneNs) / 1e9 / wallSeconds : 0.0;
    const double leftSeconds =
        speed > 0.0 ? double(std::max<int64_t>(0, lengthNs - doneNs)) / 1e9 / speed : 0.0;
    const long long left = std::llround(leftSeconds);
    char line[160];
    std::snprintf(line, sizeof line, "%lld%%, %lld s of %lld s, %.2fx real time, %lld:%02lld left",
                  static_cast<long long>(percent), static_cast<long long>(doneNs / 1'000'000'000),
                  static_cast<long long>(lengthNs / 1'000'000'000), speed, left / 60, left % 60);
    if (terminal) {
        // Back to the line's start, the new text, and the rest of the old line erased.
        std::printf("\r%s %s: %s\033[K", progressVerb.c_str(), fileName.c_str(), line);
        progressLineOpen = true;
    } else {
        std::printf("%s %s: %s\n", progressVerb.c_str(), fileName.c_str(), line);
    }
    std::fflush(stdout);
}

void VideoWriter::printFinishing(const char* phase)
{
    const bool changed = phase != finishingPhase;
    finishingPhase = phase;
    char line[160];
    std::snprintf(line, sizeof line, "%s %s: finishing: %s\u2026, %.1f MB written", progressVerb.c_str(),
                  fileName.c_str(), phase, double(flow.bytes) / 1e6);
    if (terminal) {
        std::printf("\r%s\033[K", line);
        progressLineOpen = true;
    } else if (changed) {
        std::printf("%s\n", line);
    }
    std::fflush(stdout);
}

void VideoWriter::endProgressLine()
{
    if (!progressLineOpen) return;
    std::putchar('\n');
    std::fflush(stdout);
    progressLineOpen = false;
}
