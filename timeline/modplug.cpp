#include "timeline/modplug.h"

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
