#include "app/videojoin.h"

#include <gst/app/gstappsink.h>

#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "app/interrupt.h"
#include "app/pieces.h"
#include "core/datafiles.h"
#include "core/fatalerror.h"

namespace {

// One piece played through its demuxer into an appsink: frames in decoding order, as stored.
class PieceReader {
public:
    PieceReader(const std::string& fileName, const VideoFormat& format) : fileName(fileName)
    {
        const bool mp4 = format.muxer == "mp4mux";
        const std::string description = std::string("filesrc name=file ! ") + (mp4 ? "qtdemux" : "matroskademux") +
                                        " ! appsink name=frames sync=false caps=" +
                                        (mp4 ? "video/x-h264" : "video/x-vp9");
        GError* error = nullptr;
        pipeline = gst_parse_launch(description.c_str(), &error);
        if (!pipeline || error) {
            const std::string why = error ? error->message : "unknown reason";
            g_clear_error(&error);
            if (pipeline) gst_object_unref(pipeline);
            throw FatalError("Cannot read the piece " + fileName + ": " + why);
        }
        GstElement* file = gst_bin_get_by_name(GST_BIN(pipeline), "file");
        g_object_set(file, "location", fileName.c_str(), nullptr);
        gst_object_unref(file);
        sink = gst_bin_get_by_name(GST_BIN(pipeline), "frames");
        bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline));
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
    }
    ~PieceReader()
    {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(bus);
        gst_object_unref(sink);
        gst_object_unref(pipeline);
    }
    PieceReader(const PieceReader&) = delete;
    PieceReader& operator=(const PieceReader&) = delete;

    // The next frame, or null after the last. Throws FatalError when the piece cannot be read.
    GstSample* next()
    {
        GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 30 * GST_SECOND);
        if (sample || gst_app_sink_is_eos(GST_APP_SINK(sink))) return sample;
        std::string why = "it stopped without an error";
        if (GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            why = error ? error->message : "unknown error";
            g_clear_error(&error);
            gst_message_unref(message);
        }
        throw FatalError("Cannot join: the piece " + fileName + " cannot be read (" + why +
                         "); it is cut short or not a video");
    }

    // The comment tag, once the frames have been read.
    std::string comment()
    {
        std::string text;
        GstPad* pad = gst_element_get_static_pad(sink, "sink");
        gst_pad_sticky_events_foreach(pad, readComment, &text);
        gst_object_unref(pad);
        return text;
    }

private:
    static gboolean readComment(GstPad*, GstEvent** event, gpointer text)
    {
        if (GST_EVENT_TYPE(*event) != GST_EVENT_TAG) return TRUE;
        GstTagList* tags = nullptr;
        gst_event_parse_tag(*event, &tags);
        gchar* value = nullptr;
        if (gst_tag_list_get_string(tags, GST_TAG_COMMENT, &value)) *static_cast<std::string*>(text) = value;
        g_free(value);
        return TRUE;
    }

    std::string fileName;
    GstElement* pipeline = nullptr;
    GstElement* sink = nullptr;
    GstBus* bus = nullptr;
};

std::string capsText(GstSample* sample)
{
    gchar* text = gst_caps_to_string(gst_sample_get_caps(sample));
    std::string caps = text ? text : "";
    g_free(text);
    return caps;
}

// What the check of a piece found, for the copy.
struct Checked {
    std::string name;
    Piece piece;
    std::string caps;
    GstClockTime firstPicture = 0;   // the earliest presentation time: the piece's frame 0
};

