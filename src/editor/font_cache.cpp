#include "editor/font_cache.h"

#include <map>
#include <mutex>

namespace {

std::mutex& Lock() {
    static std::mutex lock;
    return lock;
}

std::map<std::string, CachedFont>& Fonts() {
    static std::map<std::string, CachedFont> fonts;
    return fonts;
}

}  // namespace

void FontCacheAdd(const std::string& fontId, CachedFont font) {
    std::lock_guard<std::mutex> guard(Lock());
    Fonts().emplace(fontId, std::move(font));
}

const CachedFont* FontCacheFind(const std::string& fontId) {
    std::lock_guard<std::mutex> guard(Lock());
    const auto found = Fonts().find(fontId);
    return found == Fonts().end() ? nullptr : &found->second;
}

int FontCacheCount() {
    std::lock_guard<std::mutex> guard(Lock());
    return static_cast<int>(Fonts().size());
}

void FontCacheClear() {
    std::lock_guard<std::mutex> guard(Lock());
    Fonts().clear();
}
