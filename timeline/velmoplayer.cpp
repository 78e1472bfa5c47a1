#include "timeline/velmoplayer.h"

#include "timeline/runflags.h"
#include "core/fatalerror.h"
#include "timeline/modplug.h"

#include <algorithm>
#include <iostream>

namespace {

gboolean onBusMessage(GstBus*, GstMessage* message, gpointer player)
{
    return static_cast<VelmoPlayer*>(player)->busCall(message) ? TRUE : FALSE;
}

void onPadAdded(GstElement* element, GstPad* pad, gpointer player)
{
    static_cast<VelmoPlayer*>(player)->newDecodedPadCb(pad, element);
}

void onHandOff(GstElement* element, GstBuffer* buffer, GstPad* pad, gpointer player)
{
    static_cast<VelmoPlayer*>(player)->handOffHandler(element, buffer, pad);
}

// Drops an element that was never added to a bin (it still holds its floating reference).
void discard(GstElement* element)
{
    if (element) {
        gst_object_unref(gst_object_ref_sink(element));
    }
}

} // namespace

VelmoPlayer::VelmoPlayer(const std::string& musicFile, const std::string& videoFile, const Stretch& part)
{
    std::cout << "Trying to create GStreamer element modplug. If this fails you propably don't "
                 "have modplug and the required GStreamer plugin installed."
              << std::endl;

    pipeline = gst_pipeline_new("velmo-media-player");
    fileSource = gst_element_factory_make("filesrc", "file-source");
    parser = gst_element_factory_make("modplug", "modplug-parser");
    converter = gst_element_factory_make("audioconvert", "converter");
    audioSink = gst_element_factory_make("alsasink", "alsa-output");
    if (!pipeline || !fileSource || !parser || !converter || !audioSink) {
        std::cout << "One or more element could not be created";
        if (!pipeline) std::cout << " : no pipeline.";
        if (!fileSource) std::cout << " : no source.";
        if (!parser) std::cout << " : no parser.";
        if (!converter) std::cout << " : no conv.";
        if (!audioSink) std::cout << " : no sink.";
        std::cout.flush();
        for (GstElement* e : {pipeline, fileSource, parser, converter, audioSink}) {
            discard(e);
        }
        throw FatalError("One or more gstreamerD elements could not be created.");
    }

    g_object_set(fileSource, "location", musicFile.c_str(), nullptr);

    GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline));
    gst_bus_add_watch(bus, onBusMessage, this);
    gst_object_unref(bus);

    configureModplug(parser);
    stretch = std::make_unique<MusicStretch>(parser, part.startNs(), part.endNs());
    streamPosition = part.startNs();

    gst_bin_add_many(GST_BIN(pipeline), fileSource, parser, converter, audioSink, nullptr);
    gst_element_link(fileSource, parser);
    gst_element_link(parser, converter);
    gst_element_link(converter, audioSink);

    if (videoFile != "novideo") {
        buildVideoBranch(videoFile);
    }

    checkStateChange(gst_element_set_state(pipeline, GST_STATE_PAUSED));

    gint64 d = 0;
    if (gst_element_query_duration(pipeline, GST_FORMAT_TIME, &d) && d > 0) {
        duration = d;
    }
}

void VelmoPlayer::buildVideoBranch(const std::string& videoFile)
{
    videoSource = gst_element_factory_make("filesrc", "source");
    g_object_set(videoSource, "location", videoFile.c_str(), nullptr);
    decoder = gst_element_factory_make("decodebin", "decoder");
    g_signal_connect(decoder, "pad-added", G_CALLBACK(onPadAdded), this);
    gst_bin_add_many(GST_BIN(pipeline), videoSource, decoder, nullptr);
    gst_element_link(videoSource, decoder);

    videoBin = gst_bin_new("vbin");
    colorConverter = gst_element_factory_make("videoconvert", "colconv");
    videoSink = gst_element_factory_make("fakesink", "fsink");
    gst_bin_add_many(GST_BIN(videoBin), colorConverter, videoSink, nullptr);
    // uploadTexture reads every frame as width × height RGBA bytes.
    GstCaps* rgba = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGBA", nullptr);
    gst_element_link_pads_filtered(colorConverter, "src", videoSink, "sink", rgba);
    gst_caps_unref(rgba);

    GstPad* sinkPad = gst_element_get_static_pad(colorConverter, "sink");
    gst_element_add_pad(videoBin, gst_ghost_pad_new("sink", sinkPad));
    gst_object_unref(sinkPad);

    g_object_set(videoSink, "sync", TRUE, "signal-handoffs", TRUE, nullptr);
    g_signal_connect(videoSink, "preroll-handoff", G_CALLBACK(onHandOff), this);
    g_signal_connect(videoSink, "handoff", G_CALLBACK(onHandOff), this);

    gst_bin_add(GST_BIN(pipeline), videoBin);
}

