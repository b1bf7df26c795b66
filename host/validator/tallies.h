#pragma once
// What a check counts as it goes: its failures (the first few kept with their
// context, the rest only counted) and counts by kind.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace hpihost::validation {

class Failures {
public:
    // [main] by the check's thread only, as every operation here.
    void Add(const std::string& text);
    bool Any() const { return mCount > 0; }
    std::size_t Count() const { return mCount; }
    // The kept texts and how many more there were.
    std::string Text() const;

private:
    std::vector<std::string> mTexts;
    std::size_t mCount = 0;
};

// Counts by kind, listed in the order the kinds first came.
class Tally {
public:
    // [main] by the check's thread only, as Text.
    void Add(const std::string& kind);
    // "kind (count), ..."
    std::string Text() const;

private:
    std::vector<std::pair<std::string, int64_t>> mCounts;
};

}  // namespace hpihost::validation
