// The VST 3 binary interface, written for this code base: basic types, result
// codes, interface identifiers, FUnknown and the plug-in factory. Every
// interface is an abstract class with single inheritance; methods keep their
// order, since the host calls them through the vtable.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(_WIN32)
#define VST3CALL __stdcall
#else
#define VST3CALL
#endif

namespace Vst3 {

using int8 = int8_t;
using uint8 = uint8_t;
using int16 = int16_t;
using uint16 = uint16_t;
using int32 = int32_t;
using uint32 = uint32_t;
using int64 = int64_t;
using uint64 = uint64_t;
using tresult = int32;
using TBool = uint8;
using char8 = char;
using char16 = char16_t;
using TChar = char16;
using String128 = TChar[128];
using FIDString = const char8*;
using TUID = char[16];

#if defined(_WIN32)
constexpr tresult kNoInterface = static_cast<tresult>(0x80004002L);
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057L);
constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001L);
constexpr tresult kInternalError = static_cast<tresult>(0x80004005L);
constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFL);
constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000EL);
#else
constexpr tresult kNoInterface = -1;
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = 2;
constexpr tresult kNotImplemented = 3;
constexpr tresult kInternalError = 4;
constexpr tresult kNotInitialized = 5;
constexpr tresult kOutOfMemory = 6;
#endif

// An interface identifier as its 16 bytes: COM order on Windows, each word
// most significant byte first elsewhere.
struct Iid {
    char bytes[16];
};

constexpr Iid makeIid(uint32 l1, uint32 l2, uint32 l3, uint32 l4) {
    Iid id{};
    auto at = [&id](int k, uint32 word, int shift) { id.bytes[k] = static_cast<char>((word >> shift) & 0xFF); };
#if defined(_WIN32)
    at(0, l1, 0), at(1, l1, 8), at(2, l1, 16), at(3, l1, 24);
    at(4, l2, 16), at(5, l2, 24), at(6, l2, 0), at(7, l2, 8);
#else
    at(0, l1, 24), at(1, l1, 16), at(2, l1, 8), at(3, l1, 0);
    at(4, l2, 24), at(5, l2, 16), at(6, l2, 8), at(7, l2, 0);
#endif
    at(8, l3, 24), at(9, l3, 16), at(10, l3, 8), at(11, l3, 0);
    at(12, l4, 24), at(13, l4, 16), at(14, l4, 8), at(15, l4, 0);
    return id;
}

inline bool sameIid(const void* asked, const Iid& id) { return asked && std::memcmp(asked, id.bytes, 16) == 0; }

class FUnknown {
public:
    static constexpr Iid iid = makeIid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
    virtual tresult VST3CALL queryInterface(const TUID iid, void** obj) = 0;
    virtual uint32 VST3CALL addRef() = 0;
    virtual uint32 VST3CALL release() = 0;
};

class IPluginBase : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
    virtual tresult VST3CALL initialize(FUnknown* context) = 0;
    virtual tresult VST3CALL terminate() = 0;
};

// --- factory ---

struct PFactoryInfo {
    enum { kNameSize = 64, kURLSize = 256, kEmailSize = 128 };
    enum : int32 { kNoFlags = 0, kClassesDiscardable = 1 << 0, kUnicode = 1 << 4 };
    char8 vendor[kNameSize];
    char8 url[kURLSize];
    char8 email[kEmailSize];
    int32 flags;
};

constexpr int32 kManyInstances = 0x7FFFFFFF;

struct PClassInfo {
    enum { kCategorySize = 32, kNameSize = 64 };
    TUID cid;
    int32 cardinality;
    char8 category[kCategorySize];
    char8 name[kNameSize];
};

struct PClassInfo2 {
    enum { kSubCategoriesSize = 128, kVendorSize = 64, kVersionSize = 64 };
    TUID cid;
    int32 cardinality;
    char8 category[PClassInfo::kCategorySize];
    char8 name[PClassInfo::kNameSize];
    uint32 classFlags;
    char8 subCategories[kSubCategoriesSize];
    char8 vendor[kVendorSize];
    char8 version[kVersionSize];
    char8 sdkVersion[kVersionSize];
};

