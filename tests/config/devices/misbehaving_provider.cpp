// A provider plug-in that breaks the contract in the ways the catalogue must
// survive. $ZARVIK_TEST_PROVIDER_MODE chooses how:
//   overfill      reports 2 devices, fills 2, but claims 1000 filled
//   huge          reports 0xFFFFFFFF devices, fills whatever room it gets
//   null-entries  reports and "fills" 3 entries but leaves them null
//   shrink        reports 3 devices, then fills only 1
//   fail-create   the factory fails
// The exports below let tests look inside.

#include "devices/LightingProviderContract.h"

#include <cstdlib>
#include <cstring>

using namespace Lighting;

namespace {

int liveObjects = 0;
std::uint32_t lastCapacity = 0;

const char *Mode()
{
    const char *mode = std::getenv("ZARVIK_TEST_PROVIDER_MODE");
    return mode ? mode : "";
}

bool ModeIs(const char *name)
{
    return std::strcmp(Mode(), name) == 0;
}

template <typename Interface>
class Object : public Interface
{
public:
    Object() { ++liveObjects; }
    virtual ~Object() { --liveObjects; }

    HResult QueryInterface(const Guid &, void **object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return ++references; }
    std::uint32_t Release() override
    {
        const std::uint32_t left = --references;
        if (left == 0)
            delete this;
        return left;
    }

private:
    std::uint32_t references = 1;
};

class Device final : public Object<ILightingDevice>
{
public:
    HResult GetDescription(Bstr *description) override
    {
        static const char16_t text[] = u"<r><version>odd</version></r>";
        *description = SysAllocStringLen(text, sizeof text / 2 - 1);
        return S_OK;
    }
};

class Provider final : public Object<ILightingProvider>
{
public:
    HResult GetDevices(ILightingDevice **array, std::uint32_t *count) override
    {
        if (!array) {
            *count = ModeIs("huge") ? 0xFFFFFFFFu : ModeIs("overfill") ? 2 : 3;
            return S_OK;
        }
        lastCapacity = *count;
        std::uint32_t fill = *count;
        if (ModeIs("overfill"))
            fill = 2;
        else if (ModeIs("shrink"))
            fill = 1;
        else if (ModeIs("null-entries"))
            fill = 0;
        for (std::uint32_t i = 0; i < fill && i < *count; ++i)
            array[i] = new Device;
        if (ModeIs("overfill"))
            *count = 1000;
        else if (!ModeIs("null-entries"))
            *count = fill;
        return S_OK;
    }
};

} // namespace

extern "C" __attribute__((visibility("default"))) HResult LightingProviderCreateInstance(const Guid *, const Guid *,
                                                                                         void **object)
{
    *object = nullptr;
    if (ModeIs("fail-create"))
        return E_FAIL;
    *object = static_cast<ILightingProvider *>(new Provider);
    return S_OK;
}

extern "C" __attribute__((visibility("default"))) int MisbehavingLiveObjects()
{
    return liveObjects;
}
extern "C" __attribute__((visibility("default"))) std::uint32_t MisbehavingLastCapacity()
{
    return lastCapacity;
}
