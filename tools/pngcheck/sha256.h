// A small SHA-256 (FIPS 180-4) for comparing decoded pixels with reference digests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pngcheck {

class Sha256 {
public:
    Sha256();
    void update(const void* data, size_t size);
    // The digest as 64 lower-case hex digits; the object is spent afterwards.
    std::string hexDigest();

private:
    void compress(const unsigned char* block);
    uint32_t state[8];
    unsigned char buffer[64];
    size_t buffered = 0;
    uint64_t totalBytes = 0;
};

std::string sha256Hex(const void* data, size_t size);

}  // namespace pngcheck
