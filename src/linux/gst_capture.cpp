// The capture source on GStreamer (Linux): the first "Video/Source" device of
// a device monitor (or the LUMOX_VIDEO_SOURCE description) runs through
// decoding, colour conversion and scaling into an appsink that delivers
// 160 x 120 blue-green-red frames. The appsink's new-sample callback runs on
// the pipeline's streaming thread and hands each frame to the frame exchange;
// a change of the sample caps goes through the sink's format check first,
// as an in-stream type change does on Windows.
//
// Each start of the capture has a thread of its own, which owns its pipeline
// from making it to freeing it: it builds and starts the pipeline, then
// takes the running pipeline's errors and its end off the bus (a camera
// that fails or is unplugged during the run is stopped there and then, so
// that it is free for others at once, and the render loop is told to show
// the still picture again), and stops and frees it when told to. A camera
// that is busy or fails at start is no camera.
//
// The runs of one user that want the same source at once (XScreenSaver's
// hack per monitor and its preview, a second window) share it: the first
// owns it (share_rendezvous.h) and hands its frames through shmsink, beside
// its own appsink, to the others, which read them with shmsrc into theirs.
// A queue that drops the oldest frame stands before shmsink, so that a
// reader that stops reading never holds up the owner's own picture. When the
// owner goes (its end, or a kill), a reader takes the source over, or reads
// from the run that did; one whose video has been gone a second shows the
// still picture until it comes again. Without the shared-memory elements,
// or without a sound directory to meet in, each run opens its source alone.
//
// The main thread never calls into a pipeline: it tells the thread to stop
// and waits a moment. A source can hold that thread in one call for ever
// (a camera stuck in its open, a FIFO nobody writes, a network source that
// never answers): such a thread is abandoned, never joined, and what it does
// if it ever comes back reaches nothing of the saver. A process that
// abandoned one ends at its exit without the destructors that would wait
// for the thread or free what it may still use, removing first what its
// owner run shares through.
//
// Relies on: gst_init_check leaving the program's arguments alone; elements
// made from the device itself (so PipeWire's provider works as V4L2's does);
// gst_video_frame_map reporting the row stride; glibc's on_exit; shmsink
// making its socket when it starts and removing it, and its segment, when
// it stops, and shmsrc failing its start when no one listens on the socket
// and posting an error when the writer goes.
#include "linux/gst_capture.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/printable_text.h"
#include "linux/share_rendezvous.h"
#include "platform/termination.h"
#include "platform/capture_source.h"
#include "video/frame_exchange.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

#define LUMOX_FORMAT "capsfilter name=lumoxformat caps=video/x-raw,format=BGR,width=160,height=120,pixel-aspect-ratio=1/1"
#define LUMOX_SINK "appsink name=lumoxsink sync=false max-buffers=1 drop=true wait-on-eos=false"

// Converts and scales any source to the one format the sink takes. A 16:9
// source is letterboxed (square pixels), not squashed.
const char kConversion[] = "videoconvert ! videoscale ! " LUMOX_FORMAT " ! " LUMOX_SINK;

// A follower's pipeline: the owner's frames, in the format the owner made,
// from the socket (its socket-path set apart).
const char kFollowing[] = "shmsrc name=lumoxshare is-live=true do-timestamp=true ! " LUMOX_FORMAT " ! " LUMOX_SINK;

#undef LUMOX_FORMAT
#undef LUMOX_SINK

// The queues of an owner's two branches (its own sink, shmsink): each drops
// its oldest frame rather than wait, so that neither branch holds up the
// other, nor a reader that stops reading (shmsink's area full) the owner's
// own picture. shmsink's area holds ten frames.
const char* const kBranchQueue[][2] = {
    {"max-size-buffers", "2"}, {"max-size-bytes", "0"}, {"max-size-time", "0"}, {"leaky", "downstream"}};
const char* const kShareSink[][2] = {
    {"wait-for-connection", "false"}, {"sync", "false"}, {"perms", "0600"}, {"shm-size", "576000"}};

// How long a start waits for the pipeline to reach PLAYING, once the
// source's own opening (however long it takes) has returned.
constexpr auto kStartTimeout = std::chrono::seconds(5);

// How long a release waits, from the moment a run is told to stop, for its
// thread to stop and free the pipeline; a thread that takes longer is held
// in a call that may never return, and is abandoned. A stop takes under
// 40 ms even under ThreadSanitizer: this only bounds the end of a process
// whose source hangs.
constexpr auto kStopWait = std::chrono::milliseconds(250);

// The structure name of the message that wakes a run's watch to stop.
const char kStopWatching[] = "lumox-stop-watching";

const char kStillPicture[] = ": showing the still picture.";

// How often a follower without video looks for the source again: the lock,
// to own it, or the owner's socket.
constexpr auto kLookAgain = std::chrono::milliseconds(100);

// How long a follower shows its last frame after the video went, before the
// still picture: a run that takes the source over is back well within it.
constexpr auto kVideoGrace = std::chrono::seconds(1);

