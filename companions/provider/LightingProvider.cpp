// The lighting provider plug-in: one provider object per creation, one
// device object per entry of the device list (see README.md).

#include "DeviceList.h"
#include "LiveObjects.h"

#include "devices/LightingProviderContract.h"

#include <atomic>
#include <new>
#include <string>
#include <vector>

using namespace Lighting;

namespace provider {
namespace {

// The IUnknown part of the plug-in's objects: QueryInterface answers
// IUnknown and the object's own interface (`ownIid`) with the object itself;
// an object starts with one reference and the last Release deletes it.
template <typename Interface, const Guid &ownIid>
class Unknown : public Interface
{
public:
    HResult LIGHTING_CALL QueryInterface(const Guid &iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == ownIid) {
            *object = static_cast<Interface *>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    std::uint32_t LIGHTING_CALL AddRef() override { return ++references; }

    std::uint32_t LIGHTING_CALL Release() override
    {
        const std::uint32_t left = --references;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    Unknown() { ++liveObjects; }
    // Virtual, and after the interface's slots, so the interface layout the
    // host calls through is unchanged.
    virtual ~Unknown() { --liveObjects; }

private:
    std::atomic<std::uint32_t> references {1};
};

class Device final : public Unknown<ILightingDevice, IID_ILightingDevice>
{
public:
    Device(std::size_t index, ListedDevice listed)
        : index(index)
        , listed(std::move(listed))
    {
        Trace("create device " + std::to_string(index));
    }

    HResult LIGHTING_CALL GetDescription(Bstr *description) override
    {
        if (!description)
            return E_POINTER;
        *description = nullptr;
        if (!listed.description)
            return S_FALSE;
        const std::u16string &text = *listed.description;
        *description = SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
        return *description ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~Device() override { Trace("destroy device " + std::to_string(index)); }

    std::size_t index;
    ListedDevice listed;
};

class Provider final : public Unknown<ILightingProvider, IID_ILightingProvider>
{
public:
    Provider()
    {
        Trace("create provider");
        std::vector<ListedDevice> listed = ReadDeviceList(FindDeviceListFile());
        devices.reserve(listed.size());
        for (std::size_t i = 0; i < listed.size(); ++i)
            devices.push_back(new Device(i, std::move(listed[i])));
    }

    HResult LIGHTING_CALL GetDevices(ILightingDevice **array, std::uint32_t *count) override
    {
        if (!count)
            return E_POINTER;
        if (!array) {
            *count = static_cast<std::uint32_t>(devices.size());
            return S_OK;
        }
        std::uint32_t filled = 0;
        while (filled < *count && filled < devices.size()) {
            devices[filled]->AddRef();
            array[filled] = devices[filled];
            ++filled;
        }
        *count = filled;
        return S_OK;
    }

private:
    // Devices handed out live on with their callers' references.
    ~Provider() override
    {
        for (Device *device : devices)
            device->Release();
        Trace("destroy provider");
    }

    std::vector<Device *> devices;
};

} // namespace
} // namespace provider

// The factory is the plug-in's entry point on Linux; on Windows COM reaches it
// through the class factory (ComServerWindows.cpp).
#ifdef _WIN32
#define PROVIDER_FACTORY_EXPORT
#else
#define PROVIDER_FACTORY_EXPORT __attribute__((visibility("default")))
#endif

extern "C" PROVIDER_FACTORY_EXPORT HResult LightingProviderCreateInstance(const Guid *clsid, const Guid *iid,
                                                                          void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!clsid || !iid)
        return E_INVALIDARG;
    if (*clsid != CLSID_LightingProvider)
        return CLASS_E_CLASSNOTAVAILABLE;

    auto *created = new (std::nothrow) provider::Provider;
    if (!created)
        return E_OUTOFMEMORY;
    const HResult result = created->QueryInterface(*iid, object);
    created->Release(); // the interface asked for holds the one reference left
    return result;
}
