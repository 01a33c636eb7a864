// The capture source on DirectShow (Windows): a filter graph from the first
// usable video input device's preview stream into TextureRenderer, through
// whatever filters the capture graph builder inserts. With
// LUMOX_VIDEO_SOURCE set, the graph plays that video file instead (the
// graph's own source and splitter read it), through the same renderer.
//
// Relies on: COM initialised on the calling thread (the saver does it before
// the build); the system device enumerator answering S_FALSE with no
// enumerator when there is no device; the graph holding a reference to each
// filter added to it.
#include <windows.h>

#include "windows/dshow_capture.h"

#include <dshow.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "platform/capture_source.h"
#include "video/frame_exchange.h"

CaptureGraph captureGraph = {};

namespace {

template <class T>
void ReleaseInterface(T*& object) {
    if (object) {
        object->Release();
        object = nullptr;
    }
}

// Stops the graph, so that no streaming thread is left in the renderer, and
// lets everything go; the renderer goes last, with the graph's reference
// already dropped.
void ReleaseGraph(CaptureGraph& graph) {
    if (graph.mediaControl) graph.mediaControl->Stop();
    ReleaseInterface(graph.mediaControl);
    ReleaseInterface(graph.mediaPosition);
    ReleaseInterface(graph.mediaEvent);
    ReleaseInterface(graph.captureBuilder);
    ReleaseInterface(graph.graphBuilder);
    ReleaseInterface(graph.captureFilter);
    ReleaseInterface(graph.renderer);
}

// The first video input device, in the system's order, whose property bag
// gives a friendly name and which binds to a filter, added to the graph.
bool AddCaptureDevice(CaptureGraph& graph) {
    ICreateDevEnum* devices = nullptr;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                reinterpret_cast<void**>(&devices))))
        return false;
    IEnumMoniker* monikers = nullptr;
    // S_FALSE and no enumerator when the category is empty.
    const HRESULT listed =
        devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, CDEF_DEVMON_SELECTIVE_MASK);
    if (FAILED(listed)) {
        devices->Release();
        return false;
    }
    IMoniker* moniker = nullptr;
    while (monikers && !graph.captureFilter && monikers->Next(1, &moniker, nullptr) == S_OK) {
        IPropertyBag* bag = nullptr;
        if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)))) {
            VARIANT friendlyName;
            VariantInit(&friendlyName);
            if (SUCCEEDED(bag->Read(L"FriendlyName", &friendlyName, nullptr)) &&
                SUCCEEDED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                                reinterpret_cast<void**>(&graph.captureFilter)))) {
                graph.graphBuilder->AddFilter(graph.captureFilter, L"Video Capture");
            }
            VariantClear(&friendlyName);
            bag->Release();
        }
        moniker->Release();
        moniker = nullptr;
    }
    if (monikers) monikers->Release();
    devices->Release();
    return graph.captureFilter != nullptr;
}

// The video file's source filter, added to the graph.
bool AddFileSource(CaptureGraph& graph, const char* path) {
    const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (length <= 0) return false;
    std::vector<WCHAR> widePath(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, path, -1, widePath.data(), length);
    return SUCCEEDED(graph.graphBuilder->AddSourceFilter(widePath.data(), L"Video Capture", &graph.captureFilter));
}

// Connects the file source's output to the renderer; the graph inserts the
// splitter. (RenderStream refuses a file source, whose pin carries a byte
// stream rather than video.)
HRESULT ConnectFileSource(CaptureGraph& graph) {
    IEnumPins* pins = nullptr;
    if (FAILED(graph.captureFilter->EnumPins(&pins))) return E_FAIL;
    HRESULT result = VFW_E_NOT_FOUND;
    IPin* pin = nullptr;
    while (result == VFW_E_NOT_FOUND && pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION direction;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_OUTPUT)
            result = graph.graphBuilder->Connect(pin, graph.renderer->InputPin());
        pin->Release();
    }
    pins->Release();
    return result;
}

bool Build(CaptureGraph& graph) {
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&graph.graphBuilder))))
        return false;
    if (FAILED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                                reinterpret_cast<void**>(&graph.captureBuilder))))
        return false;
    graph.captureBuilder->SetFiltergraph(graph.graphBuilder);

    // A fresh renderer for every graph: the last one went with its graph.
    HRESULT made = E_FAIL;
    graph.renderer = new (std::nothrow) TextureRenderer(nullptr, &made);
    if (!graph.renderer) return false;
    graph.renderer->AddRef();
    if (FAILED(made)) return false;
    if (FAILED(graph.graphBuilder->AddFilter(graph.renderer, L"TEXTURERENDERER"))) return false;

    const char* file = std::getenv("LUMOX_VIDEO_SOURCE");
    const bool fromFile = file && *file;
    if (!(fromFile ? AddFileSource(graph, file) : AddCaptureDevice(graph))) return false;

    graph.graphBuilder->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&graph.mediaControl));
    graph.graphBuilder->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&graph.mediaPosition));
    graph.graphBuilder->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&graph.mediaEvent));

    // The renderer's CheckMediaType and SetMediaType run during this call,
    // on this thread.
    const HRESULT rendered = fromFile ? ConnectFileSource(graph)
                                      : graph.captureBuilder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video,
                                                                           graph.captureFilter, nullptr, graph.renderer);
    if (FAILED(rendered)) return false;
    return graph.mediaControl && SUCCEEDED(graph.mediaControl->Run());
}

}  // namespace

bool BuildCaptureGraph() {
    if (CaptureRunning()) return true;
    CaptureGraph graph = {};
    if (!Build(graph)) {
        ReleaseGraph(graph);
        return false;
    }
    captureGraph = graph;
    SetCaptureRunning(true);
    return true;
}

// The graph is built here: it belongs to the thread whose COM apartment
// made it.
bool BeginCapture() { return BuildCaptureGraph(); }

void ReleaseCaptureGraph() {
    if (CaptureRunning()) ReleaseGraph(captureGraph);
    SetCaptureRunning(false);
}

FirstFrame WaitForFirstVideoFrame(uint32_t timeoutMs) {
    if (!CaptureRunning()) return FirstFrame::NoCapture;
    const DWORD start = GetTickCount();
    for (;;) {
        if (VideoFramesWritten() > 0) return FirstFrame::Arrived;
        long code = 0;
        LONG_PTR first = 0, second = 0;
        while (captureGraph.mediaEvent && captureGraph.mediaEvent->GetEvent(&code, &first, &second, 0) == S_OK) {
            captureGraph.mediaEvent->FreeEventParams(code, first, second);
            if (code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT)
                return VideoFramesWritten() > 0 ? FirstFrame::Arrived : FirstFrame::SourceEnded;
        }
        if (GetTickCount() - start >= timeoutMs) return FirstFrame::TimedOut;
        Sleep(5);
    }
}

const char* CaptureFailureText() {
    return "A suitable device was not found - disabling directsound video input interface.";
}
