#include "windows/dshow_renderer.h"

#include <cstring>
#include <cwchar>
#include <new>

#include "video/frame_exchange.h"

// {71771540-2017-11CF-AE26-0020AFD79767}
const CLSID CLSID_TextureRenderer = {0x71771540, 0x2017, 0x11CF, {0xAE, 0x26, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x67}};

namespace {

const WCHAR kPinName[] = L"In";

void FreeMediaType(AM_MEDIA_TYPE& type) {
    CoTaskMemFree(type.pbFormat);
    type.pbFormat = nullptr;
    type.cbFormat = 0;
    if (type.pUnk) {
        type.pUnk->Release();
        type.pUnk = nullptr;
    }
}

void DeleteMediaType(AM_MEDIA_TYPE* type) {
    if (!type) return;
    FreeMediaType(*type);
    CoTaskMemFree(type);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE& to, const AM_MEDIA_TYPE& from) {
    to = from;
    to.pbFormat = nullptr;
    to.cbFormat = 0;
    if (from.cbFormat && from.pbFormat) {
        to.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(from.cbFormat));
        if (!to.pbFormat) {
            to.pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(to.pbFormat, from.pbFormat, from.cbFormat);
        to.cbFormat = from.cbFormat;
    }
    if (to.pUnk) to.pUnk->AddRef();
    return S_OK;
}

// IUnknown of an object with one interface besides IUnknown, which ends
// with its last reference.
template <typename Interface>
class ComObject : public Interface {
public:
    explicit ComObject(const IID& interfaceId) : interfaceId(interfaceId) {}
    virtual ~ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, interfaceId)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG left = InterlockedDecrement(&references);
        if (left == 0) delete this;
        return left;
    }

private:
    LONG references = 1;
    const IID interfaceId;
};

// The enumerator of the filter's one pin.
class PinEnumerator final : public ComObject<IEnumPins> {
public:
    PinEnumerator(VideoRendererBase& filter, ULONG position)
        : ComObject(IID_IEnumPins), filter(filter), position(position) {
        filter.AddRef();
    }
    ~PinEnumerator() override { filter.Release(); }

    STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override {
        if (!pins) return E_POINTER;
        if (count > 1 && !fetched) return E_INVALIDARG;
        ULONG taken = 0;
        if (count > 0 && position == 0) {
            pins[0] = filter.InputPin();
            pins[0]->AddRef();
            taken = 1;
            position = 1;
        }
        if (fetched) *fetched = taken;
        return taken == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        const bool enough = position + count <= 1;
        position = enough ? position + count : 1;
        return enough ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        position = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumPins** copy) override {
        if (!copy) return E_POINTER;
        *copy = new (std::nothrow) PinEnumerator(filter, position);
        return *copy ? S_OK : E_OUTOFMEMORY;
    }

private:
    VideoRendererBase& filter;
    ULONG position;
};

// The pin prefers no media type: the upstream pin proposes its own.
class NoMediaTypes final : public ComObject<IEnumMediaTypes> {
public:
    NoMediaTypes() : ComObject(IID_IEnumMediaTypes) {}
    STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
        if (!types) return E_POINTER;
        if (fetched) *fetched = 0;
        return count == 0 ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override { return count == 0 ? S_OK : S_FALSE; }
    STDMETHODIMP Reset() override { return S_OK; }
    STDMETHODIMP Clone(IEnumMediaTypes** copy) override {
        if (!copy) return E_POINTER;
        *copy = new (std::nothrow) NoMediaTypes;
        return *copy ? S_OK : E_OUTOFMEMORY;
    }
};

}  // namespace

// ---- RendererInputPin ----

STDMETHODIMP RendererInputPin::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPin)) {
        *object = static_cast<IPin*>(this);
    } else if (IsEqualIID(iid, IID_IMemInputPin)) {
        *object = static_cast<IMemInputPin*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) RendererInputPin::AddRef() { return filter.AddRef(); }
STDMETHODIMP_(ULONG) RendererInputPin::Release() { return filter.Release(); }

// Connections are made from the output side.
STDMETHODIMP RendererInputPin::Connect(IPin*, const AM_MEDIA_TYPE*) { return E_UNEXPECTED; }

