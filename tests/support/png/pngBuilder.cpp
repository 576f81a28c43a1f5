// PNG writer for tests: an encoder independent of the decoder under test.
#include "pngBuilder.h"

#include <algorithm>
#include <cstdlib>

namespace PngTest {

void BitWriter::bits(uint32_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        if (usedBits == 0) bytes.push_back(0);
        bytes.back() |= static_cast<unsigned char>(((value >> i) & 1) << usedBits);
        usedBits = (usedBits + 1) & 7;
    }
}

void BitWriter::code(uint32_t c, unsigned length) {
    for (int i = int(length) - 1; i >= 0; --i) bits((c >> i) & 1, 1);
}

void BitWriter::alignToByte() { usedBits = 0; }

void BitWriter::fixedLiteral(unsigned s) {
    if (s < 144) code(0x30 + s, 8);
    else if (s < 256) code(0x190 + s - 144, 9);
    else if (s < 280) code(s - 256, 7);
    else code(0xC0 + s - 280, 8);
}

uint32_t crc32(const unsigned char* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

namespace {

void put32(Bytes& b, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<unsigned char>(v >> s));
}

uint32_t adler32(const Bytes& data) {
    uint32_t a = 1, b = 0;
    for (unsigned char c : data) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

unsigned char paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return static_cast<unsigned char>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

}  // namespace

Bytes zlibWrap(const Bytes& deflate, const Bytes& payloadForAdler) {
    Bytes out(deflate.size() + 2);
    out[0] = 0x78, out[1] = 0x01;
    std::copy(deflate.begin(), deflate.end(), out.begin() + 2);
    put32(out, adler32(payloadForAdler));
    return out;
}

Bytes zlibStored(const Bytes& data, size_t blockSize) {
    Bytes deflate;
    size_t pos = 0;
    do {
        const size_t n = std::min(blockSize, data.size() - pos);
        const bool final = pos + n == data.size();
        deflate.push_back(final ? 1 : 0);
        deflate.push_back(static_cast<unsigned char>(n));
        deflate.push_back(static_cast<unsigned char>(n >> 8));
        deflate.push_back(static_cast<unsigned char>(~n));
        deflate.push_back(static_cast<unsigned char>(~n >> 8));
        deflate.insert(deflate.end(), data.begin() + pos, data.begin() + pos + n);
        pos += n;
    } while (pos < data.size());
    return zlibWrap(deflate, data);
}

void appendChunk(Bytes& png, const std::string& type, const Bytes& data) {
    put32(png, static_cast<uint32_t>(data.size()));
    Bytes body(type.begin(), type.end());
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    put32(png, crc32(body.data(), body.size()));
}

Bytes signatureAndHeader(const Header& h) {
    Bytes png = {137, 80, 78, 71, 13, 10, 26, 10};
    Bytes ihdr;
    put32(ihdr, h.width);
    put32(ihdr, h.height);
    ihdr.push_back(static_cast<unsigned char>(h.depth));
    ihdr.push_back(static_cast<unsigned char>(h.colourType));
    ihdr.push_back(0);
    ihdr.push_back(0);
    ihdr.push_back(static_cast<unsigned char>(h.interlace));
    appendChunk(png, "IHDR", ihdr);
    return png;
}

Bytes buildPng(const Header& h, const Bytes& zlibData, const std::vector<std::pair<std::string, Bytes>>& before,
               size_t idatSize) {
    Bytes png = signatureAndHeader(h);
    for (const auto& chunk : before) appendChunk(png, chunk.first, chunk.second);
    size_t pos = 0;
    do {
        const size_t n = std::min(idatSize, zlibData.size() - pos);
        appendChunk(png, "IDAT", Bytes(zlibData.begin() + pos, zlibData.begin() + pos + n));
        pos += n;
    } while (pos < zlibData.size());
    appendChunk(png, "IEND", {});
    return png;
}

Bytes scanlines(const Header& h, const std::vector<uint16_t>& samples, unsigned (*filterForRow)(unsigned)) {
    static const unsigned adam7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                         {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    static const unsigned whole[1][4] = {{0, 0, 1, 1}};
    const unsigned(*passes)[4] = h.interlace ? adam7 : whole;
    const unsigned passCount = h.interlace ? 7 : 1;
    const unsigned channels = h.channels(), bpp = channels * h.depth, step = (bpp + 7) / 8;
    Bytes out;
    for (unsigned p = 0; p < passCount; ++p) {
        const unsigned x0 = passes[p][0], y0 = passes[p][1], dx = passes[p][2], dy = passes[p][3];
        const unsigned pw = h.width > x0 ? (h.width - x0 + dx - 1) / dx : 0;
        const unsigned ph = h.height > y0 ? (h.height - y0 + dy - 1) / dy : 0;
        if (pw == 0 || ph == 0) continue;
        const size_t rowBytes = (size_t(pw) * bpp + 7) / 8;
        Bytes prior(rowBytes, 0);
        for (unsigned r = 0; r < ph; ++r) {
            Bytes raw(rowBytes, 0);
            for (unsigned c = 0; c < pw; ++c) {
                const size_t pixel = size_t(y0 + r * dy) * h.width + x0 + c * dx;
                for (unsigned k = 0; k < channels; ++k) {
                    const unsigned v = samples[pixel * channels + k];
                    const size_t bit = (size_t(c) * channels + k) * h.depth;
                    if (h.depth == 16) {
                        raw[bit / 8] = static_cast<unsigned char>(v >> 8);
                        raw[bit / 8 + 1] = static_cast<unsigned char>(v);
                    } else {
                        raw[bit / 8] |= static_cast<unsigned char>(v << (8 - h.depth - bit % 8));
                    }
                }
            }
            const unsigned type = filterForRow(r);
            out.push_back(static_cast<unsigned char>(type));
            for (size_t i = 0; i < rowBytes; ++i) {
                const int a = i >= step ? raw[i - step] : 0, b = r > 0 ? prior[i] : 0,
                          c = i >= step && r > 0 ? prior[i - step] : 0;
                int predicted = 0;
                switch (type) {
                    case 1: predicted = a; break;
                    case 2: predicted = b; break;
                    case 3: predicted = (a + b) / 2; break;
                    case 4: predicted = paeth(a, b, c); break;
                    default: break;
                }
                out.push_back(static_cast<unsigned char>(raw[i] - predicted));
            }
            prior = raw;
        }
    }
    return out;
}

Bytes encodePng(const Header& h, const std::vector<uint16_t>& samples, unsigned (*filterForRow)(unsigned),
                const std::vector<std::pair<std::string, Bytes>>& extraChunks) {
    return buildPng(h, zlibStored(scanlines(h, samples, filterForRow)), extraChunks);
}

}  // namespace PngTest

namespace PngTest {

std::vector<uint32_t> canonicalCodes(const std::vector<unsigned>& lengths) {
    unsigned count[16] = {};
    for (unsigned l : lengths) ++count[l];
    count[0] = 0;
    uint32_t next[16] = {};
    for (unsigned len = 1, code = 0; len < 16; ++len) {
        code = (code + count[len - 1]) << 1;
        next[len] = code;
    }
    std::vector<uint32_t> codes(lengths.size(), 0);
    for (size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s]) codes[s] = next[lengths[s]]++;
    return codes;
}

DynamicHeader::DynamicHeader(BitWriter& w, bool final, unsigned literalCount, unsigned distanceCount,
                             const std::vector<unsigned>& codeLengthLengths)
    : bitWriter(w), codeLengths(codeLengthLengths), codeWords(canonicalCodes(codeLengthLengths)) {
    static const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    unsigned used = 4;
    for (unsigned i = 0; i < 19; ++i)
        if (codeLengths[order[i]]) used = std::max(used, i + 1);
    w.bits(final ? 1 : 0, 1);
    w.bits(2, 2);
    w.bits(literalCount - 257, 5);
    w.bits(distanceCount - 1, 5);
    w.bits(used - 4, 4);
    for (unsigned i = 0; i < used; ++i) w.bits(codeLengths[order[i]], 3);
}

void dynamicBlock(BitWriter& w, bool final, const std::vector<unsigned>& literalLengths,
                  const std::vector<unsigned>& distanceLengths, const std::vector<unsigned>& symbols) {
    // Run-length code the lengths: 18 and 17 for runs of zeros, the length itself otherwise.
    std::vector<unsigned> all(literalLengths);
    all.insert(all.end(), distanceLengths.begin(), distanceLengths.end());
    struct Item {
        unsigned symbol, extra, extraBits;
    };
    std::vector<Item> items;
    for (size_t i = 0; i < all.size();) {
        size_t run = 0;
        while (i + run < all.size() && all[i + run] == 0 && run < 138) ++run;
        if (run >= 11) {
            items.push_back({18, unsigned(run - 11), 7});
        } else if (run >= 3) {
            items.push_back({17, unsigned(run - 3), 3});
        } else {
            items.push_back({all[i], 0, 0});
            run = 1;
        }
        i += run;
    }
    // Every code-length symbol in use gets the same length.
    std::vector<unsigned> used;
    for (const Item& item : items)
        if (std::find(used.begin(), used.end(), item.symbol) == used.end()) used.push_back(item.symbol);
    unsigned bits = 1;
    while ((1u << bits) < used.size()) ++bits;
    std::vector<unsigned> codeLengthLengths(19, 0);
    for (unsigned symbol : used) codeLengthLengths[symbol] = bits;

    DynamicHeader header(w, final, unsigned(literalLengths.size()), unsigned(distanceLengths.size()),
                         codeLengthLengths);
    for (const Item& item : items) {
        header.sym(item.symbol);
        w.bits(item.extra, item.extraBits);
    }
    const std::vector<uint32_t> codes = canonicalCodes(literalLengths);
    for (unsigned s : symbols) w.code(codes[s], literalLengths[s]);
    w.code(codes[256], literalLengths[256]);
}

Bytes tinyBlocksStream(size_t blocks, bool longCodes) {
    const unsigned length = longCodes ? 15 : 1;
    std::vector<unsigned> literalLengths(257, 0), distanceLengths(1, length);
    literalLengths[0] = literalLengths[256] = length;
    BitWriter w;
    for (size_t b = 0; b < blocks; ++b) {
        std::vector<unsigned> symbols;
        if (b % 2 == 1) symbols.push_back(0);
        dynamicBlock(w, b + 1 == blocks, literalLengths, distanceLengths, symbols);
    }
    return zlibWrap(w.bytes, Bytes(blocks / 2, 0));
}

}  // namespace PngTest