// Reads every frame of a piece; refuses it unless it is piece `index` of `count` of the video,
// whole, and made like `first` (when there is one).
Checked check(const std::string& name, const VideoFormat& format, uint32_t index, uint32_t count,
              const Checked* first)
{
    Checked c{name, {}, {}, GST_CLOCK_TIME_NONE};
    PieceReader reader(name, format);
    uint32_t frames = 0;
    while (GstSample* sample = reader.next()) {
        if (frames++ == 0) c.caps = capsText(sample);
        const GstClockTime pts = GST_BUFFER_PTS(gst_sample_get_buffer(sample));
        if (pts < c.firstPicture) c.firstPicture = pts;
        gst_sample_unref(sample);
    }
    const std::optional<Piece> record = Piece::parse(reader.comment());
    const std::string refused = "Cannot join: the piece " + name + " ";
    if (!record)
        throw FatalError(refused + "carries no record of a render; it is cut short or not a piece of one");
    c.piece = *record;
    if (c.piece.format != format.extension)
        throw FatalError(refused + "is a piece of a " + c.piece.format + " video, not of a " + format.extension +
                         " one");
    if (c.piece.count != count || c.piece.index != index)
        throw FatalError(refused + "holds chunk " + std::to_string(c.piece.index) + " of " +
                         std::to_string(c.piece.count) + ", not chunk " + std::to_string(index) + " of " +
                         std::to_string(count) + "; it is a copy of another piece");
    if (first && !c.piece.sameRender(first->piece))
        throw FatalError(refused + "belongs to another render (" + c.piece.text() + ") than " + first->name + " (" +
                         first->piece.text() + ")");
    if (frames != c.piece.stretch().frames())
        throw FatalError(refused + "is cut short: it holds " + std::to_string(frames) + " of its " +
                         std::to_string(c.piece.stretch().frames()) + " frames");
    if (first && c.caps != first->caps)
        throw FatalError(refused + "was encoded otherwise than " + first->name + " (" + c.caps + " against " +
                         first->caps + ")");
    return c;
}

} // namespace

int joinPieces(const std::string& fileName, const VideoFormat& format, uint32_t count)
{
    std::string missing;
    for (uint32_t i = 0; i < count; ++i) {
        const std::string name = pieceName(fileName, i, count);
        std::error_code error;
        if (!std::filesystem::exists(name, error)) missing += (missing.empty() ? "" : ", ") + name;
    }
    if (!missing.empty())
        throw FatalError("Cannot join " + fileName + ": missing " + missing +
                         " (each is made by --chunk I/" + std::to_string(count) + ")");

    catchInterrupts();
    std::vector<Checked> pieces;
    for (uint32_t i = 0; i < count; ++i) {
        pieces.push_back(check(pieceName(fileName, i, count), format, i, count,
                               pieces.empty() ? nullptr : &pieces.front()));
        if (interruptSignal()) return reportCut(fileName, 0, "no video was written.");
    }

    const Piece& first = pieces.front().piece;
    VideoWriter::Setup setup;
    setup.fileName = fileName;
    setup.format = format;
    setup.width = first.width;
    setup.height = first.height;
    setup.lengthNs = first.render.endNs() - first.render.startNs();
    setup.musicFile = dataFile("music.xm");
    setup.musicStartNs = first.render.startNs();
    setup.encodedCaps = pieces.front().caps;
    setup.progressVerb = "Joining";
    VideoWriter writer(setup);
    for (const Checked& c : pieces) {
        if (interruptSignal()) break;
        const int64_t offset = c.piece.stretch().startNs() - first.render.startNs() - int64_t(c.firstPicture);
        PieceReader reader(c.name, format);
        while (GstSample* sample = reader.next()) {
            GstBuffer* frame = gst_buffer_ref(gst_sample_get_buffer(sample));
            gst_sample_unref(sample);
            const int64_t pts = int64_t(GST_BUFFER_PTS(frame));
            const int64_t dts = GST_BUFFER_DTS_IS_VALID(frame) ? int64_t(GST_BUFFER_DTS(frame)) : pts;
            writer.addEncodedFrame(frame, pts + offset, dts + offset);
            if (interruptSignal()) break;
        }
    }
    if (interruptSignal() || !writer.finish()) {
        writer.endProgressLine();
        return reportCut(fileName, writer.framesAdded(), "no video was written.");
    }
    for (const Checked& c : pieces) {
        std::error_code ignored;
        std::filesystem::remove(c.name, ignored);
    }
    return 0;
}