STDMETHODIMP RendererInputPin::ReceiveConnection(IPin* from, const AM_MEDIA_TYPE* type) {
    if (!from || !type) return E_POINTER;
    {
        std::lock_guard<std::mutex> lock(filter.stateLock);
        if (connector) return VFW_E_ALREADY_CONNECTED;
        if (filter.state != State_Stopped) return VFW_E_NOT_STOPPED;
    }
    PIN_DIRECTION direction;
    if (FAILED(from->QueryDirection(&direction)) || direction != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    if (filter.CheckMediaType(type) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    AM_MEDIA_TYPE copy;
    if (FAILED(CopyMediaType(copy, *type))) return E_OUTOFMEMORY;
    const HRESULT set = filter.SetMediaType(type);
    if (FAILED(set)) {
        FreeMediaType(copy);
        return set;
    }
    std::lock_guard<std::mutex> lock(filter.stateLock);
    connector = from;
    connector->AddRef();
    connectionType = copy;
    return S_OK;
}

void RendererInputPin::DropConnection() {
    IPin* peer;
    IMemAllocator* oldAllocator;
    {
        std::lock_guard<std::mutex> lock(filter.stateLock);
        peer = connector;
        connector = nullptr;
        if (peer) FreeMediaType(connectionType);
        oldAllocator = allocator;
        allocator = nullptr;
    }
    if (peer) peer->Release();
    if (oldAllocator) oldAllocator->Release();
}

STDMETHODIMP RendererInputPin::Disconnect() {
    {
        std::lock_guard<std::mutex> lock(filter.stateLock);
        if (filter.state != State_Stopped) return VFW_E_NOT_STOPPED;
        if (!connector) return S_FALSE;
    }
    DropConnection();
    return S_OK;
}

STDMETHODIMP RendererInputPin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    std::lock_guard<std::mutex> lock(filter.stateLock);
    *pin = connector;
    if (!connector) return VFW_E_NOT_CONNECTED;
    connector->AddRef();
    return S_OK;
}

STDMETHODIMP RendererInputPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    std::lock_guard<std::mutex> lock(filter.stateLock);
    if (!connector) {
        std::memset(type, 0, sizeof *type);
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(*type, connectionType);
}

STDMETHODIMP RendererInputPin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    info->pFilter = &filter;
    filter.AddRef();
    info->dir = PINDIR_INPUT;
    std::wcsncpy(info->achName, kPinName, MAX_PIN_NAME);
    return S_OK;
}

STDMETHODIMP RendererInputPin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = PINDIR_INPUT;
    return S_OK;
}

STDMETHODIMP RendererInputPin::QueryId(LPWSTR* id) {
    if (!id) return E_POINTER;
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof kPinName));
    if (!*id) return E_OUTOFMEMORY;
    std::memcpy(*id, kPinName, sizeof kPinName);
    return S_OK;
}

STDMETHODIMP RendererInputPin::QueryAccept(const AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    return filter.CheckMediaType(type) == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP RendererInputPin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types) return E_POINTER;
    *types = new (std::nothrow) NoMediaTypes;
    return *types ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP RendererInputPin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

STDMETHODIMP RendererInputPin::EndOfStream() {
    bool notify;
    {
        std::lock_guard<std::mutex> lock(filter.stateLock);
        if (filter.flushing || filter.state == State_Stopped) return S_OK;
        // A paused renderer reports the end when the graph runs.
        notify = filter.state == State_Running;
        filter.endOfStream = !notify;
    }
    if (notify) filter.NotifyComplete();
    return S_OK;
}

STDMETHODIMP RendererInputPin::BeginFlush() {
    std::lock_guard<std::mutex> lock(filter.stateLock);
    filter.flushing = true;
    filter.endOfStream = false;
    filter.stateChanged.notify_all();  // a held sample goes
    return S_OK;
}

STDMETHODIMP RendererInputPin::EndFlush() {
    std::lock_guard<std::mutex> lock(filter.stateLock);
    filter.flushing = false;
    return S_OK;
}

STDMETHODIMP RendererInputPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }

// The upstream pin brings its own allocator.
STDMETHODIMP RendererInputPin::GetAllocator(IMemAllocator** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    return VFW_E_NO_ALLOCATOR;
}