// A run that takes the source over from another tries to start it this
// often, this far apart: a killed owner's camera may be let go a moment
// after its lock.
constexpr int kTakeOverStarts = 3;
constexpr auto kTakeOverPause = std::chrono::milliseconds(200);

// One start of the capture, and its run once it plays. Made by the main
// thread, which fixes what it starts; shared with the run's own thread and
// the pipeline's streaming threads, which hold it for as long as they live,
// also after it was abandoned.
struct CaptureRun {
    std::string description;      // LUMOX_VIDEO_SOURCE; empty: a camera
    std::string preferredDevice;  // --device
    std::string runtimeDir;       // XDG_RUNTIME_DIR; empty when unset
    bool sayFailure = false;      // a start that fails says why on stderr

    // What follows is guarded by runLock.
    std::atomic<bool> stop{false};  // written under runLock, read anywhere
    SteadyClock::time_point stopAt;
    bool starting = true;   // until the start has played or failed
    bool running = false;   // it played, and the frame exchange was told so
    bool finished = false;  // its thread is done with GStreamer
    bool abandoned = false; // the release gave up waiting for its thread
    std::string source;     // the source, as a message names it
    std::string failure;    // why the start failed, printable; empty: it was cut short
    std::string endReason;  // why the running stream stopped, printable
    GstElement* pipeline = nullptr;  // while it runs (CapturePipeline); a follower's, while connected
    GstBus* bus = nullptr;           // a reference of its own while it runs, to wake the watch
    GstCaps* lastCaps = nullptr;     // of the last sample

    ~CaptureRun() {
        if (bus) gst_object_unref(bus);
        gst_caps_replace(&lastCaps, nullptr);
    }
};

// Guards what the runs share, and every report of a run to the frame
// exchange (frames, running, ended), so that none comes once the run was
// told to stop. Never held across a call that may wait on another thread,
// but for the frame exchange's own lock. One lock of static storage for
// every run: GStreamer's streaming threads start inside GLib, where
// ThreadSanitizer cannot see that they come after the run was made, and a
// lock the main thread took after making it shows that.
std::mutex runLock;
std::condition_variable runChanged;  // a run's start or its thread ended

// The main thread's side: the current run and its thread, and what
// CaptureFailureText shows.
struct Capture {
    std::shared_ptr<CaptureRun> run;
    std::thread thread;
    std::string failureText;
};
Capture capture;

// Runs' threads abandoned and still held by their source; while there is
// one, the process ends through EndAtExit.
std::atomic<int> abandonedThreads{0};

// --device: part of the camera's name or device path; empty for the first.
std::string preferredDevice;

// The sources this process owns for runs of its user, by their share names:
// what an exit with an abandoned owner removes.
std::mutex ownedLock;
std::vector<ShareNames> ownedSources;

// What a run shares through, and its hold on the source while it owns it.
struct Share {
    bool on = false;  // runs of this user meet for this source
    ShareNames names;
    int lockFd = -1;  // the lock, while this run owns the source
};

// The source a run's thread decided on: a camera (a device of the device
// monitor), or the description; and what it is, for its share names.
struct SourcePlan {
    GstDevice* device = nullptr;  // a reference of its own
    std::string identity;
    ~SourcePlan() {
        if (device) gst_object_unref(device);
    }
};

std::string SourceOf(CaptureRun& run) {
    std::lock_guard<std::mutex> lock(runLock);
    return run.source;
}

// Keeps the reason why the run's start failed, and gives the start's result.
bool Fail(CaptureRun& run, const std::string& what) {
    std::string text = PrintableText(what);
    std::lock_guard<std::mutex> lock(runLock);
    run.failure = std::move(text);
    return false;
}

// The sample caps in the terms the sink decides on. GStreamer's BGR rows run
// top-down, which a video-info header writes as a negative height.
VideoFormat FormatFromCaps(const GstCaps* caps) {
    VideoFormat format;
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, caps)) return format;
    format.videoInfo = true;
    format.width = GST_VIDEO_INFO_WIDTH(&info);
    format.height = -GST_VIDEO_INFO_HEIGHT(&info);
    const bool bgr = GST_VIDEO_INFO_FORMAT(&info) == GST_VIDEO_FORMAT_BGR;
    format.bitCount = bgr ? 24 : 0;
    format.uncompressed = bgr;
    return format;
}

