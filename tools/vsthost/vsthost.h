// vsthost: a small VST 2.4 host for tools and tests. It loads any plug-in
// library by path, creates instances through the library's entry, answers the
// plug-in's calls back into the host (recording each one), and wraps the
// effect record's dispatcher, parameter and process functions.
//
// Typical use:
//   std::string error;
//   auto library = vsthost::Library::load("build/native/product/Orvalt.so", error);
//   auto plugin = vsthost::Plugin::create(library, nullptr, error);
//   plugin->open();
//   plugin->configure(44100.0f, 512);  // sample rate, block size, precision
//   plugin->switchOn();
//   plugin->processReplacing(inputs, outputs, 512);
//   plugin->switchOff();
//   plugin->host().calls().count(audioMasterGetTime);
//
// Threads: a Library and the creation of instances belong to one thread (the
// "UI thread" of a real host). Each instance is then used like a host uses it:
// control calls on the UI thread, process calls on the audio thread. Every
// operation says which in a tag.
#pragma once

#include "host/vst24.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vsthost {

// One loaded plug-in library. Shared by the instances created from it, so it
// stays loaded until the last of them is gone.
class Library {
public:
    using EntryFunction = AEffect*(VSTCALLBACK*)(audioMasterCallback);

    // [UI thread] Loads the library at path and finds its entry: VSTPluginMain,
    // else main. Null with a one-line reason in error when either fails.
    static std::shared_ptr<Library> load(const std::string& path, std::string& error);
    // [UI thread] A plug-in linked into the program itself: nothing to load,
    // name stands for the path.
    static std::shared_ptr<Library> linked(EntryFunction entry, const std::string& name);

    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    const std::string& path() const { return libraryPath; }
    EntryFunction entry() const { return entryFunction; }
    // "VSTPluginMain" or "main": the name the entry was found under.
    const std::string& entryName() const { return entrySymbol; }

private:
    Library() = default;
    std::string libraryPath;
    std::string entrySymbol;
    void* moduleHandle = nullptr;
    EntryFunction entryFunction = nullptr;
};

// One call the plug-in made into the host callback.
struct HostCall {
    AEffect* effect;  // null for calls made before the record existed (audioMasterVersion in the entry)
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
    VstIntPtr answer;  // what the host answered
};

// The record of host calls. Preallocated: recording never allocates, so it can
// run on the audio thread without disturbing allocation-counting tests. When
// full, further calls are only counted (see dropped()).
class CallLog {
public:
    explicit CallLog(size_t capacity);

    // [any thread] Appends one call (the host callback uses this).
    void record(const HostCall& call);
    // [any thread] A copy of the recorded calls, oldest first.
    std::vector<HostCall> snapshot() const;
    // [any thread] Recorded calls with this opcode (copies).
    std::vector<HostCall> withOpcode(VstInt32 opcode) const;
    // [any thread] How many calls with this opcode arrived since the last clear,
    // including those that no longer fit into the record.
    size_t count(VstInt32 opcode) const;
    // [any thread] Calls that arrived while the record was full.
    size_t dropped() const { return droppedCount.load(std::memory_order_relaxed); }
    // [any thread] Forgets every call and resets the counts.
    void clear();
    // [any thread] Off: calls are still answered and counted, but not stored.
    void setRecording(bool on) { recordingOn.store(on, std::memory_order_relaxed); }

private:
    static constexpr int countedOpcodes = 64;
    mutable std::mutex callsMutex;
    std::vector<HostCall> callRecords;  // reserved once, never grown
    std::atomic<size_t> droppedCount{0};
    std::atomic<size_t> opcodeCounts[countedOpcodes];
    std::atomic<bool> recordingOn{true};
};

struct HostOptions {
    VstIntPtr versionAnswer = 2400;  // 0 plays a host that is not VST 2
    size_t logCapacity = 1 << 16;    // host calls kept in the record
    float sampleRate = 44100.0f;     // answer to audioMasterGetSampleRate
    VstInt32 blockSize = 512;        // answer to audioMasterGetBlockSize
};

// The host side of one or more instances: answers the callback and keeps the
// record of calls and the transport time handed to the plug-ins.
// Answers: Version -> versionAnswer; GetTime -> the time record or null;
// CurrentId -> 0 (no shell plug-ins); GetSampleRate and
// GetBlockSize -> the options' values; GetVendorString / GetProductString ->
// "Quillmarsh" / "vsthost"; GetVendorVersion -> 1; CanDo -> 1 for
// "sendVstEvents", "sendVstMidiEvent" and "sendVstTimeInfo"; every other call
// (Automate, BeginEdit, EndEdit, ...) is recorded and answered 0.
class Host {
public:
    explicit Host(const HostOptions& options = HostOptions());
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // [UI thread] Changes the answer to audioMasterVersion for later creations.
    void setVersionAnswer(VstIntPtr answer) { hostOptions.versionAnswer = answer; }
    // [UI thread] Time record given to audioMasterGetTime; null makes the host
    // answer null. The record is copied. Do not call while an instance of this
    // host is processing (the plug-in may hold the pointer during the block).
    void setTimeInfo(const VstTimeInfo* info);
    // [audio thread] Moves the time record's samplePos on by frames (between
    // process calls, as a playing host does). Nothing when there is no record.
    void advanceTime(VstInt32 frames);
    // [any thread] The current time record, or null.
    const VstTimeInfo* timeInfo() const { return hasTime ? &timeRecord : nullptr; }

    CallLog& calls() { return callLog; }
    const HostOptions& options() const { return hostOptions; }

