// A deliberately plain inflater (bit at a time, binary tree walk) that the fast one is checked against.
#pragma once

#include <cstddef>
#include <vector>

namespace PngTest {

// Same contract and error codes as Png::inflateZlib, decoding one bit at a time
// by walking an explicit binary tree.
int referenceInflateZlib(std::vector<unsigned char>& out, const unsigned char* input, size_t size,
                         size_t maxOutput = static_cast<size_t>(-1));

}  // namespace PngTest
