// The host objects a plug-in is handed: stream, queues, events, handler.
#include <algorithm>
#include <cstdio>

#include "tools/vst3host/vst3host.h"

namespace vst3host {
namespace {

template <typename I>
Vst3::tresult answer(I* self, const Vst3::TUID iid, void** obj) {
    if (Vst3::sameIid(iid, I::iid) || Vst3::sameIid(iid, Vst3::FUnknown::iid)) {
        *obj = self;
        return Vst3::kResultOk;
    }
    *obj = nullptr;
    return Vst3::kNoInterface;
}

}  // namespace

Vst3::tresult MemoryStream::queryInterface(const Vst3::TUID iid, void** obj) {
    return answer<Vst3::IBStream>(this, iid, obj);
}

Vst3::tresult MemoryStream::read(void* buffer, Vst3::int32 numBytes, Vst3::int32* numBytesRead) {
    if (numBytes < 0 || (!buffer && numBytes > 0)) return Vst3::kInvalidArgument;
    const size_t n = std::min({static_cast<size_t>(numBytes), bytes.size() - std::min(position, bytes.size()),
                               static_cast<size_t>(mostPerCall)});
    if (n > 0) std::memcpy(buffer, bytes.data() + position, n);
    position += n;
    if (numBytesRead) *numBytesRead = static_cast<Vst3::int32>(n);
    return Vst3::kResultOk;
}

Vst3::tresult MemoryStream::write(void* buffer, Vst3::int32 numBytes, Vst3::int32* numBytesWritten) {
    if (numBytes < 0 || (!buffer && numBytes > 0)) return Vst3::kInvalidArgument;
    const size_t n = std::min(static_cast<size_t>(numBytes), static_cast<size_t>(mostPerCall));
    if (bytes.size() < position + n) bytes.resize(position + n);
    if (n > 0) std::memcpy(bytes.data() + position, buffer, n);
    position += n;
    if (numBytesWritten) *numBytesWritten = static_cast<Vst3::int32>(n);
    return Vst3::kResultOk;
}

Vst3::tresult MemoryStream::seek(Vst3::int64 pos, Vst3::int32 mode, Vst3::int64* result) {
    Vst3::int64 base = mode == Vst3::kIBSeekSet ? 0 : mode == Vst3::kIBSeekCur ? static_cast<Vst3::int64>(position)
                                                                               : static_cast<Vst3::int64>(bytes.size());
    if (mode < Vst3::kIBSeekSet || mode > Vst3::kIBSeekEnd || base + pos < 0) return Vst3::kInvalidArgument;
    position = static_cast<size_t>(base + pos);
    if (result) *result = static_cast<Vst3::int64>(position);
    return Vst3::kResultOk;
}

Vst3::tresult MemoryStream::tell(Vst3::int64* pos) {
    if (!pos) return Vst3::kInvalidArgument;
    *pos = static_cast<Vst3::int64>(position);
    return Vst3::kResultOk;
}

Vst3::tresult ParamQueue::queryInterface(const Vst3::TUID iid, void** obj) {
    return answer<Vst3::IParamValueQueue>(this, iid, obj);
}

Vst3::tresult ParamQueue::getPoint(Vst3::int32 index, Vst3::int32& sampleOffset, Vst3::ParamValue& value) {
    if (index < 0 || index >= getPointCount()) return Vst3::kInvalidArgument;
    sampleOffset = points[static_cast<size_t>(index)].first;
    value = points[static_cast<size_t>(index)].second;
    return Vst3::kResultOk;
}

Vst3::tresult ParamQueue::addPoint(Vst3::int32 sampleOffset, Vst3::ParamValue value, Vst3::int32& index) {
    index = getPointCount();
    points.emplace_back(sampleOffset, value);
    return Vst3::kResultOk;
}

Vst3::tresult ParamChanges::queryInterface(const Vst3::TUID iid, void** obj) {
    return answer<Vst3::IParameterChanges>(this, iid, obj);
}

Vst3::IParamValueQueue* ParamChanges::getParameterData(Vst3::int32 index) {
    return index >= 0 && index < getParameterCount() ? queues[static_cast<size_t>(index)].get() : nullptr;
}

Vst3::IParamValueQueue* ParamChanges::addParameterData(const Vst3::ParamID& id, Vst3::int32& index) {
    for (size_t k = 0; k < queues.size(); ++k)
        if (queues[k]->id == id) {
            index = static_cast<Vst3::int32>(k);
            return queues[k].get();
        }
    index = getParameterCount();
    queues.push_back(std::make_unique<ParamQueue>(id));
    return queues.back().get();
}

void ParamChanges::add(Vst3::ParamID id, Vst3::int32 offset, double value) {
    Vst3::int32 index;
    addParameterData(id, index)->addPoint(offset, value, index);
}

Vst3::tresult EventList::queryInterface(const Vst3::TUID iid, void** obj) {
    return answer<Vst3::IEventList>(this, iid, obj);
}

Vst3::tresult EventList::getEvent(Vst3::int32 index, Vst3::Event& e) {
    if (index < 0 || index >= getEventCount()) return Vst3::kInvalidArgument;
    e = events[static_cast<size_t>(index)];
    return Vst3::kResultOk;
}

Vst3::tresult EventList::addEvent(Vst3::Event& e) {
    events.push_back(e);
    return Vst3::kResultOk;
}

Vst3::tresult RecordingHandler::queryInterface(const Vst3::TUID iid, void** obj) {
    return answer<Vst3::IComponentHandler>(this, iid, obj);
}

Vst3::tresult RecordingHandler::beginEdit(Vst3::ParamID id) {
    calls.push_back("begin " + std::to_string(id));
    return Vst3::kResultOk;
}

Vst3::tresult RecordingHandler::performEdit(Vst3::ParamID id, Vst3::ParamValue value) {
    char text[64];
    std::snprintf(text, sizeof text, "perform %u %.9g", id, value);
    calls.emplace_back(text);
    return Vst3::kResultOk;
}

Vst3::tresult RecordingHandler::endEdit(Vst3::ParamID id) {
    calls.push_back("end " + std::to_string(id));
    return Vst3::kResultOk;
}

Vst3::tresult RecordingHandler::restartComponent(Vst3::int32 flags) {
    calls.push_back("restart " + std::to_string(flags));
    return Vst3::kResultOk;
}

}  // namespace vst3host
