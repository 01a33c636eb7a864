// The capture source on GStreamer (Linux): the first "Video/Source" device of
// a device monitor (or the LUMOX_VIDEO_SOURCE description) runs through
// decoding, colour conversion and scaling into an appsink that delivers
// 160 x 120 blue-green-red frames. The appsink's new-sample callback runs on
// the pipeline's streaming thread and hands each frame to the frame exchange;
// a change of the sample caps goes through the sink's format check first,
// as an in-stream type change does on Windows.
//
// A watcher thread takes the pipeline's errors and its end off the bus while
// it runs: a camera that fails or is unplugged during the run is stopped
// there and then (so that it is free for others at once), and the render
// loop is told to show the still picture again. A camera that is busy or
// fails at start is no camera.
//
// Relies on: gst_init_check leaving the program's arguments alone; elements
// made from the device itself (so PipeWire's provider works as V4L2's does);
// gst_video_frame_map reporting the row stride.
#include "linux/gst_capture.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <cctype>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "common/printable_text.h"
#include "platform/termination.h"
#include "platform/capture_source.h"
#include "video/frame_exchange.h"

namespace {

// Converts and scales any source to the one format the sink takes. A 16:9
// source is letterboxed (square pixels), not squashed.
const char kConversion[] =
    "videoconvert ! videoscale ! "
    "capsfilter name=lumoxformat caps=video/x-raw,format=BGR,width=160,height=120,pixel-aspect-ratio=1/1 ! "
    "appsink name=lumoxsink sync=false max-buffers=1 drop=true wait-on-eos=false";

// How long BuildCaptureGraph waits for the pipeline to reach PLAYING.
constexpr auto kStartTimeout = std::chrono::seconds(5);

struct GstCapture {
    GstElement* pipeline = nullptr;
    GstBus* bus = nullptr;
    std::thread watcher;
    std::atomic<bool> stopWatching{false};
    // BeginCapture's thread; starting until its build has ended, and told
    // by cancelStart to give up waiting for the pipeline to play.
    std::thread starter;
    std::atomic<bool> starting{false};
    std::atomic<bool> cancelStart{false};
};
GstCapture capture;

// --device: part of the camera's name or device path; empty for the first.
std::string preferredDevice;

// The structure name of the message that wakes the watcher to stop.
const char kStopWatching[] = "lumox-stop-watching";

// The source of the last build, as a message names it, and why it shows no
// video (CaptureFailureText). Written by the build, which may run on the
// starter thread while the main thread waits for a first frame.
std::mutex textLock;
std::string sourceName;
std::string failureText;

void SetSourceName(const std::string& name) {
    std::lock_guard<std::mutex> lock(textLock);
    sourceName = name;
}

std::string SourceName() {
    std::lock_guard<std::mutex> lock(textLock);
    return sourceName;
}

std::string FailureTextCopy() {
    std::lock_guard<std::mutex> lock(textLock);
    return failureText;
}

// Why the running source stopped, as the watcher found it; read once the
// end is reported.
std::mutex endLock;
std::string endReason;

const char kStillPicture[] = ": showing the still picture.";

// Keeps the reason for CaptureFailureText, and gives the build's result.
bool Fail(const std::string& what) {
    std::string text = PrintableText(what);
    std::lock_guard<std::mutex> lock(textLock);
    failureText = std::move(text);
    return false;
}

// The caps of the last sample; touched by the streaming thread, and by the
// main thread only while no stream runs. The lock makes that plain to
// ThreadSanitizer, which cannot see GLib's own synchronisation.
std::mutex capsLock;
GstCaps* lastCaps = nullptr;

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

GstFlowReturn OnNewSample(GstAppSink* sink, gpointer) {
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample) return GST_FLOW_OK;
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (caps && buffer) {
        {
            std::lock_guard<std::mutex> lock(capsLock);
            if (!lastCaps || !gst_caps_is_equal(caps, lastCaps)) {
                const VideoFormat format = FormatFromCaps(caps);
                if (CheckVideoFormat(format)) SetVideoFormat(format);
                gst_caps_replace(&lastCaps, caps);
            }
        }
        GstVideoInfo info;
        GstVideoFrame frame;
        if (gst_video_info_from_caps(&info, caps) && gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
            const auto* data = static_cast<const unsigned char*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
            // What is mapped from the plane's start to the memory's end.
            const auto* mapped = static_cast<const unsigned char*>(frame.map[0].data);
            const size_t offset = static_cast<size_t>(data - mapped);
            const size_t length = frame.map[0].size > offset ? frame.map[0].size - offset : 0;
            RenderVideoSample(data, length, static_cast<size_t>(GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0)));
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

// Whether the device's display name or its device path (as V4L2's,
// PipeWire's or libcamera's provider names it) contains part.
bool DeviceMatches(GstDevice* device, const char* name, const std::string& part) {
    if (ContainsIgnoringCase(name, part)) return true;
    GstStructure* properties = gst_device_get_properties(device);
    bool found = false;
    if (properties) {
        for (const char* key : {"device.path", "api.v4l2.path", "api.libcamera.path", "object.path"})
            if (ContainsIgnoringCase(gst_structure_get_string(properties, key), part)) found = true;
        gst_structure_free(properties);
    }
    return found;
}

// The first Video/Source device with a display name that makes an element;
// with a preferred device, the first of those that matches it. Its name goes
// to SetSourceName.
GstElement* ChosenDeviceElement() {
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
            if (preferredDevice.empty() || DeviceMatches(device, name, preferredDevice)) chosen = device;
        }
        g_free(name);
    }
    if (!chosen && first) {
        std::fprintf(stderr, "lumox: no camera's name or device path contains \"%s\"; taking the first one\n",
                     preferredDevice.c_str());
        chosen = first;
    }
    GstElement* element = chosen ? gst_device_create_element(chosen, nullptr) : nullptr;
    if (element) {
        gchar* name = gst_device_get_display_name(chosen);
        SetSourceName(std::string("The camera \"") + name + "\"");
        g_free(name);
    }
    g_list_free_full(devices, gst_object_unref);
    gst_object_unref(monitor);
    return element;
}

