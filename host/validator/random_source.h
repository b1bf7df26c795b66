#pragma once
// The validator's random choices. Every check draws from a stream of its own,
// seeded from the run's seed and the check's name, so running a subset of the
// checks repeats the choices of the full run.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace hpihost::validation {

class Random {
public:
    // [main] The stream of the check `name` in a run with `seed`.
    Random(uint64_t seed, const std::string& name);

    // [any] by the owning thread only, as every operation below.
    double Uniform(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(mEngine);
    }
    // [any] A whole number from low to high, both included.
    int64_t Integer(int64_t low, int64_t high) {
        return std::uniform_int_distribution<int64_t>(low, high)(mEngine);
    }
    // [any] True with this probability.
    bool Chance(double probability) { return Uniform(0.0, 1.0) < probability; }
    // [any]
    unsigned char Byte() { return static_cast<unsigned char>(Integer(0, 255)); }
    // [any] A normalised value that often sits on an end of the range.
    double Normalized();
    // [any]
    std::vector<unsigned char> Bytes(std::size_t count);

private:
    std::mt19937_64 mEngine;
};

}  // namespace hpihost::validation