struct PClassInfoW {
    TUID cid;
    int32 cardinality;
    char8 category[PClassInfo::kCategorySize];
    char16 name[PClassInfo::kNameSize];
    uint32 classFlags;
    char8 subCategories[PClassInfo2::kSubCategoriesSize];
    char16 vendor[PClassInfo2::kVendorSize];
    char16 version[PClassInfo2::kVersionSize];
    char16 sdkVersion[PClassInfo2::kVersionSize];
};

class IPluginFactory : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
    virtual tresult VST3CALL getFactoryInfo(PFactoryInfo* info) = 0;
    virtual int32 VST3CALL countClasses() = 0;
    virtual tresult VST3CALL getClassInfo(int32 index, PClassInfo* info) = 0;
    virtual tresult VST3CALL createInstance(FIDString cid, FIDString iid, void** obj) = 0;
};

class IPluginFactory2 : public IPluginFactory {
public:
    static constexpr Iid iid = makeIid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
    virtual tresult VST3CALL getClassInfo2(int32 index, PClassInfo2* info) = 0;
};

class IPluginFactory3 : public IPluginFactory2 {
public:
    static constexpr Iid iid = makeIid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
    virtual tresult VST3CALL getClassInfoUnicode(int32 index, PClassInfoW* info) = 0;
    virtual tresult VST3CALL setHostContext(FUnknown* context) = 0;
};

// --- streams and messages ---

enum StreamSeekMode : int32 { kIBSeekSet = 0, kIBSeekCur, kIBSeekEnd };

class IBStream : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
    virtual tresult VST3CALL read(void* buffer, int32 numBytes, int32* numBytesRead = nullptr) = 0;
    virtual tresult VST3CALL write(void* buffer, int32 numBytes, int32* numBytesWritten = nullptr) = 0;
    virtual tresult VST3CALL seek(int64 pos, int32 mode, int64* result = nullptr) = 0;
    virtual tresult VST3CALL tell(int64* pos) = 0;
};

using AttrID = const char*;

class IAttributeList : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x1E5F0AEB, 0xCC7F4533, 0xA2544011, 0x38AD5EE4);
    virtual tresult VST3CALL setInt(AttrID id, int64 value) = 0;
    virtual tresult VST3CALL getInt(AttrID id, int64& value) = 0;
    virtual tresult VST3CALL setFloat(AttrID id, double value) = 0;
    virtual tresult VST3CALL getFloat(AttrID id, double& value) = 0;
    virtual tresult VST3CALL setString(AttrID id, const TChar* string) = 0;
    virtual tresult VST3CALL getString(AttrID id, TChar* string, uint32 sizeInBytes) = 0;
    virtual tresult VST3CALL setBinary(AttrID id, const void* data, uint32 sizeInBytes) = 0;
    virtual tresult VST3CALL getBinary(AttrID id, const void*& data, uint32& sizeInBytes) = 0;
};

class IMessage : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x936F033B, 0xC6C047DB, 0xBB0882F8, 0x13C1E613);
    virtual FIDString VST3CALL getMessageID() = 0;
    virtual void VST3CALL setMessageID(FIDString id) = 0;
    virtual IAttributeList* VST3CALL getAttributes() = 0;
};

class IConnectionPoint : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
    virtual tresult VST3CALL connect(IConnectionPoint* other) = 0;
    virtual tresult VST3CALL disconnect(IConnectionPoint* other) = 0;
    virtual tresult VST3CALL notify(IMessage* message) = 0;
};

class IHostApplication : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
    virtual tresult VST3CALL getName(String128 name) = 0;
    virtual tresult VST3CALL createInstance(TUID cid, TUID iid, void** obj) = 0;
};

class IPlugInterfaceSupport : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x4FB58B9E, 0x9EAA4E0F, 0xAB361C1C, 0xCCB56FEA);
    virtual tresult VST3CALL isPlugInterfaceSupported(const TUID iid) = 0;
};

}  // namespace Vst3