STDMETHODIMP RendererInputPin::NotifyAllocator(IMemAllocator* newAllocator, BOOL) {
    if (!newAllocator) return E_POINTER;
    newAllocator->AddRef();
    IMemAllocator* old;
    {
        std::lock_guard<std::mutex> lock(filter.stateLock);
        old = allocator;
        allocator = newAllocator;
    }
    if (old) old->Release();
    return S_OK;
}

STDMETHODIMP RendererInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) { return E_NOTIMPL; }

STDMETHODIMP RendererInputPin::Receive(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    std::lock_guard<std::mutex> rendering(sampleLock);
    {
        std::lock_guard<std::mutex> lock(filter.stateLock);
        if (!connector) return VFW_E_NOT_CONNECTED;
        if (filter.flushing) return S_FALSE;
        if (filter.state == State_Stopped) return VFW_E_WRONG_STATE;
    }

    // A sample may announce a new type: the renderer decides it as it does a
    // connection, and a refused one refuses the sample.
    AM_MEDIA_TYPE* newType = nullptr;
    if (sample->GetMediaType(&newType) == S_OK && newType) {
        const bool accepted = filter.CheckMediaType(newType) == S_OK;
        AM_MEDIA_TYPE copy;
        if (accepted && SUCCEEDED(CopyMediaType(copy, *newType))) {
            filter.SetMediaType(newType);
            std::lock_guard<std::mutex> lock(filter.stateLock);
            FreeMediaType(connectionType);
            connectionType = copy;
        }
        DeleteMediaType(newType);
        if (!accepted) return VFW_E_INVALIDMEDIATYPE;
    }

    {
        // Paused: hold the sample until the graph runs, stops or flushes.
        std::unique_lock<std::mutex> lock(filter.stateLock);
        filter.stateChanged.wait(lock, [this] { return filter.state != State_Paused || filter.flushing; });
        if (filter.flushing) return S_FALSE;
        if (filter.state == State_Stopped) return VFW_E_WRONG_STATE;
    }
    filter.DoRenderSample(sample);
    return S_OK;
}

STDMETHODIMP RendererInputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
    if (!samples || !processed) return E_POINTER;
    *processed = 0;
    HRESULT result = S_OK;
    while (*processed < count) {
        result = Receive(samples[*processed]);
        if (result != S_OK) break;
        ++*processed;
    }
    return result;
}

STDMETHODIMP RendererInputPin::ReceiveCanBlock() { return S_OK; }

// ---- VideoRendererBase ----

VideoRendererBase::VideoRendererBase(const CLSID& classId) : classId(classId) {}

VideoRendererBase::~VideoRendererBase() {
    pin.DropConnection();
    if (clock) clock->Release();
}

HRESULT VideoRendererBase::SetMediaType(const AM_MEDIA_TYPE*) { return S_OK; }

STDMETHODIMP VideoRendererBase::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IMediaFilter) ||
        IsEqualIID(iid, IID_IBaseFilter)) {
        *object = static_cast<IBaseFilter*>(this);
    } else if (IsEqualIID(iid, IID_IAMFilterMiscFlags)) {
        *object = static_cast<IAMFilterMiscFlags*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) VideoRendererBase::AddRef() { return InterlockedIncrement(&references); }

