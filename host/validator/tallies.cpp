#include "tallies.h"

#include "harness.h"

namespace hpihost::validation {

void Failures::Add(const std::string& text) {
    if (mTexts.size() < 3) {
        mTexts.push_back(text);
    }
    ++mCount;
}

std::string Failures::Text() const {
    std::string text = Join(mTexts, "; ");
    if (mCount > mTexts.size()) {
        text += Format(" (and %zu more)", mCount - mTexts.size());
    }
    return text;
}

void Tally::Add(const std::string& kind) {
    for (auto& [known, count] : mCounts) {
        if (known == kind) {
            ++count;
            return;
        }
    }
    mCounts.emplace_back(kind, 1);
}

std::string Tally::Text() const {
    std::vector<std::string> parts;
    for (const auto& [kind, count] : mCounts) {
        parts.push_back(Format("%s (%lld)", kind.c_str(), static_cast<long long>(count)));
    }
    return Join(parts, ", ");
}

}  // namespace hpihost::validation