// GStreamer's words for a failure, and frees it.
std::string TakeReason(GError* error) {
    std::string reason = error && error->message ? error->message : "no reason given";
    if (error) g_error_free(error);
    return reason;
}

// The whole pipeline, from LUMOX_VIDEO_SOURCE or from the first device; null
// with the reason kept when it cannot be made.
GstElement* MakePipeline() {
    GError* error = nullptr;
    const char* description = std::getenv("LUMOX_VIDEO_SOURCE");
    if (description && *description) {
        const std::string source = std::string("LUMOX_VIDEO_SOURCE \"") + description + "\"";
        SetSourceName(source);
        const std::string launch = std::string(description) + " ! " + kConversion;
        GstElement* pipeline = gst_parse_launch_full(launch.c_str(), nullptr, GST_PARSE_FLAG_FATAL_ERRORS, &error);
        // A link that cannot be made is reported in error beside a pipeline.
        if (error || !pipeline) {
            if (pipeline) gst_object_unref(pipeline);
            Fail(source + " cannot be made (" + TakeReason(error) + ")" + kStillPicture);
            return nullptr;
        }
        return pipeline;
    }
    GstElement* source = ChosenDeviceElement();
    if (!source) {
        Fail(std::string("No camera was found") + kStillPicture);
        return nullptr;
    }
    // decodebin lets cameras that send MJPEG work as well as raw ones. The
    // device's element is linked to it by name: a bin with ghost pads
    // would take the converter's sink, whose link from decodebin waits for
    // a pad, as its input, and leave decodebin without data for ever.
    const std::string name = SourceName();
    const std::string tail = std::string("decodebin name=lumoxdecode ! ") + kConversion;
    GstElement* pipeline = gst_parse_launch_full(tail.c_str(), nullptr, GST_PARSE_FLAG_FATAL_ERRORS, &error);
    if (error || !pipeline) {
        if (pipeline) gst_object_unref(pipeline);
        gst_object_unref(gst_object_ref_sink(source));
        Fail(name + " cannot be used (" + TakeReason(error) + ")" + kStillPicture);
        return nullptr;
    }
    GstElement* decode = gst_bin_get_by_name(GST_BIN(pipeline), "lumoxdecode");
    gst_bin_add(GST_BIN(pipeline), source);
    const bool linked = decode && gst_element_link(source, decode);
    if (decode) gst_object_unref(decode);
    if (!linked) {
        gst_object_unref(pipeline);
        Fail(name + " cannot be used (it does not link to the decoder)" + kStillPicture);
        return nullptr;
    }
    return pipeline;
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

// The watcher thread: waits for the running stream's first failure or end,
// stops the pipeline there and then (the streaming threads are joined, so
// no frame follows) and reports the end to the frame exchange; then waits
// for the stop. A pipeline in the null state flushes its bus, which may
// swallow the stop message: the flag is looked at every 50 ms as well.
void WatchBus(GstElement* pipeline, GstBus* bus) {
    bool ended = false;
    while (!capture.stopWatching.load()) {
        GstMessage* message = gst_bus_timed_pop_filtered(bus, 50 * GST_MSECOND, kWatched);
        if (!message) continue;
        if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_APPLICATION && !ended) {
            ended = true;
            const std::string reason = PrintableText(FailureText(message));
            std::fprintf(stderr, "lumox: the video source stopped (%s); the still picture shows again\n",
                         reason.c_str());
            gst_element_set_state(pipeline, GST_STATE_NULL);
            {
                std::lock_guard<std::mutex> lock(endLock);
                endReason = reason;
            }
            ReportCaptureEnded();
        }
        gst_message_unref(message);
    }
}

void FreePipeline(GstElement* pipeline, GstBus* bus) {
    gst_element_set_state(pipeline, GST_STATE_NULL);  // joins the streaming threads
    if (bus) gst_object_unref(bus);
    gst_object_unref(pipeline);
    std::lock_guard<std::mutex> lock(capsLock);
    gst_caps_replace(&lastCaps, nullptr);
}