// The appsink's callback, on the streaming thread: the frame into the
// exchange, unless the run was told to stop.
GstFlowReturn OnNewSample(GstAppSink* sink, gpointer data) {
    CaptureRun& run = *static_cast<CaptureRun*>(data);
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample) return GST_FLOW_OK;
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    std::lock_guard<std::mutex> lock(runLock);
    if (caps && buffer && !run.stop.load()) {
        if (!run.lastCaps || !gst_caps_is_equal(caps, run.lastCaps)) {
            const VideoFormat format = FormatFromCaps(caps);
            if (CheckVideoFormat(format)) SetVideoFormat(format);
            gst_caps_replace(&run.lastCaps, caps);
        }
        GstVideoInfo info;
        GstVideoFrame frame;
        if (gst_video_info_from_caps(&info, caps) && gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
            const auto* pixels = static_cast<const unsigned char*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
            // What is mapped from the plane's start to the memory's end.
            const auto* mapped = static_cast<const unsigned char*>(frame.map[0].data);
            const size_t offset = static_cast<size_t>(pixels - mapped);
            const size_t length = frame.map[0].size > offset ? frame.map[0].size - offset : 0;
            RenderVideoSample(pixels, length, static_cast<size_t>(GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0)));
            gst_video_frame_unmap(&frame);
        }
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

bool ContainsIgnoringCase(const char* text, const std::string& part) {
    if (!text) return false;
    const std::string haystack(text);
    auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    for (size_t start = 0; start + part.size() <= haystack.size(); ++start) {
        size_t i = 0;
        while (i < part.size() && lower(haystack[start + i]) == lower(part[i])) ++i;
        if (i == part.size()) return true;
    }
    return false;
}

// The properties in which V4L2's, PipeWire's and libcamera's providers name
// a device's path.
const char* const kDevicePathKeys[] = {"device.path", "api.v4l2.path", "api.libcamera.path", "object.path"};

// Whether the device's display name or its device path contains part.
bool DeviceMatches(GstDevice* device, const char* name, const std::string& part) {
    if (ContainsIgnoringCase(name, part)) return true;
    GstStructure* properties = gst_device_get_properties(device);
    bool found = false;
    if (properties) {
        for (const char* key : kDevicePathKeys)
            if (ContainsIgnoringCase(gst_structure_get_string(properties, key), part)) found = true;
        gst_structure_free(properties);
    }
    return found;
}

// What a device is for its share names: its device path, else its display
// name.
std::string DeviceIdentity(GstDevice* device, const char* name) {
    std::string identity = std::string("camera name ") + name;
    GstStructure* properties = gst_device_get_properties(device);
    if (properties) {
        for (const char* key : kDevicePathKeys) {
            const char* path = gst_structure_get_string(properties, key);
            if (path && *path) {
                identity = std::string("camera ") + path;
                break;
            }
        }
        gst_structure_free(properties);
    }
    return identity;
}

// The first Video/Source device with a display name; with a preferred
// device, the first of those that matches it. Its name becomes the run's
// source. Null when there is none.
GstDevice* ChosenDevice(CaptureRun& run, std::string& identity) {
    const std::string& preferred = run.preferredDevice;
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    GList* devices = gst_device_monitor_get_devices(monitor);
    GstDevice* first = nullptr;
    GstDevice* chosen = nullptr;
    for (GList* item = devices; item && !chosen; item = item->next) {
        GstDevice* device = GST_DEVICE(item->data);
        gchar* name = gst_device_get_display_name(device);
        if (name && *name) {
            if (!first) first = device;
            if (preferred.empty() || DeviceMatches(device, name, preferred)) chosen = device;
        }
        g_free(name);
    }
    if (!chosen && first) {
        std::fprintf(stderr, "lumox: no camera's name or device path contains \"%s\"; taking the first one\n",
                     preferred.c_str());
        chosen = first;
    }
    if (chosen) {
        gst_object_ref(chosen);
        gchar* name = gst_device_get_display_name(chosen);
        identity = DeviceIdentity(chosen, name);
        const std::string source = std::string("The camera \"") + name + "\"";
        g_free(name);
        std::lock_guard<std::mutex> lock(runLock);
        run.source = source;
    }
    g_list_free_full(devices, gst_object_unref);
    gst_object_unref(monitor);
    return chosen;
}

// GStreamer's words for a failure, and frees it.
std::string TakeReason(GError* error) {
    std::string reason = error && error->message ? error->message : "no reason given";
    if (error) g_error_free(error);
    return reason;
}

