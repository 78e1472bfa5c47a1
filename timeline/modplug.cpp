#include "timeline/modplug.h"

#include <algorithm>
#include <string>

namespace {

// modplug asks downstream for its caps before it sends anything, so the stream-start is stored
// on its output then (stored, sticky events go downstream in order ahead of the data).
GstPadProbeReturn addStreamStart(GstPad* pad, GstPadProbeInfo*, gpointer)
{
    GstEvent* started = gst_pad_get_sticky_event(pad, GST_EVENT_STREAM_START, 0);
    if (started) {
        gst_event_unref(started);
        return GST_PAD_PROBE_OK;
    }
    gchar* id = gst_pad_create_stream_id(pad, GST_PAD_PARENT(pad), nullptr);
    GstEvent* event = gst_event_new_stream_start(id);
    gst_event_set_group_id(event, gst_util_group_id_next());
    gst_pad_store_sticky_event(pad, event);
    gst_event_unref(event);
    g_free(id);
    return GST_PAD_PROBE_OK;
}

} // namespace

void configureModplug(GstElement* modplug)
{
    g_object_set(modplug, "reverb", TRUE, "reverb-depth", 30, "reverb-delay", 100, nullptr);
    GstPad* output = gst_element_get_static_pad(modplug, "src");
    gst_pad_add_probe(output, GST_PAD_PROBE_TYPE_QUERY_DOWNSTREAM, addStreamStart, nullptr, nullptr);
    gst_object_unref(output);
}

MusicStretch::MusicStretch(GstElement* modplug, int64_t startNs, int64_t stopNs) : start(startNs), stopNs(stopNs)
{
    GstPad* output = gst_element_get_static_pad(modplug, "src");
    gst_pad_add_probe(output, GST_PAD_PROBE_TYPE_BUFFER, onBuffer, this, nullptr);
    gst_object_unref(output);
}

// Bytes of one sample frame and the rate of modplug's output (interleaved S32LE, S16LE or U8).
bool MusicStretch::readFormat(GstPad* pad)
{
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps) return false;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    const std::string format = gst_structure_get_string(s, "format") ? gst_structure_get_string(s, "format") : "";
    int channels = 0, sampleRate = 0;
    gst_structure_get_int(s, "channels", &channels);
    gst_structure_get_int(s, "rate", &sampleRate);
    gst_caps_unref(caps);
    const int sampleBytes = format == "S32LE" ? 4 : format == "S16LE" ? 2 : format == "U8" ? 1 : 0;
    if (sampleBytes == 0 || channels <= 0 || sampleRate <= 0) return false;
    bytesPerFrame = sampleBytes * channels;
    rate = sampleRate;
    return true;
}

// In sample frames, where nothing drifts. At the stop the stream ends and modplug is answered
// with EOS, which stops it decoding (it does not send the EOS event itself).
GstPadProbeReturn MusicStretch::onBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer self)
{
    auto& s = *static_cast<MusicStretch*>(self);
    if (s.bytesPerFrame == 0 && !s.readFormat(pad)) return GST_PAD_PROBE_OK;
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!GST_BUFFER_PTS_IS_VALID(buffer)) return GST_PAD_PROBE_OK;

    auto frameAt = [&](int64_t ns) { return gst_util_uint64_scale_int_ceil(guint64(ns), s.rate, GST_SECOND); };
    const guint64 first = gst_util_uint64_scale_int_round(GST_BUFFER_PTS(buffer), s.rate, GST_SECOND);
    const guint64 end = first + gst_buffer_get_size(buffer) / guint64(s.bytesPerFrame);
    const guint64 from = frameAt(s.start), to = frameAt(s.stopNs.load());
    if (first >= to) {
        gst_pad_push_event(pad, gst_event_new_eos());
        gst_buffer_unref(buffer);
        GST_PAD_PROBE_INFO_DATA(info) = nullptr;
        GST_PAD_PROBE_INFO_FLOW_RETURN(info) = GST_FLOW_EOS;
        return GST_PAD_PROBE_HANDLED;
    }
    if (end <= from) return GST_PAD_PROBE_DROP;
    const guint64 keepFrom = std::max(first, from), keepTo = std::min(end, to);
    if (from == 0 && keepTo == end) return GST_PAD_PROBE_OK;
    buffer = gst_buffer_make_writable(buffer);
    gst_buffer_resize(buffer, gssize((keepFrom - first) * guint64(s.bytesPerFrame)),
                      gssize((keepTo - keepFrom) * guint64(s.bytesPerFrame)));
    GST_BUFFER_PTS(buffer) = gst_util_uint64_scale_int(keepFrom - from, GST_SECOND, s.rate);
    GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale_int(keepTo - keepFrom, GST_SECOND, s.rate);
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    return GST_PAD_PROBE_OK;
}
