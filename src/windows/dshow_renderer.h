// A small video-renderer base for DirectShow, standing in for the SDK's
// filter base classes (not available to this build), and TextureRenderer,
// the saver's sink filter built on it.
//
// VideoRendererBase is a filter with exactly one input pin, "In", taking
// samples through IMemInputPin. It is enough for a filter graph to connect
// it (directly or through the filters intelligent connect inserts), to run
// it, and to stream into it on a foreign thread: every sample is rendered at
// once (no clock scheduling, nothing dropped for lateness); a sample that
// carries a new media type goes through CheckMediaType and SetMediaType
// first; while paused a sample is held in Receive until the graph runs,
// stops or flushes, and is never kept after Receive returns. It reports
// itself a renderer (IAMFilterMiscFlags) so that the graph counts its
// EC_COMPLETE. It holds no reference to the graph, as filters must not.
//
// Reference counting follows COM: the count starts at 0 and the object
// deletes itself when it returns to 0; the pin and the enumerators count on
// the filter.
#pragma once

#include <windows.h>

#include <dshow.h>

#include <condition_variable>
#include <mutex>

class VideoRendererBase;

class RendererInputPin final : public IPin, public IMemInputPin {
public:
    explicit RendererInputPin(VideoRendererBase& filter) : filter(filter) {}
    RendererInputPin(const RendererInputPin&) = delete;
    RendererInputPin& operator=(const RendererInputPin&) = delete;

    // IUnknown, counted on the filter.
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPin
    STDMETHODIMP Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** pin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override;
    STDMETHODIMP QueryId(LPWSTR* id) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
    STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // IMemInputPin
    STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
    STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
    STDMETHODIMP ReceiveCanBlock() override;

    // Drops the connection and the allocator; for the filter's destruction.
    void DropConnection();

private:
    VideoRendererBase& filter;
    IPin* connector = nullptr;         // guarded by the filter's stateLock
    AM_MEDIA_TYPE connectionType{};    // valid while connector is set
    IMemAllocator* allocator = nullptr;
    std::mutex sampleLock;             // one sample rendered at a time
};

class VideoRendererBase : public IBaseFilter, public IAMFilterMiscFlags {
public:
    explicit VideoRendererBase(const CLSID& classId);
    virtual ~VideoRendererBase();
    VideoRendererBase(const VideoRendererBase&) = delete;
    VideoRendererBase& operator=(const VideoRendererBase&) = delete;

    // The hooks of a renderer. CheckMediaType decides every connection and
    // every in-stream type change; SetMediaType follows an agreed type;
    // DoRenderSample shows one sample, on the thread that delivered it.
    virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* type);
    virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPersist
    STDMETHODIMP GetClassID(CLSID* classId) override;

    // IMediaFilter
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME start) override;
    STDMETHODIMP GetState(DWORD timeoutMs, FILTER_STATE* state) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;

    // IBaseFilter
    STDMETHODIMP EnumPins(IEnumPins** pins) override;
    STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;

    // IAMFilterMiscFlags
    STDMETHODIMP_(ULONG) GetMiscFlags() override;

    // The input pin "In".
    IPin* InputPin() { return &pin; }

private:
    friend class RendererInputPin;

    // Tells the graph the stream has ended (EC_COMPLETE).
    void NotifyComplete();

    const CLSID classId;
    LONG references = 0;
    RendererInputPin pin{*this};

    // The state, the flush flag, the pin's connection and the pending end of
    // stream; Receive waits on stateChanged while paused.
    std::mutex stateLock;
    std::condition_variable stateChanged;
    FILTER_STATE state = State_Stopped;
    bool flushing = false;
    bool endOfStream = false;
    IReferenceClock* clock = nullptr;
    IFilterGraph* graph = nullptr;  // not counted
    WCHAR name[MAX_FILTER_NAME] = {};
};

// {71771540-2017-11CF-AE26-0020AFD79767}
extern const CLSID CLSID_TextureRenderer;

// The saver's sink: takes 160 x 120 24-bit frames into the frame exchange
// (frame_exchange.h). It holds no data of its own. Never aggregated.
class TextureRenderer final : public VideoRendererBase {
public:
    // result is always set to success.
    TextureRenderer(IUnknown* owner, HRESULT* result);
    ~TextureRenderer() override;

    HRESULT SetMediaType(const AM_MEDIA_TYPE* type) override;
    HRESULT DoRenderSample(IMediaSample* sample) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
};
