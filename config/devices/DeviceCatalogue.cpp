#include "devices/DeviceCatalogue.h"

#include "devices/DeviceLog.h"

#include <string_view>

using namespace Lighting;

DeviceCatalogue::DeviceCatalogue()
    : registry(ProviderRegistry::Default())
{ }

DeviceCatalogue::DeviceCatalogue(ProviderRegistry registry)
    : registry(std::move(registry))
{ }

DeviceCatalogue::~DeviceCatalogue()
{
    for (ILightingDevice *device : heldDevices)
        device->Release();
    for (ILightingProvider *provider : heldProviders)
        provider->Release();
}

bool DeviceCatalogue::Discover()
{
    ssdDescriptions.clear();

    QStringList names;
    registry.EnumerateSubkeys(QLatin1String(kInstanceKeyPath), &names);

    // Objects here are in-process objects called on this thread only; the
    // registry sets up whatever the platform needs for them (on Windows, the
    // thread's COM apartment).
    for (const QString &name : names) {
        Guid clsid;
        if (!CLSIDFromString(name, &clsid) || clsid != CLSID_LightingProvider)
            continue;

        void *object = nullptr;
        if (Failed(registry.CreateInstance(CLSID_LightingProvider, IID_ILightingProvider, &object)) || !object)
            continue;
        auto *provider = static_cast<ILightingProvider *>(object);
        heldProviders.push_back(provider);

        provider->AddRef();
        DiscoverFrom(provider);
        provider->Release();
    }
    return !ssdDescriptions.empty();
}

void DeviceCatalogue::DiscoverFrom(ILightingProvider *provider)
{
    std::uint32_t count = 0;
    provider->GetDevices(nullptr, &count);
    if (count == 0)
        return;
    if (count > kMaxDevicesPerProvider) {
        DeviceLog(QStringLiteral("Lighting provider reports %1 devices; reading the first %2")
                      .arg(count)
                      .arg(kMaxDevicesPerProvider));
        count = kMaxDevicesPerProvider;
    }

    std::vector<ILightingDevice *> devices(count, nullptr);
    const std::uint32_t capacity = count;
    provider->GetDevices(devices.data(), &count);
    if (count > capacity) {
        DeviceLog(
            QStringLiteral("Lighting provider claims %1 devices filled into room for %2").arg(count).arg(capacity));
        count = capacity;
    }

    for (std::uint32_t i = 0; i < count; ++i) {
        ILightingDevice *device = devices[i];
        Bstr text = nullptr;
        if (device) {
            heldDevices.push_back(device);
            device->GetDescription(&text);
        }
        // A device without an object or a document still counts, with an
        // empty description.
        DeviceDescription description;
        ParseDeviceDescription(std::u16string_view(text ? text : u"", SysStringLen(text)), &description);
        ssdDescriptions.push_back(std::move(description));
        SysFreeString(text);
    }
}

int DeviceCatalogue::DeviceCount(int category) const
{
    if (category == kCategorySsd)
        return static_cast<int>(ssdDescriptions.size());
    return 0;
}

const std::vector<DeviceDescription> &DeviceCatalogue::Descriptions(int category) const
{
    static const std::vector<DeviceDescription> none;
    if (category == kCategorySsd)
        return ssdDescriptions;
    if (category == kCategoryNone)
        return categoryNoneDescriptions;
    return none;
}
