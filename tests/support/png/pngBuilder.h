// Test-side PNG and DEFLATE writers: chunks with CRCs, stored and hand-built Huffman streams, filtered scanlines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace PngTest {

using Bytes = std::vector<unsigned char>;

// Writes DEFLATE bits least significant first, Huffman codes most significant first.
class BitWriter {
public:
    void bits(uint32_t value, unsigned count);
    void code(uint32_t code, unsigned length);
    void alignToByte();
    // Fixed-Huffman codes of a literal/length symbol and of a distance symbol.
    void fixedLiteral(unsigned symbol);
    void fixedDistance(unsigned symbol) { code(symbol, 5); }
    Bytes bytes;

private:
    unsigned usedBits = 0;  // bits used in the last byte
};

uint32_t crc32(const unsigned char* data, size_t size);

// zlib stream (header 0x78 0x01) of stored blocks of at most blockSize bytes, with a correct Adler-32.
Bytes zlibStored(const Bytes& data, size_t blockSize = 65535);
// zlib header 0x78 0x01 in front of raw DEFLATE data, plus an Adler-32 of `payloadForAdler`.
Bytes zlibWrap(const Bytes& deflate, const Bytes& payloadForAdler = {});

struct Header {
    uint32_t width = 1, height = 1;
    unsigned depth = 8, colourType = 6, interlace = 0;
    unsigned channels() const { return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1; }
};

// One chunk: length, type, data, CRC.
void appendChunk(Bytes& png, const std::string& type, const Bytes& data);
Bytes signatureAndHeader(const Header& h);
// A whole file: signature, IHDR, the extra chunks, the image data split into
// IDAT chunks of idatSize bytes, IEND.
Bytes buildPng(const Header& h, const Bytes& zlibData, const std::vector<std::pair<std::string, Bytes>>& before = {},
               size_t idatSize = SIZE_MAX);

// Filtered scanlines (every Adam7 pass when interlaced) of an image given as
// samples, channel by channel, row by row. filterForRow(pass row index) picks
// each row's filter type (0-4).
Bytes scanlines(const Header& h, const std::vector<uint16_t>& samples, unsigned (*filterForRow)(unsigned row));

// A complete file from samples with stored deflate blocks.
Bytes encodePng(const Header& h, const std::vector<uint16_t>& samples, unsigned (*filterForRow)(unsigned row),
                const std::vector<std::pair<std::string, Bytes>>& extraChunks = {});

}  // namespace PngTest

namespace PngTest {

// Canonical Huffman codes (most significant bit first) for the given lengths.
std::vector<uint32_t> canonicalCodes(const std::vector<unsigned>& lengths);

// Writes the header of a dynamic block up to and including the code-length
// code, then lets the caller emit code-length symbols with sym().
class DynamicHeader {
public:
    // codeLengthLengths: 19 lengths indexed by code-length symbol.
    DynamicHeader(BitWriter& w, bool final, unsigned literalCount, unsigned distanceCount,
                  const std::vector<unsigned>& codeLengthLengths);
    void sym(unsigned symbol) { bitWriter.code(codeWords[symbol], codeLengths[symbol]); }

private:
    BitWriter& bitWriter;
    std::vector<unsigned> codeLengths;
    std::vector<uint32_t> codeWords;
};

// A dynamic block with these code lengths (the code-length code made up to
// fit them), then the given literal symbols and the end-of-block code.
void dynamicBlock(BitWriter& w, bool final, const std::vector<unsigned>& literalLengths,
                  const std::vector<unsigned>& distanceLengths, const std::vector<unsigned>& symbols);

// A zlib stream of `blocks` dynamic blocks of a few bytes each, every second
// one producing a single zero byte, the others nothing: the input that makes
// an inflater build its codes most often per input byte. With longCodes the
// codes are 15 bits long, otherwise 1 bit.
Bytes tinyBlocksStream(size_t blocks, bool longCodes);

}  // namespace PngTest
