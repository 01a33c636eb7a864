// The DirectShow capture graph, for tests that look into it. Windows only;
// the saver itself uses capture_source.h.
#pragma once

#include <windows.h>

#include <dshow.h>

#include "windows/dshow_renderer.h"

struct CaptureGraph {
    IGraphBuilder* graphBuilder = nullptr;
    ICaptureGraphBuilder2* captureBuilder = nullptr;
    TextureRenderer* renderer = nullptr;  // counted: released after the graph
    IMediaControl* mediaControl = nullptr;
    IMediaPosition* mediaPosition = nullptr;
    IMediaEvent* mediaEvent = nullptr;
    IBaseFilter* captureFilter = nullptr;
};

// The running graph; every field is null while none runs.
extern CaptureGraph captureGraph;
