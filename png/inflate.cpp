// zlib header checks and the DEFLATE block decoder (stored, fixed and dynamic Huffman blocks).
#include "png/inflate.h"

#include <algorithm>
#include <cstring>

#include "png/bitReader.h"
#include "png/huffman.h"

namespace Png {

namespace {

const uint16_t lengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t lengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t distanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                   193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t distanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
const uint8_t codeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

struct FixedCodes {
    HuffmanCode literal;
    HuffmanCode distance;
    FixedCodes() {
        unsigned char lengths[288];
        std::fill(lengths, lengths + 144, 8);
        std::fill(lengths + 144, lengths + 256, 9);
        std::fill(lengths + 256, lengths + 280, 7);
        std::fill(lengths + 280, lengths + 288, 8);
        literal.build(lengths, 288);
        std::fill(lengths, lengths + 32, 5);
        distance.build(lengths, 32);
    }
};

const FixedCodes& fixedCodes() {
    static const FixedCodes codes;
    return codes;
}

class Inflater {
public:
    Inflater(std::vector<unsigned char>& out, const unsigned char* input, size_t size, size_t maxOutput)
        : in(input, size), outputBytes(out), outputLimit(maxOutput) {}

    int run() {
        outputBytes.clear();
        int error = ok;
        for (bool final = false; !final && error == ok;) {
            if (!in.has(3)) return errBlockHeaderEnd;
            final = in.read(1) != 0;
            switch (in.read(2)) {
                case 0: error = storedBlock(); break;
                case 1: error = codedBlock(fixedCodes().literal, fixedCodes().distance); break;
                case 2: error = dynamicBlock(); break;
                default: return errBlockType;
            }
        }
        outputBytes.resize(written);
        return error;
    }

private:
    // Makes room for `count` more output bytes.
    bool reserve(size_t count) {
        if (written + count <= outputBytes.size()) return true;
        if (count > outputLimit - written) return false;
        size_t grown = std::max<size_t>({outputBytes.size() * 2, written + count, 4096});
        outputBytes.resize(std::min(grown, outputLimit));
        return true;
    }

    int storedBlock() {
        in.alignToByte();
        if (!in.has(32)) return errBlockHeaderEnd;
        const uint32_t length = in.read(16);
        const uint32_t inverted = in.read(16);
        if (length + inverted != 65535) return errStoredLength;
        if (!in.has(size_t(length) * 8)) return errStoredPastInput;
        if (!reserve(length)) return errImageDataLong;
        if (length != 0) std::memcpy(outputBytes.data() + written, in.data() + in.bytePos(), length);
        written += length;
        in.skip(length * 8);
        return ok;
    }

    int dynamicBlock() {
        if (!in.has(14)) return errDynamicHeaderEnd;
        const unsigned literalCount = in.read(5) + 257;
        const unsigned distanceCount = in.read(5) + 1;
        const unsigned codeLengthCount = in.read(4) + 4;
        if (!in.has(3 * codeLengthCount)) return errDynamicHeaderEnd;
        unsigned char codeLengthLengths[19] = {};
        for (unsigned i = 0; i < codeLengthCount; ++i) codeLengthLengths[codeLengthOrder[i]] = in.read(3);
        if (int error = codeLengthCode.build(codeLengthLengths, 19)) return error;

        unsigned char lengths[288 + 32] = {};
        const unsigned total = literalCount + distanceCount;
        for (unsigned i = 0; i < total;) {
            unsigned symbol = 0;
            if (int error = codeLengthCode.decode(in, symbol)) return error;
            if (symbol < 16) {
                lengths[i++] = static_cast<unsigned char>(symbol);
                continue;
            }
            if (symbol > 18) return errCodeLengthSymbol;
            static const unsigned extraBits[3] = {2, 3, 7}, base[3] = {3, 3, 11};
            static const int pastEnd[3] = {errRepeatPastLengths, errZeroRunPastLengths, errLongZeroRunPastLengths};
            const unsigned kind = symbol - 16;
            if (kind == 0 && i == 0) return errRepeatWithoutLength;
            if (!in.has(extraBits[kind])) return errRepeatInputEnd;
            const unsigned repeat = base[kind] + in.read(extraBits[kind]);
            if (i + repeat > total) return pastEnd[kind];
            const unsigned char value = kind == 0 ? lengths[i - 1] : 0;
            std::fill(lengths + i, lengths + i + repeat, value);
            i += repeat;
        }
        if (lengths[256] == 0) return errNoEndOfBlock;
        if (int error = literalCode.build(lengths, literalCount)) return error;
        if (int error = distanceCode.build(lengths + literalCount, distanceCount)) return error;
        return codedBlock(literalCode, distanceCode);
    }

    int codedBlock(const HuffmanCode& literal, const HuffmanCode& distance) {
        for (;;) {
            unsigned symbol = 0;
            if (int error = literal.decode(in, symbol)) return error;
            if (symbol < 256) {
                if (written == outputBytes.size() && !reserve(1)) return errImageDataLong;
                outputBytes[written++] = static_cast<unsigned char>(symbol);
                continue;
            }
            if (symbol == 256) return ok;
            if (symbol > 285) continue;  // 286 and 287 carry no meaning

            const unsigned lengthIndex = symbol - 257;
            if (!in.has(lengthExtra[lengthIndex])) return errBlockDataEnd;
            const size_t length = lengthBase[lengthIndex] + in.read(lengthExtra[lengthIndex]);
            if (in.exhausted()) return errBlockDataEnd;
            unsigned distanceSymbol = 0;
            if (int error = distance.decode(in, distanceSymbol)) return error;
            if (distanceSymbol > 29) return errDistanceSymbol;
            if (!in.has(distanceExtra[distanceSymbol])) return errBlockDataEnd;
            const size_t back = distanceBase[distanceSymbol] + in.read(distanceExtra[distanceSymbol]);
            if (back > written) return errDistanceTooFar;
            if (!reserve(length)) return errImageDataLong;

            unsigned char* to = outputBytes.data() + written;
            const unsigned char* from = to - back;
            if (back >= length) {
                std::memcpy(to, from, length);
            } else {
                for (size_t k = 0; k < length; ++k) to[k] = from[k];  // overlapping: repeats the last bytes
            }
            written += length;
        }
    }

    BitReader in;
    std::vector<unsigned char>& outputBytes;
    size_t written = 0;
    size_t outputLimit;
    // Rebuilt for every dynamic block; each keeps its storage from block to block.
    HuffmanCode codeLengthCode;
    HuffmanCode literalCode;
    HuffmanCode distanceCode;
};

}  // namespace

int inflateDeflate(std::vector<unsigned char>& out, const unsigned char* input, size_t size, size_t maxOutput) {
    if (input == nullptr) size = 0;
    Inflater inflater(out, input, size, maxOutput);
    return inflater.run();
}

int inflateZlib(std::vector<unsigned char>& out, const unsigned char* input, size_t size, size_t maxOutput) {
    if (input == nullptr || size < 2) return errZlibTooShort;
    const unsigned method = input[0], flags = input[1];
    if ((method * 256 + flags) % 31 != 0) return errZlibCheck;
    if ((method & 15) != 8 || (method >> 4) > 7) return errZlibMethod;
    if (flags & 0x20) return errZlibDictionary;
    return inflateDeflate(out, input + 2, size - 2, maxOutput);
}

}  // namespace Png