STDMETHODIMP_(ULONG) VideoRendererBase::Release() {
    const LONG left = InterlockedDecrement(&references);
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP VideoRendererBase::GetClassID(CLSID* result) {
    if (!result) return E_POINTER;
    *result = classId;
    return S_OK;
}

STDMETHODIMP VideoRendererBase::Stop() {
    std::lock_guard<std::mutex> lock(stateLock);
    state = State_Stopped;
    endOfStream = false;
    stateChanged.notify_all();
    return S_OK;
}

STDMETHODIMP VideoRendererBase::Pause() {
    std::lock_guard<std::mutex> lock(stateLock);
    state = State_Paused;
    stateChanged.notify_all();
    return S_OK;
}

STDMETHODIMP VideoRendererBase::Run(REFERENCE_TIME) {
    bool notify;
    {
        std::lock_guard<std::mutex> lock(stateLock);
        state = State_Running;
        notify = endOfStream;
        endOfStream = false;
        stateChanged.notify_all();
    }
    if (notify) NotifyComplete();
    return S_OK;
}

STDMETHODIMP VideoRendererBase::GetState(DWORD, FILTER_STATE* result) {
    if (!result) return E_POINTER;
    std::lock_guard<std::mutex> lock(stateLock);
    *result = state;
    return S_OK;
}

STDMETHODIMP VideoRendererBase::SetSyncSource(IReferenceClock* newClock) {
    if (newClock) newClock->AddRef();
    IReferenceClock* old;
    {
        std::lock_guard<std::mutex> lock(stateLock);
        old = clock;
        clock = newClock;
    }
    if (old) old->Release();
    return S_OK;
}

STDMETHODIMP VideoRendererBase::GetSyncSource(IReferenceClock** result) {
    if (!result) return E_POINTER;
    std::lock_guard<std::mutex> lock(stateLock);
    *result = clock;
    if (clock) clock->AddRef();
    return S_OK;
}

STDMETHODIMP VideoRendererBase::EnumPins(IEnumPins** pins) {
    if (!pins) return E_POINTER;
    *pins = new (std::nothrow) PinEnumerator(*this, 0);
    return *pins ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP VideoRendererBase::FindPin(LPCWSTR id, IPin** result) {
    if (!id || !result) return E_POINTER;
    if (std::wcscmp(id, kPinName) != 0) {
        *result = nullptr;
        return VFW_E_NOT_FOUND;
    }
    *result = &pin;
    pin.AddRef();
    return S_OK;
}

STDMETHODIMP VideoRendererBase::QueryFilterInfo(FILTER_INFO* info) {
    if (!info) return E_POINTER;
    std::lock_guard<std::mutex> lock(stateLock);
    std::wcsncpy(info->achName, name, MAX_FILTER_NAME);
    info->pGraph = graph;
    if (graph) graph->AddRef();
    return S_OK;
}

STDMETHODIMP VideoRendererBase::JoinFilterGraph(IFilterGraph* newGraph, LPCWSTR newName) {
    std::lock_guard<std::mutex> lock(stateLock);
    graph = newGraph;
    name[0] = 0;
    if (newGraph && newName) {
        std::wcsncpy(name, newName, MAX_FILTER_NAME - 1);
        name[MAX_FILTER_NAME - 1] = 0;
    }
    return S_OK;
}

STDMETHODIMP VideoRendererBase::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

STDMETHODIMP_(ULONG) VideoRendererBase::GetMiscFlags() { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

void VideoRendererBase::NotifyComplete() {
    IFilterGraph* target;
    {
        std::lock_guard<std::mutex> lock(stateLock);
        target = graph;
    }
    IMediaEventSink* sink = nullptr;
    if (!target || FAILED(target->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)))) return;
    sink->Notify(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
    sink->Release();
}

// ---- TextureRenderer ----

namespace {

// The media type in the frame exchange's terms; only a whole video-info header
// counts as one.
VideoFormat FormatOf(const AM_MEDIA_TYPE* type) {
    VideoFormat format;
    if (!type || !IsEqualGUID(type->formattype, FORMAT_VideoInfo) || !type->pbFormat ||
        type->cbFormat < sizeof(VIDEOINFOHEADER))
        return format;
    VIDEOINFOHEADER info;
    std::memcpy(&info, type->pbFormat, sizeof info);
    format.videoInfo = true;
    format.width = info.bmiHeader.biWidth;
    format.height = info.bmiHeader.biHeight;
    format.bitCount = info.bmiHeader.biBitCount;
    format.uncompressed = info.bmiHeader.biCompression == BI_RGB;
    return format;
}

}  // namespace

TextureRenderer::TextureRenderer(IUnknown*, HRESULT* result) : VideoRendererBase(CLSID_TextureRenderer) {
    if (result) *result = S_OK;
}

TextureRenderer::~TextureRenderer() = default;

HRESULT TextureRenderer::CheckMediaType(const AM_MEDIA_TYPE* type) {
    return CheckVideoFormat(FormatOf(type)) ? S_OK : E_INVALIDARG;
}

HRESULT TextureRenderer::SetMediaType(const AM_MEDIA_TYPE* type) {
    SetVideoFormat(FormatOf(type));
    return S_OK;
}

// The sample's actual data length bounds the read: the type's sample size
// need not be set.
HRESULT TextureRenderer::DoRenderSample(IMediaSample* sample) {
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    const long length = sample->GetActualDataLength();
    RenderVideoSample(data, length > 0 ? static_cast<size_t>(length) : 0, 0);
    return S_OK;
}