// The whole pipeline of the run's own source, ending in its sink; null with
// the reason kept when it cannot be made.
GstElement* MakePipeline(CaptureRun& run, const SourcePlan& plan) {
    GError* error = nullptr;
    if (!run.description.empty()) {
        const std::string launch = run.description + " ! " + kConversion;
        GstElement* pipeline = gst_parse_launch_full(launch.c_str(), nullptr, GST_PARSE_FLAG_FATAL_ERRORS, &error);
        // A link that cannot be made is reported in error beside a pipeline.
        if (error || !pipeline) {
            if (pipeline) gst_object_unref(pipeline);
            Fail(run, SourceOf(run) + " cannot be made (" + TakeReason(error) + ")" + kStillPicture);
            return nullptr;
        }
        return pipeline;
    }
    GstElement* source = plan.device ? gst_device_create_element(plan.device, nullptr) : nullptr;
    if (!source) {
        Fail(run, std::string("No camera was found") + kStillPicture);
        return nullptr;
    }
    // decodebin lets cameras that send MJPEG work as well as raw ones. The
    // device's element is linked to it by name: a bin with ghost pads
    // would take the converter's sink, whose link from decodebin waits for
    // a pad, as its input, and leave decodebin without data for ever.
    const std::string name = SourceOf(run);
    const std::string tail = std::string("decodebin name=lumoxdecode ! ") + kConversion;
    GstElement* pipeline = gst_parse_launch_full(tail.c_str(), nullptr, GST_PARSE_FLAG_FATAL_ERRORS, &error);
    if (error || !pipeline) {
        if (pipeline) gst_object_unref(pipeline);
        gst_object_unref(gst_object_ref_sink(source));
        Fail(run, name + " cannot be used (" + TakeReason(error) + ")" + kStillPicture);
        return nullptr;
    }
    GstElement* decode = gst_bin_get_by_name(GST_BIN(pipeline), "lumoxdecode");
    gst_bin_add(GST_BIN(pipeline), source);
    const bool linked = decode && gst_element_link(source, decode);
    if (decode) gst_object_unref(decode);
    if (!linked) {
        gst_object_unref(pipeline);
        Fail(run, name + " cannot be used (it does not link to the decoder)" + kStillPicture);
        return nullptr;
    }
    return pipeline;
}

// An element with its properties set from their text.
GstElement* MakeElement(const char* factory, const char* name, const char* const (*properties)[2], size_t count) {
    GstElement* element = gst_element_factory_make(factory, name);
    for (size_t i = 0; element && i < count; ++i) gst_util_set_object_arg(G_OBJECT(element), properties[i][0], properties[i][1]);
    return element;
}

// Makes an owner's pipeline share its frames: a tee between the format and
// the run's own sink, whose other branch goes to shmsink on the source's
// socket, each branch behind its queue. Added once the source is made, so
// that a source that cannot be made loads nothing of it. False when it
// cannot be added; the pipeline is then of no use.
bool AddSharingBranch(GstElement* pipeline, const Share& share) {
    GstElement* format = gst_bin_get_by_name(GST_BIN(pipeline), "lumoxformat");
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "lumoxsink");
    GstElement* parts[] = {gst_element_factory_make("tee", "lumoxtee"),
                           MakeElement("queue", nullptr, kBranchQueue, std::size(kBranchQueue)),
                           MakeElement("queue", nullptr, kBranchQueue, std::size(kBranchQueue)),
                           MakeElement("shmsink", "lumoxshare", kShareSink, std::size(kShareSink))};
    bool added = format && sink;
    for (GstElement* part : parts) added = added && part;
    if (added) {
        g_object_set(parts[3], "socket-path", share.names.socket.c_str(), nullptr);
        for (GstElement* part : parts) gst_bin_add(GST_BIN(pipeline), part);
        gst_element_unlink(format, sink);
        added = gst_element_link_many(format, parts[0], parts[1], sink, nullptr) &&
                gst_element_link_many(parts[0], parts[2], parts[3], nullptr);
    } else {
        for (GstElement* part : parts)
            if (part) gst_object_unref(gst_object_ref_sink(part));
    }
    if (format) gst_object_unref(format);
    if (sink) gst_object_unref(sink);
    return added;
}

// Points a follower's shmsrc at the source's socket.
void SetSocketPath(GstElement* pipeline, const Share& share) {
    GstElement* element = gst_bin_get_by_name(GST_BIN(pipeline), "lumoxshare");
    if (!element) return;
    g_object_set(element, "socket-path", share.names.socket.c_str(), nullptr);
    gst_object_unref(element);
}

constexpr GstMessageType kFailures = static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_EOS);
constexpr GstMessageType kWatched = static_cast<GstMessageType>(kFailures | GST_MESSAGE_APPLICATION);

// Keeps only errors, the end of the stream and our own stop on the bus:
// hours of other messages would pile up. A sync handler that drops a
// message owns it, so it releases what it drops.
GstBusSyncReply KeepFailuresOnly(GstBus*, GstMessage* message, gpointer) {
    if (GST_MESSAGE_TYPE(message) & kWatched) return GST_BUS_PASS;
    gst_message_unref(message);
    return GST_BUS_DROP;
}

// What went wrong, in GStreamer's words.
std::string FailureText(GstMessage* message) {
    if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_ERROR) return "the stream ended";
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    return TakeReason(error);
}

// An error or the end of the stream waiting on the bus, with GStreamer's
// words for it in reason; never blocks.
bool BusReportsFailure(GstBus* bus, std::string& reason) {
    GstMessage* message = gst_bus_timed_pop_filtered(bus, 0, kFailures);
    if (!message) return false;
    reason = FailureText(message);
    gst_message_unref(message);
    return true;
}

// Whether the run may still report (its stop not yet asked for); decided
// under runLock, so a report that follows a stop cannot slip in before it.
bool MaySay(CaptureRun& run) {
    std::lock_guard<std::mutex> lock(runLock);
    return !run.stop.load();
}