    // The callback handed to every entry. Finds the Host of the calling
    // instance; calls from unknown effects are answered as a default host would.
    static VstIntPtr VSTCALLBACK callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                          void* ptr, float opt);

private:
    VstIntPtr answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    HostOptions hostOptions;
    CallLog callLog;
    VstTimeInfo timeRecord{};
    bool hasTime = false;
};

// One MIDI message as the interface's event record, at deltaFrames into a block.
VstMidiEvent makeMidiEvent(VstInt32 deltaFrames, unsigned char status, unsigned char data1 = 0,
                           unsigned char data2 = 0);

// A list of MIDI events in the VstEvents layout, for effProcessEvents. It owns
// the storage; the pointer stays valid until the list is changed or destroyed
// (a plug-in may keep it until the end of the next process call).
class EventList {
public:
    // [UI thread or audio thread, the one that sends the events] A one- to
    // three-byte MIDI message at deltaFrames into the next block.
    void addMidi(VstInt32 deltaFrames, unsigned char status, unsigned char data1 = 0, unsigned char data2 = 0);
    void clear();
    // Room for this many events: a reused list then never allocates.
    void reserve(size_t events);
    size_t size() const { return eventRecords.size(); }
    // The VstEvents record built from the added events.
    VstEvents* get();

private:
    std::vector<VstMidiEvent> eventRecords;
    std::vector<unsigned char> eventsBlock;  // VstEvents header plus the pointer array
};

// One plug-in instance, created through the library's entry with the Host's
// callback. The destructor sends effClose unless close() already did.
class Plugin {
public:
    // [UI thread] Calls the entry. host may be shared between instances; null
    // gives the instance a Host of its own with default options. Null with a
    // reason in error when the entry returns null or a record without the magic.
    static std::unique_ptr<Plugin> create(std::shared_ptr<Library> library, std::shared_ptr<Host> host,
                                          std::string& error);
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    AEffect* effect() const { return effectRecord; }
    Host& host() const { return *pluginHost; }
    std::shared_ptr<Host> sharedHost() const { return pluginHost; }
    Library& library() const { return *pluginLibrary; }

    // [UI thread] Raw dispatcher call. 0 after close().
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);

    // [UI thread] Life cycle in the order a careful host uses it: open,
    // configure (while switched off), switchOn, process, switchOff, close.
    void open();  // effOpen
    // Sample rate, block size and (unless notTold) the precision of the
    // process calls to come. A plug-in need only take them while switched
    // off, so an instance that is on is switched off around them.
    enum class Precision { notTold, float32, float64 };
    void configure(float sampleRate, VstInt32 blockSize, Precision precision = Precision::notTold);
    // effMainsChanged 1, then effStartProcess (some plug-ins wait for it):
    // ready to process. Sends only what is not already on.
    void switchOn();
    // effStopProcess, then effMainsChanged 0. Sends only what is still on.
    void switchOff();
    bool isOn() const { return mainsOn || processing; }
    // configure() and switchOn().
    void prepare(float sampleRate, VstInt32 blockSize, Precision precision = Precision::notTold);
    // [UI thread] Single steps, sent whatever the state (for tools that try
    // a plug-in with the orders other hosts use).
    void resume();        // effMainsChanged 1
    void suspend();       // effMainsChanged 0
    void startProcess();  // effStartProcess
    void stopProcess();   // effStopProcess
    // effClose, after switchOff(); the instance is gone afterwards.
    void close();
    bool isClosed() const { return effectRecord == nullptr; }

    // [UI thread] Identity and texts. Each text call hands the plug-in a
    // zeroed buffer much larger than the nominal limit and cuts at the first NUL.
    std::string effectName();
    std::string vendorString();
    std::string productString();
    VstIntPtr vendorVersion();
    std::string programName();
    std::string parameterName(VstInt32 index);
    std::string parameterLabel(VstInt32 index);
    std::string parameterDisplay(VstInt32 index);
    VstIntPtr canDo(const char* text);
    VstInt32 numParams() const { return effectRecord ? effectRecord->numParams : 0; }
    VstInt32 numPrograms() const { return effectRecord ? effectRecord->numPrograms : 0; }
    VstInt32 uniqueID() const { return effectRecord ? effectRecord->uniqueID : 0; }
    VstInt32 latency() const { return effectRecord ? effectRecord->initialDelay : 0; }

    // [UI thread] The plug-in's state chunk (index 1 asks for a preset, 0 for a
    // bank); empty when it gives none. setChunk passes the bytes with effSetChunk.
    std::vector<uint8_t> getChunk(bool preset);
    VstIntPtr setChunk(const std::vector<uint8_t>& chunk, bool preset);

    // [any thread] Parameter access through the record's functions.
    void setParameter(VstInt32 index, float value);
    float getParameter(VstInt32 index);

    // [audio thread] Process calls through the record. False (nothing called)
    // when the plug-in has no such function or the instance is closed.
    bool processReplacing(float** inputs, float** outputs, VstInt32 frames);
    bool processDoubleReplacing(double** inputs, double** outputs, VstInt32 frames);
    bool process(float** inputs, float** outputs, VstInt32 frames);  // the old accumulating call

    // [audio thread] Sends the list with effProcessEvents (before the block it belongs to).
    VstIntPtr processEvents(EventList& events);

private:
    Plugin() = default;
    std::shared_ptr<Library> pluginLibrary;
    std::shared_ptr<Host> pluginHost;
    AEffect* effectRecord = nullptr;
    bool mainsOn = false, processing = false;  // what the host last told the plug-in
};

// Four characters of a unique ID, most significant byte first; bytes outside
// printable ASCII become '?'.
std::string fourCharText(VstInt32 id);

}  // namespace vsthost
