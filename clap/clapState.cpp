// clap.state: the VST 2 bank chunk, byte for byte, so a CLAP project holds
// what a VST 2 project holds. Streams may move fewer bytes than asked.
#include <thread>
#include <vector>

#include "clap/ClapPlugin.h"

namespace ClapFormat {
namespace {

// A stream longer than this is not one of ours (a bank is a few kilobytes).
constexpr size_t kMaxStateBytes = 1 << 20;

}  // namespace

bool ClapPlugin::saveState(const clap_ostream_t* stream) {
    std::vector<uint8_t> bank;
    if (!composed || !composed->saveState(bank)) return false;
    for (size_t done = 0; done < bank.size();) {
        const int64_t n = stream->write(stream, bank.data() + done, bank.size() - done);
        if (n <= 0 || static_cast<uint64_t>(n) > bank.size() - done) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool ClapPlugin::loadState(const clap_istream_t* stream) {
    if (!composed) return false;
    std::vector<uint8_t> bank;
    uint8_t piece[4096];
    for (;;) {
        const int64_t n = stream->read(stream, piece, sizeof piece);
        if (n == 0) break;
        if (n < 0 || static_cast<uint64_t>(n) > sizeof piece || bank.size() + static_cast<size_t>(n) > kMaxStateBytes)
            return false;
        bank.insert(bank.end(), piece, piece + n);
    }
    // The product is the audio thread's while it processes: wait until it lets go.
    while (productBusy.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
    const bool restored = composed->restoreState(bank.data(), bank.size());
    productBusy.store(false, std::memory_order_release);
    if (restored && hostParams && hostParams->rescan) hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES);
    return restored;
}

}  // namespace ClapFormat