// The run's watch, on its thread, over its running pipeline. An owner's
// (or a lone run's) stream that fails or ends is stopped there and then
// (the streaming threads are joined, so no frame follows) and its end
// reported to the frame exchange; the watch then waits for the stop. A
// follower's stream that fails or ends (its owner gone) is stopped, and the
// watch returns false, for the follower to look for the source again; true:
// the run was told to stop. A pipeline in the null state flushes its bus,
// which may swallow the stop message: the flag is looked at every 50 ms as
// well.
bool WatchBus(CaptureRun& run, GstElement* pipeline, GstBus* bus, bool following) {
    bool ended = false;
    while (!run.stop.load()) {
        GstMessage* message = gst_bus_timed_pop_filtered(bus, 50 * GST_MSECOND, kWatched);
        if (!message) continue;
        if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_APPLICATION && following) {
            gst_message_unref(message);
            gst_element_set_state(pipeline, GST_STATE_NULL);
            return false;
        }
        if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_APPLICATION && !ended) {
            ended = true;
            const std::string reason = PrintableText(FailureText(message));
            if (MaySay(run))
                std::fprintf(stderr, "lumox: the video source stopped (%s); the still picture shows again\n",
                             reason.c_str());
            gst_element_set_state(pipeline, GST_STATE_NULL);
            std::lock_guard<std::mutex> lock(runLock);
            run.endReason = reason;
            if (!run.stop.load()) ReportCaptureEnded();
        }
        gst_message_unref(message);
    }
    return true;
}

void FreePipeline(CaptureRun& run, GstElement* pipeline, GstBus* bus) {
    gst_element_set_state(pipeline, GST_STATE_NULL);  // joins the streaming threads
    if (bus) gst_object_unref(bus);
    gst_object_unref(pipeline);
    std::lock_guard<std::mutex> lock(runLock);
    gst_caps_replace(&run.lastCaps, nullptr);
}

// Waits, bounded, until the pipeline plays, watching the bus for errors
// without blocking on it; false, with the reason kept when keepFailure, when
// it does not. A process told to end, or a run told to stop, stops the wait
// without a reason. The first change of state opens the source, for as long
// as that takes.
bool StartPipeline(CaptureRun& run, GstElement* pipeline, GstBus* bus, bool keepFailure) {
    std::string reason = "it would not play";
    const std::string source = SourceOf(run);
    const auto failed = [&run, &reason, &source, keepFailure] {
        return keepFailure && Fail(run, source + " did not start (" + reason + ")" + kStillPicture);
    };
    if (run.stop.load()) return false;  // before the open, which may never return
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        BusReportsFailure(bus, reason);
        return failed();
    }
    const auto deadline = SteadyClock::now() + kStartTimeout;
    while (SteadyClock::now() < deadline) {
        if (TerminationRequested() || run.stop.load()) return false;
        if (BusReportsFailure(bus, reason)) return failed();
        GstState state = GST_STATE_VOID_PENDING;
        const GstStateChangeReturn result = gst_element_get_state(pipeline, &state, nullptr, 20 * GST_MSECOND);
        if (result == GST_STATE_CHANGE_FAILURE) {
            BusReportsFailure(bus, reason);
            return failed();
        }
        if (result != GST_STATE_CHANGE_ASYNC && state == GST_STATE_PLAYING)
            return BusReportsFailure(bus, reason) ? failed() : true;
    }
    reason = "it was not playing after " + std::to_string(kStartTimeout.count()) + " s";
    return failed();
}

// Starts a pipeline made for the run: its frames to the frame exchange, and
// only failures on its bus. The pipeline and its bus when it plays, else
// nulls, with the pipeline freed (and the reason kept when keepFailure).
GstElement* Launch(CaptureRun& run, GstElement* pipeline, GstBus*& bus, bool keepFailure) {
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "lumoxsink");
    if (!sink) {
        gst_object_unref(pipeline);
        if (keepFailure) Fail(run, SourceOf(run) + " cannot be made (it has no video sink)" + kStillPicture);
        return nullptr;
    }
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = OnNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, &run, nullptr);
    gst_object_unref(sink);

    bus = gst_element_get_bus(pipeline);
    gst_bus_set_sync_handler(bus, KeepFailuresOnly, nullptr, nullptr);
    if (StartPipeline(run, pipeline, bus, keepFailure)) return pipeline;
    FreePipeline(run, pipeline, bus);
    bus = nullptr;
    return nullptr;
}

// GStreamer, ready for the run's thread: false with the reason kept.
bool StartGStreamer(CaptureRun& run) {
    GError* error = nullptr;
    if (gst_init_check(nullptr, nullptr, &error)) return true;
    return Fail(run, "GStreamer cannot start (" + TakeReason(error) + ")" + kStillPicture);
}

// Decides the run's source: the description, or the camera the device
// monitor finds (none is no camera, the reason kept).
bool PlanSource(CaptureRun& run, SourcePlan& plan) {
    if (!run.description.empty()) {
        plan.identity = DescribedSourceIdentity(run.description);
        return true;
    }
    plan.device = ChosenDevice(run, plan.identity);
    return plan.device || Fail(run, std::string("No camera was found") + kStillPicture);
}

