#pragma once
// The lighting devices known to the program, per device category, as the
// registered lighting provider reports them.

#include "devices/DeviceDescription.h"
#include "devices/LightingProviderContract.h"
#include "devices/ProviderRegistry.h"

#include <vector>

class DeviceCatalogue
{
public:
    // Category numbers as the settings use them: 0 has no devices in this
    // program, 1 holds the SSDs.
    static constexpr int kCategoryNone = 0;
    static constexpr int kCategorySsd = 1;

    // A provider is expected to report a handful of drives, and the settings
    // keep records for 16 per category. A count above this bound is cut to
    // it (with a log line) so that a broken or hostile provider cannot make
    // us allocate gigabytes or walk billions of entries.
    static constexpr std::uint32_t kMaxDevicesPerProvider = 256;

    // Searches the per-user and system-wide registry.
    DeviceCatalogue();
    explicit DeviceCatalogue(ProviderRegistry registry);
    // Releases every provider and device reference still held.
    ~DeviceCatalogue();

    DeviceCatalogue(const DeviceCatalogue &) = delete;
    DeviceCatalogue &operator=(const DeviceCatalogue &) = delete;

    // Asks every registered provider of the lighting provider class for its
    // devices and reads their descriptions. True when at least one SSD is
    // known afterwards.
    bool Discover();

    int DeviceCount(int category) const;

    // The descriptions of a category, in the provider's order.
    const std::vector<DeviceDescription> &Descriptions(int category) const;

private:
    void DiscoverFrom(Lighting::ILightingProvider *provider);

    ProviderRegistry registry;
    std::vector<DeviceDescription> categoryNoneDescriptions; // stays empty
    std::vector<DeviceDescription> ssdDescriptions;

    // The reference each creation returned and every device reference
    // received, kept until the catalogue ends.
    std::vector<Lighting::ILightingProvider *> heldProviders;
    std::vector<Lighting::ILightingDevice *> heldDevices;
};
