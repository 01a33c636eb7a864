// The DirectShow capture graph, for tests that look into it. Windows only;
// the saver itself uses capture_source.h.
#pragma once

#include <windows.h>

#include <dshow.h>

#include "video/dshow_renderer.h"

struct CaptureGraph {
    IGraphBuilder* graphBuilder;
    ICaptureGraphBuilder2* captureBuilder;
    TextureRenderer* renderer;  // counted: released after the graph
    IMediaControl* mediaControl;
    IMediaPosition* mediaPosition;
    IMediaEvent* mediaEvent;
    IBaseFilter* captureFilter;
};

// The running graph; every field is null while none runs.
extern CaptureGraph captureGraph;