// The run's pipeline, the one a stop wakes through its bus and that
// CapturePipeline shows, from now on (pipeline null: none any more).
// Called with runLock held.
void AdoptLocked(CaptureRun& run, GstElement* pipeline, GstBus* bus) {
    if (run.bus) gst_object_unref(run.bus);
    run.pipeline = pipeline;
    run.bus = pipeline ? GST_BUS(gst_object_ref(bus)) : nullptr;
}

void Adopt(CaptureRun& run, GstElement* pipeline, GstBus* bus) {
    std::lock_guard<std::mutex> lock(runLock);
    AdoptLocked(run, pipeline, bus);
}

// The end of the run's start, on its thread: a pipeline that plays is the
// run's, and the frame exchange hears that the capture runs (which clears
// an earlier end) before the watch can report this stream's end; a start
// that failed says why, if it says so, and a run that had followed another
// shows the still picture again. None of it once the run was told to stop.
// Said outside the lock, which a full stderr must not hold. Whether the
// pipeline is the run's.
bool EndStart(CaptureRun& run, GstElement* pipeline, GstBus* bus) {
    std::string say;
    bool adopted = false;
    {
        std::lock_guard<std::mutex> lock(runLock);
        if (!run.stop.load()) {
            if (pipeline) {
                adopted = true;
                run.running = true;
                AdoptLocked(run, pipeline, bus);
                SetCaptureRunning(true);
            } else {
                if (run.sayFailure) say = run.failure;
                if (run.running) ReportCaptureEnded();
            }
        }
    }
    if (!say.empty()) std::fprintf(stderr, "lumox: %s\n", say.c_str());
    std::lock_guard<std::mutex> lock(runLock);
    run.starting = false;
    runChanged.notify_all();
    return adopted;
}

// Waits for the span unless the run is told to stop meanwhile: whether it
// was not.
bool PauseUnlessStopped(CaptureRun& run, std::chrono::milliseconds span) {
    std::unique_lock<std::mutex> lock(runLock);
    return !runChanged.wait_for(lock, span, [&run] { return run.stop.load(); });
}

// The lock just taken, held, and known to an exit that finds this run's
// thread abandoned.
void HoldSource(Share& share, int fd) {
    share.lockFd = fd;
    std::lock_guard<std::mutex> lock(ownedLock);
    ownedSources.push_back(share.names);
}

void LetSourceGo(Share& share) {
    if (share.lockFd < 0) return;
    {
        std::lock_guard<std::mutex> lock(ownedLock);
        for (auto owned = ownedSources.begin(); owned != ownedSources.end(); ++owned)
            if (owned->lock == share.names.lock) {
                ownedSources.erase(owned);
                break;
            }
    }
    DropSourceLock(share.names, share.lockFd);
    share.lockFd = -1;
}

// Runs the source for the rest of the run, as a lone run or as its owner
// (sharing its frames): starts it (a run that takes it over from another
// tries a few times), reports the start, and shows the frames until told to
// stop; then frees the pipeline, which removes the socket and the shared
// memory, and lets the source go. A start that fails lets it go at once,
// for another run to try.
void RunSource(CaptureRun& run, const SourcePlan& plan, Share& share, bool takingOver) {
    GstBus* bus = nullptr;
    GstElement* pipeline = nullptr;
    for (int start = 1;; ++start) {
        pipeline = MakePipeline(run, plan);
        if (pipeline && share.lockFd >= 0) {
            if (!AddSharingBranch(pipeline, share)) {  // alone after all: the others try for themselves
                gst_object_unref(pipeline);
                LetSourceGo(share);
                pipeline = MakePipeline(run, plan);
            }
        }
        if (pipeline) pipeline = Launch(run, pipeline, bus, true);
        if (pipeline || !takingOver || start == kTakeOverStarts || !PauseUnlessStopped(run, kTakeOverPause)) break;
    }
    if (EndStart(run, pipeline, bus)) WatchBus(run, pipeline, bus, false);
    if (pipeline) {
        Adopt(run, nullptr, nullptr);
        FreePipeline(run, pipeline, bus);
    }
    LetSourceGo(share);
}

// The run follows another from now on: its start has ended, with the
// capture running (its frames come when the owner's do).
void BeginFollowing(CaptureRun& run) {
    std::lock_guard<std::mutex> lock(runLock);
    if (!run.stop.load()) {
        run.running = true;
        SetCaptureRunning(true);
    }
    run.starting = false;
    runChanged.notify_all();
}

