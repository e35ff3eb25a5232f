#include "tests/win/softcam/CaptureGraph.h"

#include <qedit.h>

// Declared by no platform header, defined in strmiids.
extern "C" const CLSID CLSID_SampleGrabber;
extern "C" const CLSID CLSID_NullRenderer;

namespace {

template <typename T> void release(T*& object)
{
    if (object)
        object->Release();
    object = nullptr;
}

IPin* pinOf(IBaseFilter* filter, PIN_DIRECTION wanted)
{
    IEnumPins* pins = nullptr;
    if (FAILED(filter->EnumPins(&pins)))
        return nullptr;
    IPin* pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION direction;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == wanted)
            break;
        release(pin);
    }
    pins->Release();
    return pin;
}

// Calls `visit(name, moniker)` for each video input device until it returns true.
template <typename Visit> void forEachVideoInput(Visit visit)
{
    ICreateDevEnum* devices = nullptr;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ICreateDevEnum, reinterpret_cast<void**>(&devices))))
        return;
    IEnumMoniker* monikers = nullptr;
    // S_FALSE and no enumerator when the category is empty.
    if (devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0) == S_OK
        && monikers) {
        IMoniker* moniker = nullptr;
        bool done = false;
        while (!done && monikers->Next(1, &moniker, nullptr) == S_OK) {
            IPropertyBag* properties = nullptr;
            if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                                 reinterpret_cast<void**>(&properties)))) {
                VARIANT name;
                VariantInit(&name);
                if (SUCCEEDED(properties->Read(L"FriendlyName", &name, nullptr))
                    && name.vt == VT_BSTR)
                    done = visit(std::wstring(name.bstrVal), moniker);
                VariantClear(&name);
                properties->Release();
            }
            release(moniker);
        }
        monikers->Release();
    }
    devices->Release();
}

} // namespace

CaptureGraph::~CaptureGraph()
{
    stop();
    release(control);
    release(renderer);
    release(grabberFilter);
    release(graph);
}

std::vector<std::wstring> CaptureGraph::videoInputNames()
{
    std::vector<std::wstring> names;
    forEachVideoInput([&](const std::wstring& name, IMoniker*) {
        names.push_back(name);
        return false;
    });
    return names;
}

IBaseFilter* CaptureGraph::bindVideoInput(const std::wstring& wanted)
{
    IBaseFilter* filter = nullptr;
    forEachVideoInput([&](const std::wstring& name, IMoniker* moniker) {
        if (name != wanted)
            return false;
        moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter));
        return true;
    });
    return filter;
}

bool CaptureGraph::build(IBaseFilter* camera, const GUID& subtype, Connection how)
{
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&graph)))
        || FAILED(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)))
        || FAILED(CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IBaseFilter, reinterpret_cast<void**>(&grabberFilter)))
        || FAILED(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IBaseFilter, reinterpret_cast<void**>(&renderer))))
        return false;
    ISampleGrabber* grabber = nullptr;
    if (FAILED(
            grabberFilter->QueryInterface(IID_ISampleGrabber, reinterpret_cast<void**>(&grabber))))
        return false;
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Video;
    type.subtype = subtype;
    grabber->SetMediaType(&type);
    grabber->SetBufferSamples(TRUE);
    grabber->SetOneShot(FALSE);

    bool connected = SUCCEEDED(graph->AddFilter(camera, L"Camera"))
        && SUCCEEDED(graph->AddFilter(grabberFilter, L"Grabber"))
        && SUCCEEDED(graph->AddFilter(renderer, L"Null"));
    if (connected && how == Connection::CaptureGraphBuilder) {
        // As most video-call programs do: the builder finds the pin by its capture category.
        ICaptureGraphBuilder2* builder = nullptr;
        connected = SUCCEEDED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr,
                                               CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                                               reinterpret_cast<void**>(&builder)))
            && SUCCEEDED(builder->SetFiltergraph(graph))
            && SUCCEEDED(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera,
                                               grabberFilter, renderer));
        release(builder);
    } else if (connected) {
        IPin* cameraOut = pinOf(camera, PINDIR_OUTPUT);
        IPin* grabberIn = pinOf(grabberFilter, PINDIR_INPUT);
        IPin* grabberOut = pinOf(grabberFilter, PINDIR_OUTPUT);
        IPin* rendererIn = pinOf(renderer, PINDIR_INPUT);
        connected = cameraOut && grabberIn && grabberOut && rendererIn
            && SUCCEEDED(graph->ConnectDirect(cameraOut, grabberIn, nullptr))
            && SUCCEEDED(graph->ConnectDirect(grabberOut, rendererIn, nullptr));
        release(cameraOut);
        release(grabberIn);
        release(grabberOut);
        release(rendererIn);
    }
    AM_MEDIA_TYPE negotiated{};
    if (connected && SUCCEEDED(grabber->GetConnectedMediaType(&negotiated))) {
        connectedSubtype = negotiated.subtype;
        if (negotiated.formattype == FORMAT_VideoInfo && negotiated.pbFormat) {
            const auto* video = reinterpret_cast<VIDEOINFOHEADER*>(negotiated.pbFormat);
            connectedWidth = video->bmiHeader.biWidth;
            connectedHeight = video->bmiHeader.biHeight;
        }
        CoTaskMemFree(negotiated.pbFormat);
        if (negotiated.pUnk)
            negotiated.pUnk->Release();
    }
    grabber->Release();
    return connected;
}

bool CaptureGraph::run()
{
    // A live source makes Run answer S_FALSE; the graph is running once it says so.
    if (!control || FAILED(control->Run()))
        return false;
    OAFilterState state = State_Stopped;
    control->GetState(5000, &state);
    return state == State_Running;
}

void CaptureGraph::stop()
{
    if (control)
        control->Stop();
}

bool CaptureGraph::latestSample(std::vector<unsigned char>& bytes)
{
    ISampleGrabber* grabber = nullptr;
    if (!grabberFilter
        || FAILED(
            grabberFilter->QueryInterface(IID_ISampleGrabber, reinterpret_cast<void**>(&grabber))))
        return false;
    long size = 0;
    bool got = SUCCEEDED(grabber->GetCurrentBuffer(&size, nullptr)) && size > 0;
    if (got) {
        bytes.resize(std::size_t(size));
        got = SUCCEEDED(grabber->GetCurrentBuffer(&size, reinterpret_cast<long*>(bytes.data())));
    }
    grabber->Release();
    return got;
}
