// Error codes of the PNG decoder and its inflater (0 means success).
#pragma once

namespace Png {

enum Error : int {
    ok = 0,
    // Huffman decoding
    errSymbolInputEnd = 10,        // input ended while decoding a Huffman symbol
    errSymbolNotInCode = 11,       // bit sequence not in the Huffman code
    errRepeatPastLengths = 13,     // code-length repeat (16) past the number of lengths
    errZeroRunPastLengths = 14,    // zero run (17) past the number of lengths
    errLongZeroRunPastLengths = 15,// zero run (18) past the number of lengths
    errCodeLengthSymbol = 16,      // code-length symbol above 18
    errDistanceSymbol = 18,        // distance symbol above 29
    // DEFLATE blocks
    errBlockType = 20,             // block type 3
    errStoredLength = 21,          // stored block LEN and NLEN do not match
    errStoredPastInput = 23,       // stored block longer than the remaining input
    // zlib header
    errZlibCheck = 24,             // header check value not a multiple of 31
    errZlibMethod = 25,            // method not 8 or window size above 7
    errZlibDictionary = 26,        // preset dictionary requested
    // PNG container
    errTooShort = 27,              // input of 28 bytes or fewer
    errSignature = 28,             // wrong PNG signature
    errNoHeader = 29,              // first chunk is not IHDR
    errChunkHeaderPastEnd = 30,    // chunk header past the end of the input (also: no IEND)
    errColourType = 31,            // colour type not 0, 2, 3, 4 or 6
    errCompressionMethod = 32,     // compression method not 0
    errFilterMethod = 33,          // filter method not 0
    errInterlaceMethod = 34,       // interlace method not 0 or 1
    errChunkDataPastEnd = 35,      // chunk data past the end of the input
    errFilterType = 36,            // scanline filter type above 4
    errBitDepth = 37,              // bit depth not allowed for the colour type
    errPaletteSize = 38,           // palette of more than 256 entries
    errTooManyAlphas = 39,         // more transparency values than palette entries
    errGreyKeySize = 40,           // greyscale transparency chunk not 2 bytes
    errColourKeySize = 41,         // truecolour transparency chunk not 6 bytes
    errKeyWithAlpha = 42,          // transparency chunk for colour type 4 or 6
    errPaletteIndex8 = 46,         // palette index out of range (8-bit image)
    errPaletteIndexLow = 47,       // palette index out of range (1, 2 or 4-bit image)
    errEmptyInput = 48,            // empty input
    errDynamicHeaderEnd = 49,      // input ended in a dynamic block header
    errRepeatInputEnd = 50,        // input ended in a code-length repeat
    errBlockDataEnd = 51,          // input ended in a compressed block
    errBlockHeaderEnd = 52,        // input ended at a block header or stored-block length
    errZlibTooShort = 53,          // zlib data shorter than 2 bytes
    errOversubscribed = 55,        // over-subscribed Huffman code lengths
    errChunkLength = 63,           // chunk length with bit 31 set
    errNoEndOfBlock = 64,          // dynamic block without an end-of-block code
    errCriticalChunk = 69,         // unknown critical chunk
    // Malformed input that the checks above do not name.
    errDistanceTooFar = 70,        // a match reaches before the first output byte
    errRepeatWithoutLength = 71,   // code-length repeat (16) with no previous length
    errImageSize = 72,             // width or height 0, or more than maxImagePixels pixels
    errImageDataShort = 73,        // inflated data shorter than the scanlines need
    errImageDataLong = 74,         // inflated data far longer than the scanlines need
};

}  // namespace Png