VelmoPlayer::~VelmoPlayer()
{
    gst_element_set_state(pipeline, GST_STATE_NULL);
    GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline));
    gst_bus_remove_watch(bus);
    gst_object_unref(bus);
    gst_object_unref(pipeline);
    if (lastBuffer) {
        gst_buffer_unref(lastBuffer);
    }
    if (videoTexture != 0) {
        glDeleteTextures(1, &videoTexture);
    }
}

VelmoPlayer::Preroll VelmoPlayer::waitForPaused(GstClockTime timeout)
{
    Preroll result;
    const GstStateChangeReturn r = gst_element_get_state(pipeline, nullptr, nullptr, timeout);
    if (r == GST_STATE_CHANGE_SUCCESS || r == GST_STATE_CHANGE_NO_PREROLL) {
        result.paused = true;
        return result;
    }
    if (r == GST_STATE_CHANGE_ASYNC) {
        result.soundDevice = true;
        result.reason = "the sound output did not start within "
                        + std::to_string(timeout / GST_SECOND) + " s";
        return result;
    }
    GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline));
    // The failure can be reported before the element's error has reached the pipeline's bus.
    GstMessage* error = gst_bus_timed_pop_filtered(bus, GST_SECOND, GST_MESSAGE_ERROR);
    gst_object_unref(bus);
    if (!error) {
        result.reason = "the pipeline failed without saying why";
        return result;
    }
    GError* e = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(error, &e, &debug);
    result.soundDevice = GST_MESSAGE_SRC(error) == GST_OBJECT(audioSink);
    result.reason = std::string(GST_MESSAGE_SRC_NAME(error)) + ": " + (e ? e->message : "error");
    // The debug text ends with the system's own words ("... on device 'default': Device or
    // resource busy"); its earlier lines are source locations.
    if (debug) {
        const std::string detail(debug);
        const std::string last = detail.substr(detail.find_last_of('\n') + 1);
        if (!last.empty() && last != detail) {
            result.reason += " " + last;
        }
    }
    g_free(debug);
    g_clear_error(&e);
    gst_message_unref(error);
    return result;
}

void VelmoPlayer::position(int64_t p)
{
    streamPosition = p;
}

int64_t VelmoPlayer::position()
{
    return scriptPosition(streamPosition);
}

int64_t VelmoPlayer::updatePosition()
{
    if (!playing) {
        return 0;
    }
    if (duration == 0) {
        gint64 d = 0;
        if (gst_element_query_duration(pipeline, GST_FORMAT_TIME, &d) && d > 0) {
            duration = d;
        }
    }
    gint64 p = 0;
    if (!gst_element_query_position(pipeline, GST_FORMAT_TIME, &p) || p < 0) {
        p = 0;
    }
    p += stretch->startNs();
    position(p);
    dispatchBusMessages();
    if (reachedEnd(p, duration == 0 ? 0 : std::min(duration, stretch->stopAt()))) {
        running = false;
    }
    return p;
}

void VelmoPlayer::dispatchBusMessages()
{
    GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline));
    while (GstMessage* message = gst_bus_pop(bus)) {
        if (!writeScreenShotMode) {
            busCall(message);
        }
        gst_message_unref(message);
    }
    gst_object_unref(bus);
}

void VelmoPlayer::seek(int64_t p)
{
    gst_element_seek(pipeline, 1.0, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, GST_SEEK_TYPE_SET, p,
                     GST_SEEK_TYPE_NONE, -1);
}

void VelmoPlayer::play()
{
    checkStateChange(gst_element_set_state(pipeline, GST_STATE_PLAYING));
    playing = true;
}

void VelmoPlayer::pause()
{
    checkStateChange(gst_element_set_state(pipeline, GST_STATE_PAUSED));
    playing = false;
}

bool VelmoPlayer::busCall(GstMessage* message)
{
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
        running = false;
        break;
    case GST_MESSAGE_ERROR: {
        GError* error = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(message, &error, &debug);
        g_clear_error(&error);
        g_free(debug);
        running = false;
        break;
    }
    default:
        break;
    }
    return true;
}

void VelmoPlayer::newPad(GstPad*, GstElement*)
{
}

