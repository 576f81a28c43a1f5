// A batch's inputs from a list (--files-from), and the share of them one
// machine renders (--shard K/N): a file's share follows from its name alone,
// so every run of a job array splits a list the same way, whatever the order
// the list was made in and whichever machines run first.
#pragma once

#include <string>
#include <vector>

namespace render {

struct Shard {
    unsigned index = 0;  // 0-based: --shard 1/4 is index 0
    unsigned count = 1;
};

// "K/N" with 1 <= K <= N. Throws RenderError(exitUsage) for anything else.
Shard parseShard(const std::string& text);

// The names in a list file ("-": standard input), one per line (a final line
// without its newline counts, empty lines do not; a carriage return before a
// newline is part of no name) or, with nulSeparated, one per NUL-ended
// record. Throws RenderError(exitInput) when the list cannot be read.
std::vector<std::string> readFileList(const std::string& path, bool nulSeparated);

// Whether name belongs to the share.
bool inShard(const std::string& name, const Shard& shard);

}  // namespace render
