#include "random_source.h"

#include <algorithm>
#include <cstring>

namespace hpihost::validation {
namespace {

// FNV-1a of the check's name folded into the seed.
uint64_t CheckSeed(uint64_t seed, const std::string& name) {
    uint64_t hash = 1469598103934665603ull;
    for (char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return seed ^ hash;
}

}  // namespace

Random::Random(uint64_t seed, const std::string& name) : mEngine(CheckSeed(seed, name)) {}

double Random::Normalized() {
    const double pick = Uniform(0.0, 1.0);
    return pick < 0.15 ? 0.0 : pick < 0.3 ? 1.0 : Uniform(0.0, 1.0);
}

std::vector<unsigned char> Random::Bytes(std::size_t count) {
    std::vector<unsigned char> bytes(count);
    for (std::size_t i = 0; i < count; i += 8) {
        const uint64_t word = mEngine();
        std::memcpy(bytes.data() + i, &word, std::min<std::size_t>(8, count - i));
    }
    return bytes;
}

}  // namespace hpihost::validation