void VelmoPlayer::newDecodedPadCb(GstPad* pad, GstElement*)
{
    std::lock_guard<std::mutex> guard(padLock);
    if (!pad) {
        return;
    }
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps) {
        caps = gst_pad_query_caps(pad, nullptr);
    }
    gchar* text = gst_caps_to_string(caps);
    const bool video = std::string(text).find("video") != std::string::npos;
    g_free(text);
    gst_caps_unref(caps);
    if (video) {
        GstPad* binSink = gst_element_get_static_pad(videoBin, "sink");
        checkPadLink(gst_pad_link(pad, binSink));
        gst_object_unref(binSink);
    }
}

void VelmoPlayer::checkStateChange(GstStateChangeReturn)
{
}

void VelmoPlayer::checkPadLink(GstPadLinkReturn)
{
}

void VelmoPlayer::handOffHandler(GstElement*, GstBuffer* buffer, GstPad* pad)
{
    std::lock_guard<std::mutex> guard(bufferLock);
    if (!videoInfoKnown) {
        videoWidth = getPadWidth(pad);
        videoHeight = getPadHeight(pad);
        videoAspectRatio = getPadAspectRatio(pad);
        videoFps = getPadFps(pad);
        videoInfoKnown = true;
        return;
    }
    // The sink releases the buffer when this returns; the reference keeps it for uploadTexture.
    if (lastBuffer) {
        gst_buffer_unref(lastBuffer);
    }
    lastBuffer = gst_buffer_ref(buffer);
}

GstCaps* VelmoPlayer::negotiatedCaps(GstPad* pad, const char* what)
{
    GstCaps* caps = pad ? gst_pad_get_current_caps(pad) : nullptr;
    if (caps && gst_caps_get_size(caps) > 0) {
        return caps;
    }
    if (caps) {
        gst_caps_unref(caps);
    }
    std::cout << what << " failed." << std::endl;
    return nullptr;
}

int32_t VelmoPlayer::getPadWidth(GstPad* pad)
{
    GstCaps* caps = negotiatedCaps(pad, "getPadWidth");
    if (!caps) {
        return 0;
    }
    gint width = 0;
    gst_structure_get_int(gst_caps_get_structure(caps, 0), "width", &width);
    gst_caps_unref(caps);
    return width;
}

int32_t VelmoPlayer::getPadHeight(GstPad* pad)
{
    GstCaps* caps = negotiatedCaps(pad, "getPadHeight");
    if (!caps) {
        return 0;
    }
    gint height = 0;
    gst_structure_get_int(gst_caps_get_structure(caps, 0), "height", &height);
    gst_caps_unref(caps);
    return height;
}

double VelmoPlayer::getPadFps(GstPad* pad)
{
    GstCaps* caps = negotiatedCaps(pad, "getPadFps");
    if (!caps) {
        return 0.0;
    }
    gint n = 0;
    gint d = 0;
    if (!gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "framerate", &n, &d)) {
        n = d = 0;
    }
    gst_caps_unref(caps);
    return d == 0 ? 0.0 : static_cast<double>(n) / d;
}

double VelmoPlayer::getPadAspectRatio(GstPad* pad)
{
    GstCaps* caps = negotiatedCaps(pad, "getPadAspectRatio");
    if (!caps) {
        return 0.0;
    }
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    gint w = 0;
    gint h = 0;
    gint n = 0;
    gint d = 0;
    gst_structure_get_int(s, "width", &w);
    gst_structure_get_int(s, "height", &h);
    if (!gst_structure_get_fraction(s, "pixel-aspect-ratio", &n, &d)) {
        n = d = 0;
    }
    gst_caps_unref(caps);
    const double picture = static_cast<double>(w) / h;
    return n == 0 ? picture : static_cast<double>(n) / d * picture;
}

void VelmoPlayer::uploadTexture()
{
    int32_t width = 0;
    int32_t height = 0;
    GstBuffer* buffer = nullptr;
    {
        std::lock_guard<std::mutex> guard(bufferLock);
        if (!videoInfoKnown) {
            return;
        }
        width = videoWidth;
        height = videoHeight;
        if (textureCreated && lastBuffer) {
            buffer = gst_buffer_ref(lastBuffer);
        }
    }

    if (!textureCreated) {
        glActiveTexture(textureUnit);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glGenTextures(1, &videoTexture);
        glBindTexture(GL_TEXTURE_2D, videoTexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        // Frames replace level 0 only; the mipmap filter needs the other levels kept in step.
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     nullptr);
        textureCreated = true;
        return;
    }

    if (!buffer) {
        std::cout << "upload. Buffer is null." << std::endl;
        return;
    }
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        if (map.size >= static_cast<gsize>(width) * height * 4) {
            glActiveTexture(textureUnit);
            glBindTexture(GL_TEXTURE_2D, videoTexture);
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                            map.data);
        }
        gst_buffer_unmap(buffer, &map);
    }
    gst_buffer_unref(buffer);
}
