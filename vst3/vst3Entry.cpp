// The module's entry: the factory that names and creates the processor and
// the edit controller, and the exports hosts look for.
#include <atomic>
#include <cstdio>
#include <new>

#include "plugcore/productEntry.h"
#include "vst3/Vst3Controller.h"
#include "vst3/Vst3Processor.h"

#if defined(_WIN32)
#define VST3_EXPORT extern "C"
#else
#define VST3_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace Vst3Format {

// Fixed for good: hosts store them in their projects.
const Vst3::TUID kProcessorClassId = {'\x5b', '\x2e', '\x61', '\x0c', '\x93', '\x4d', '\x4f', '\x1a',
                                      '\xb7', '\x06', '\x4e', '\x51', '\x72', '\x9c', '\x33', '\xd1'};
const Vst3::TUID kControllerClassId = {'\x5b', '\x2e', '\x61', '\x0c', '\x93', '\x4d', '\x4f', '\x1a',
                                       '\xb7', '\x06', '\x4e', '\x51', '\x72', '\x9c', '\x33', '\xd2'};

namespace {

constexpr const char* kSdkVersion = "VST 3.7.14";

struct ClassEntry {
    const char* cid;
    const char* category;
    Vst3::uint32 flags;  // 1: the processor runs apart from the controller
};

const ClassEntry kClasses[] = {
    {kProcessorClassId, "Audio Module Class", 1},
    {kControllerClassId, "Component Controller Class", 0},
};
constexpr Vst3::int32 kClassCount = 2;

class Factory final : public Vst3::IPluginFactory3 {
public:
    Vst3::tresult VST3CALL queryInterface(const Vst3::TUID iid, void** obj) override {
        if (!obj) return Vst3::kInvalidArgument;
        if (Vst3::sameIid(iid, Vst3::FUnknown::iid) || Vst3::sameIid(iid, Vst3::IPluginFactory::iid) ||
            Vst3::sameIid(iid, Vst3::IPluginFactory2::iid) || Vst3::sameIid(iid, Vst3::IPluginFactory3::iid)) {
            *obj = static_cast<Vst3::IPluginFactory3*>(this);
            addRef();
            return Vst3::kResultOk;
        }
        *obj = nullptr;
        return Vst3::kNoInterface;
    }
    VST3_REFCOUNTED

    // [UI thread]
    Vst3::tresult VST3CALL getFactoryInfo(Vst3::PFactoryInfo* info) override {
        if (!info) return Vst3::kInvalidArgument;
        *info = Vst3::PFactoryInfo{};
        const PlugCore::ProductInfo& product = PlugCore::productRecord();
        copyText(info->vendor, sizeof info->vendor, product.maker);
        if (product.webHost) std::snprintf(info->url, sizeof info->url, "https://%s", product.webHost);
        info->flags = Vst3::PFactoryInfo::kUnicode;
        return Vst3::kResultOk;
    }
    Vst3::int32 VST3CALL countClasses() override { return kClassCount; }
    Vst3::tresult VST3CALL getClassInfo(Vst3::int32 index, Vst3::PClassInfo* info) override {
        if (!info || index < 0 || index >= kClassCount) return Vst3::kInvalidArgument;
        *info = Vst3::PClassInfo{};
        std::memcpy(info->cid, kClasses[index].cid, sizeof info->cid);
        info->cardinality = Vst3::kManyInstances;
        copyText(info->category, sizeof info->category, kClasses[index].category);
        copyText(info->name, sizeof info->name, PlugCore::productRecord().name);
        return Vst3::kResultOk;
    }
    Vst3::tresult VST3CALL getClassInfo2(Vst3::int32 index, Vst3::PClassInfo2* info) override {
        if (!info || index < 0 || index >= kClassCount) return Vst3::kInvalidArgument;
        Vst3::PClassInfo plain;
        getClassInfo(index, &plain);
        *info = Vst3::PClassInfo2{};
        std::memcpy(info->cid, plain.cid, sizeof info->cid);
        info->cardinality = plain.cardinality;
        copyText(info->category, sizeof info->category, plain.category);
        copyText(info->name, sizeof info->name, plain.name);
        info->classFlags = kClasses[index].flags;
        copyText(info->subCategories, sizeof info->subCategories, index == 0 ? "Fx|Dynamics" : "");
        copyText(info->vendor, sizeof info->vendor, PlugCore::productRecord().maker);
        copyText(info->version, sizeof info->version, ORVALT_VERSION_TEXT);
        copyText(info->sdkVersion, sizeof info->sdkVersion, kSdkVersion);
        return Vst3::kResultOk;
    }
    Vst3::tresult VST3CALL getClassInfoUnicode(Vst3::int32 index, Vst3::PClassInfoW* info) override {
        if (!info || index < 0 || index >= kClassCount) return Vst3::kInvalidArgument;
        Vst3::PClassInfo2 narrow;
        getClassInfo2(index, &narrow);
        *info = Vst3::PClassInfoW{};
        std::memcpy(info->cid, narrow.cid, sizeof info->cid);
        info->cardinality = narrow.cardinality;
        copyText(info->category, sizeof info->category, narrow.category);
        copyText(info->name, Vst3::PClassInfo::kNameSize, narrow.name);
        info->classFlags = narrow.classFlags;
        copyText(info->subCategories, sizeof info->subCategories, narrow.subCategories);
        copyText(info->vendor, Vst3::PClassInfo2::kVendorSize, narrow.vendor);
        copyText(info->version, Vst3::PClassInfo2::kVersionSize, narrow.version);
        copyText(info->sdkVersion, Vst3::PClassInfo2::kVersionSize, narrow.sdkVersion);
        return Vst3::kResultOk;
    }
    Vst3::tresult VST3CALL setHostContext(Vst3::FUnknown*) override { return Vst3::kResultOk; }

    Vst3::tresult VST3CALL createInstance(Vst3::FIDString cid, Vst3::FIDString iid, void** obj) override {
        if (!obj) return Vst3::kInvalidArgument;
        *obj = nullptr;
        if (!cid || !iid) return Vst3::kInvalidArgument;
        Vst3::FUnknown* made = nullptr;
        if (std::memcmp(cid, kProcessorClassId, 16) == 0)
            made = static_cast<Vst3::IComponent*>(Vst3Processor::create());
        else if (std::memcmp(cid, kControllerClassId, 16) == 0)
            made = static_cast<Vst3::IEditController*>(Vst3Controller::create());
        else
            return Vst3::kInvalidArgument;
        if (!made) return Vst3::kOutOfMemory;
        const Vst3::tresult result = made->queryInterface(iid, obj);
        made->release();
        return result;
    }

private:
    RefCount refs;
};

}  // namespace
}  // namespace Vst3Format

VST3_EXPORT Vst3::IPluginFactory* VST3CALL GetPluginFactory() {
    return new (std::nothrow) Vst3Format::Factory;
}

#if defined(_WIN32)
VST3_EXPORT bool InitDll() { return true; }
VST3_EXPORT bool ExitDll() { return true; }
#else
// Hosts refuse a module without these; nothing here needs the handle. Calls
// come in pairs (a host may enter more than once); an exit without an entry is refused.
namespace {
std::atomic<int> moduleEntries{0};
}
VST3_EXPORT bool ModuleEntry(void*) {
    ++moduleEntries;
    return true;
}
VST3_EXPORT bool ModuleExit() {
    int entered = moduleEntries.load();
    while (entered > 0 && !moduleEntries.compare_exchange_weak(entered, entered - 1)) {
    }
    return entered > 0;
}
#endif
