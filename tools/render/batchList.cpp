#include "tools/render/batchList.h"

#include "tools/render/renderError.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace render {

Shard parseShard(const std::string& text) {
    const auto bad = [&] {
        return RenderError(exitUsage, "--shard takes K/N, this machine's share K of N (1 <= K <= N), not '" + text + "'");
    };
    const size_t slash = text.find('/');
    if (slash == std::string::npos || slash == 0 || slash + 1 == text.size()) throw bad();
    const auto number = [&](const std::string& digits) {
        if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9) throw bad();
        return static_cast<unsigned>(std::strtoul(digits.c_str(), nullptr, 10));
    };
    const unsigned k = number(text.substr(0, slash)), n = number(text.substr(slash + 1));
    if (k < 1 || k > n) throw bad();
    return Shard{k - 1, n};
}

std::vector<std::string> readFileList(const std::string& path, bool nulSeparated) {
    const bool standardInput = path == "-";
    FILE* file = standardInput ? stdin : std::fopen(path.c_str(), "rb");
    if (!file) throw RenderError(exitInput, "cannot read the list " + path + ": " + std::strerror(errno));
    std::vector<std::string> names;
    std::string name;
    const int end = nulSeparated ? '\0' : '\n';
    for (int c; (c = std::getc(file)) != EOF;) {
        if (c != end) {
            name.push_back(static_cast<char>(c));
            continue;
        }
        if (!nulSeparated && !name.empty() && name.back() == '\r') name.pop_back();
        if (!name.empty()) names.push_back(name);
        name.clear();
    }
    const bool failed = std::ferror(file) != 0;
    if (!standardInput) std::fclose(file);
    if (failed) throw RenderError(exitInput, "cannot read the list " + path + " to its end");
    if (!nulSeparated && !name.empty() && name.back() == '\r') name.pop_back();
    if (!name.empty()) names.push_back(name);
    return names;
}

bool inShard(const std::string& name, const Shard& shard) {
    // FNV-1a: the same number for the same bytes on every machine.
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
    return hash % shard.count == shard.index;
}

}  // namespace render