// Waits, bounded, until the pipeline plays, watching the bus for errors
// without blocking on it; false with the reason kept. A process told to
// end, or a release of the capture, stops the wait without a reason.
bool StartPipeline(GstElement* pipeline, GstBus* bus) {
    std::string reason = "it would not play";
    const std::string source = SourceName();
    const auto failed = [&reason, &source] {
        return Fail(source + " did not start (" + reason + ")" + kStillPicture);
    };
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        BusReportsFailure(bus, reason);
        return failed();
    }
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (TerminationRequested() || capture.cancelStart.load()) return false;
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

// A process that ends without ReleaseCaptureGraph still ends the capture's
// threads (a thread left running would abort it); the pipeline is left to
// the process's end. Defined after every other static of this file, so that
// it is destroyed before what the threads use.
struct ThreadsEndAtExit {
    ~ThreadsEndAtExit() {
        capture.cancelStart.store(true);
        if (capture.starter.joinable()) capture.starter.join();
        capture.stopWatching.store(true);
        if (capture.watcher.joinable()) capture.watcher.join();
    }
} threadsEndAtExit;

}  // namespace

bool BuildCaptureGraph() {
    if (CaptureRunning()) return true;
    Fail("");
    SetSourceName("");
    GError* error = nullptr;
    if (!gst_init_check(nullptr, nullptr, &error))
        return Fail("GStreamer cannot start (" + TakeReason(error) + ")" + kStillPicture);
    GstElement* pipeline = MakePipeline();
    if (!pipeline) return false;
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "lumoxsink");
    if (!sink) {
        gst_object_unref(pipeline);
        return Fail(SourceName() + " cannot be made (it has no video sink)" + kStillPicture);
    }
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = OnNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, nullptr, nullptr);
    gst_object_unref(sink);

    GstBus* bus = gst_element_get_bus(pipeline);
    gst_bus_set_sync_handler(bus, KeepFailuresOnly, nullptr, nullptr);
    if (!StartPipeline(pipeline, bus)) {
        FreePipeline(pipeline, bus);
        return false;
    }
    capture.pipeline = pipeline;
    capture.bus = bus;
    // Running (which clears an earlier end) before the watcher can report
    // this stream's end.
    SetCaptureRunning(true);
    capture.stopWatching.store(false);
    capture.watcher = std::thread(WatchBus, pipeline, bus);
    return true;
}

bool BeginCapture() {
    if (CaptureRunning() || capture.starter.joinable()) return true;
    capture.cancelStart.store(false);
    capture.starting.store(true);
    capture.starter = std::thread([] {
        // Said here, as the run's start says a failure of its own: the
        // run's window may be up by now, and no dialog interrupts it.
        if (!BuildCaptureGraph() && !capture.cancelStart.load()) {
            const std::string why = FailureTextCopy();
            if (!why.empty()) std::fprintf(stderr, "lumox: %s\n", why.c_str());
        }
        capture.starting.store(false);
    });
    return true;
}

void ReleaseCaptureGraph() {
    if (capture.starter.joinable()) {
        capture.cancelStart.store(true);
        capture.starter.join();
        capture.cancelStart.store(false);
    }
    if (CaptureRunning()) {
        capture.stopWatching.store(true);
        gst_bus_post(capture.bus, gst_message_new_application(nullptr, gst_structure_new_empty(kStopWatching)));
        capture.watcher.join();
        FreePipeline(capture.pipeline, capture.bus);
        capture.pipeline = nullptr;
        capture.bus = nullptr;
    }
    SetCaptureRunning(false);
}

void PreferCaptureDevice(const std::string& nameOrPath) { preferredDevice = nameOrPath; }

FirstFrame WaitForFirstVideoFrame(uint32_t timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const auto silence = [timeoutMs] {
        Fail(SourceName() + " sent no frame within " + std::to_string(timeoutMs) + " ms.");
        return FirstFrame::TimedOut;
    };
    // A start still under way: its end first (it says its own failure).
    while (capture.starting.load()) {
        if (TerminationRequested()) return FirstFrame::Interrupted;
        if (std::chrono::steady_clock::now() >= deadline) {
            capture.cancelStart.store(true);  // one message: this one
            return silence();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (capture.starter.joinable()) capture.starter.join();
    if (!CaptureRunning()) return FirstFrame::NoCapture;
    for (;;) {
        if (VideoFramesWritten() > 0) return FirstFrame::Arrived;
        if (CaptureEnded()) {
            std::lock_guard<std::mutex> lock(endLock);
            Fail(SourceName() + " ended before its first frame (" + endReason + ")" + kStillPicture);
            return FirstFrame::SourceEnded;
        }
        if (TerminationRequested()) return FirstFrame::Interrupted;
        if (std::chrono::steady_clock::now() >= deadline) return silence();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

const char* CaptureFailureText() {
    static std::string shown;  // the main thread's copy
    shown = FailureTextCopy();
    return shown.c_str();
}

GstElement* CapturePipeline() { return capture.pipeline; }