// Whether the owner's socket is there to connect to.
bool SocketThere(const Share& share) {
    struct stat info;
    return lstat(share.names.socket.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

// Reads the owner's frames until the owner goes or the run is told to stop;
// whether frames came.
bool FollowOwner(CaptureRun& run, const Share& share) {
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch_full(kFollowing, nullptr, GST_PARSE_FLAG_FATAL_ERRORS, &error);
    if (error || !pipeline) {
        if (pipeline) gst_object_unref(pipeline);
        if (error) g_error_free(error);
        return false;
    }
    SetSocketPath(pipeline, share);
    GstBus* bus = nullptr;
    pipeline = Launch(run, pipeline, bus, false);
    if (!pipeline) return false;
    const uint32_t before = VideoFramesWritten();
    Adopt(run, pipeline, bus);
    if (!run.stop.load()) WatchBus(run, pipeline, bus, true);
    Adopt(run, nullptr, nullptr);
    FreePipeline(run, pipeline, bus);
    return VideoFramesWritten() != before;
}

// Tells the render loop that the video it followed has gone for now.
void ReportVideoGone(CaptureRun& run) {
    {
        std::lock_guard<std::mutex> lock(runLock);
        if (run.stop.load()) return;
        ReportCaptureEnded();
    }
    std::fprintf(stderr, "lumox: the video another run shared stopped; the still picture shows until it comes back\n");
}

// A run that meets others for its source: it owns the source when it gets
// the lock, else follows the owner, looking for the source again, a moment
// after it lost its video: the lock (the owner gone: it takes the source
// over) or the owner's socket (a new owner, or one still starting). A
// process told to end takes nothing over: XScreenSaver ends all its hacks
// at once, and the camera would light up for nothing.
void ShareSource(CaptureRun& run, const SourcePlan& plan, Share& share) {
    bool following = false;
    bool gonePending = false;  // video went, the still picture not yet back
    SteadyClock::time_point goneAt;
    while (!run.stop.load() && !TerminationRequested()) {
        int fd = -1;
        const SourceLock lock = TakeSourceLock(share.names, fd);
        if (lock == SourceLock::Taken) {
            HoldSource(share, fd);
            RunSource(run, plan, share, following);
            return;
        }
        if (lock == SourceLock::Failed && !following) {
            RunSource(run, plan, share, false);  // alone
            return;
        }
        if (!following) {
            following = true;
            BeginFollowing(run);
        }
        if (SocketThere(share) && FollowOwner(run, share)) {
            gonePending = true;
            goneAt = SteadyClock::now();
        }
        if (gonePending && SteadyClock::now() - goneAt >= kVideoGrace) {
            gonePending = false;
            ReportVideoGone(run);
        }
        if (!PauseUnlessStopped(run, kLookAgain)) return;
    }
    if (!following) EndStart(run, nullptr, nullptr);  // cut short
}

// Whether the run meets the other runs of its user for its source: the
// shared-memory elements are there (else each run opens its source alone,
// as ever) and so is a sound directory to meet in (else a word why not).
void PrepareShare(CaptureRun& run, const SourcePlan& plan, Share& share) {
    for (const char* element : {"shmsink", "shmsrc"}) {
        GstElementFactory* factory = gst_element_factory_find(element);
        if (!factory) return;
        gst_object_unref(factory);
    }
    std::string problem;
    const std::string directory =
        ShareDirectory(run.runtimeDir.empty() ? nullptr : run.runtimeDir.c_str(), "/tmp", geteuid(), problem);
    if (directory.empty()) {
        if (MaySay(run))
            std::fprintf(stderr, "lumox: %s; this run does not share its video with others\n",
                         PrintableText(problem).c_str());
        return;
    }
    share.on = true;
    share.names = SourceShareNames(directory, plan.identity);
}

// A run's thread, from the start to the freed pipeline. An abandoned one
// that comes back counts itself out last, after its last touch of the run.
void RunCapture(std::shared_ptr<CaptureRun> run) {
    {
        SourcePlan plan;
        if (!StartGStreamer(*run) || !PlanSource(*run, plan)) {
            EndStart(*run, nullptr, nullptr);
        } else {
            Share share;
            PrepareShare(*run, plan, share);
            if (share.on)
                ShareSource(*run, plan, share);
            else
                RunSource(*run, plan, share, false);
        }
    }
    bool abandoned;
    {
        std::lock_guard<std::mutex> lock(runLock);
        run->finished = true;
        abandoned = run->abandoned;
        runChanged.notify_all();
    }
    run.reset();
    if (abandoned) abandonedThreads.fetch_sub(1);
}

// Tells a run to stop: a start under way gives up, a running pipeline is
// stopped and freed by its thread, a follower stops looking for its source,
// and nothing the run does from now on reaches the frame exchange or
// stderr. Touches no pipeline: a running run's bus is only posted to, which
// wakes its watch.
void TellToStop(CaptureRun& run) {
    std::lock_guard<std::mutex> lock(runLock);
    if (run.stop.load()) return;
    run.stop.store(true);
    run.stopAt = SteadyClock::now();
    if (run.bus) gst_bus_post(run.bus, gst_message_new_application(nullptr, gst_structure_new_empty(kStopWatching)));
    runChanged.notify_all();
}

// At the process's end (a return from main, or exit): a capture still
// there is released, and a process whose capture thread was abandoned ends
// here, with its exit status, before the destructors that would wait for
// that thread or free what it may still use; what an abandoned owner shares
// through (socket, shared memory, lock file) goes first. What the run wrote
// (settings, a snapshot) is complete by now; stdio's buffers go out first.
void EndAtExit(int status, void*) {
    ReleaseCaptureGraph();
    if (abandonedThreads.load() == 0) return;
    {
        std::lock_guard<std::mutex> lock(ownedLock);
        for (const ShareNames& names : ownedSources) RemoveOwnShareTraces(names);
    }
    std::fflush(nullptr);
    _exit(status);
}

// Makes the current run and starts its thread; say: whether a start that
// fails says why on stderr.
void StartRunThread(bool say) {
    static bool endAtExitSet = false;
    if (!endAtExitSet) endAtExitSet = on_exit(EndAtExit, nullptr) == 0;
    auto run = std::make_shared<CaptureRun>();
    const char* description = std::getenv("LUMOX_VIDEO_SOURCE");
    if (description) run->description = description;
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    if (runtimeDir) run->runtimeDir = runtimeDir;
    run->preferredDevice = preferredDevice;
    run->sayFailure = say;
    {
        std::lock_guard<std::mutex> lock(runLock);  // made before any thread of the run
        // A camera's own name comes once the device monitor has found it.
        run->source = run->description.empty() ? "The camera" : "LUMOX_VIDEO_SOURCE \"" + run->description + "\"";
    }
    capture.failureText.clear();
    capture.thread = std::thread(RunCapture, run);
    capture.run = std::move(run);
}

// Waits until the current run's start has ended: true once it has, false
// when the deadline passed or the process was told to end first.
bool WaitForStart(CaptureRun& run, SteadyClock::time_point deadline) {
    std::unique_lock<std::mutex> lock(runLock);
    while (run.starting) {
        if (TerminationRequested() || SteadyClock::now() >= deadline) return false;
        runChanged.wait_for(lock, std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace

bool BuildCaptureGraph() {
    if (CaptureRunning()) return true;
    ReleaseCaptureGraph();  // a start that failed
    StartRunThread(false);
    CaptureRun& run = *capture.run;
    if (!WaitForStart(run, SteadyClock::time_point::max())) {
        TellToStop(run);  // told to end
        return false;
    }
    std::lock_guard<std::mutex> lock(runLock);
    if (!run.running) capture.failureText = run.failure;
    return run.running;
}

bool BeginCapture() {
    if (!capture.run) StartRunThread(true);
    return true;
}

void ReleaseCaptureGraph() {
    if (capture.run) {
        CaptureRun& run = *capture.run;
        TellToStop(run);
        bool finished;
        {
            std::unique_lock<std::mutex> lock(runLock);
            finished = runChanged.wait_until(lock, run.stopAt + kStopWait, [&run] { return run.finished; });
            if (!finished) {
                run.abandoned = true;
                abandonedThreads.fetch_add(1);
            }
        }
        if (finished)
            capture.thread.join();
        else
            capture.thread.detach();
        capture.run.reset();
    }
    SetCaptureRunning(false);
}

void PreferCaptureDevice(const std::string& nameOrPath) { preferredDevice = nameOrPath; }

FirstFrame WaitForFirstVideoFrame(uint32_t timeoutMs) {
    if (!capture.run) return FirstFrame::NoCapture;
    CaptureRun& run = *capture.run;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    const auto silence = [&run, timeoutMs] {
        capture.failureText = PrintableText(SourceOf(run) + " sent no frame within " + std::to_string(timeoutMs) + " ms.");
        return FirstFrame::TimedOut;
    };
    // A start still under way: its end first (it says its own failure).
    if (!WaitForStart(run, deadline)) {
        if (TerminationRequested()) return FirstFrame::Interrupted;
        TellToStop(run);  // one message: this one
        return silence();
    }
    {
        std::lock_guard<std::mutex> lock(runLock);
        if (!run.running) {
            capture.failureText = run.failure;
            return FirstFrame::NoCapture;
        }
    }
    for (;;) {
        if (VideoFramesWritten() > 0) return FirstFrame::Arrived;
        if (CaptureEnded()) {
            std::string reason;
            {
                std::lock_guard<std::mutex> lock(runLock);
                reason = run.endReason;
            }
            capture.failureText =
                PrintableText(SourceOf(run) + " ended before its first frame (" + reason + ")" + kStillPicture);
            return FirstFrame::SourceEnded;
        }
        if (TerminationRequested()) return FirstFrame::Interrupted;
        if (SteadyClock::now() >= deadline) return silence();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

const char* CaptureFailureText() { return capture.failureText.c_str(); }

std::string DescribedSourceIdentity(const std::string& description) { return "source " + description; }

int AbandonedCaptureThreads() { return abandonedThreads.load(); }

GstElement* CapturePipeline() {
    if (!capture.run) return nullptr;
    std::lock_guard<std::mutex> lock(runLock);
    return capture.run->pipeline;
}
