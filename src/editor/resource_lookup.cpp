#include "editor/resource_lookup.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "editor/embedded_resources.h"

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool SameText(const char* a, const std::string& b) {
    return a != nullptr && Lower(a) == Lower(b);
}

// The entry's name without its quotes, in lower case; empty when malformed.
std::string UnquotedLower(const EmbeddedResource& entry) {
    if (entry.name == nullptr) return {};
    const std::size_t length = std::strlen(entry.name);
    if (length < 2) return {};
    return Lower(std::string(entry.name + 1, length - 2));
}

template <typename Visit>
const EmbeddedResource* FindEntry(const EmbeddedResourceTable* module, const std::string& type,
                                  Visit matches) {
    if (module == nullptr || module->entries == nullptr) return nullptr;
    for (std::size_t i = 0; i < module->count; ++i) {
        const EmbeddedResource& entry = module->entries[i];
        if (SameText(entry.type, type) && matches(entry)) return &entry;
    }
    return nullptr;
}

bool IsFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Where the extension starts (its dot), or npos.
std::size_t ExtensionDot(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return dot;
    if (name.find_first_of("/\\", dot) != std::string::npos) return std::string::npos;
    return dot;
}

std::string FindModuleFolder() {
    std::string file;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&FindModuleFolder), &info) != 0 &&
        info.dli_fname != nullptr) {
        char resolved[PATH_MAX];
        if (realpath(info.dli_fname, resolved) != nullptr) file = resolved;
    }
    if (file.empty()) {
        // The program itself: its name in the loader's list need not be a path.
        char self[PATH_MAX];
        const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
        if (length > 0) file.assign(self, static_cast<std::size_t>(length));
    }
    const std::size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

}  // namespace

const std::string& ModuleFolder() {
    static const std::string folder = FindModuleFolder();
    return folder;
}

std::string ScaledPictureName(const std::string& name, int scale) {
    if (scale == 1) return name;
    const std::size_t dot = ExtensionDot(name);
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    return stem + "@" + std::to_string(scale) + "x" + extension;
}

std::string NameExtension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(dot + 1);
}

ResourceLocation LookUpResource(const std::string& name, const std::string& type, std::string& path,
                                const EmbeddedResourceTable* module) {
    if (name.empty()) return kResourceNotFound;
    const std::string wanted = Lower(name);
    const EmbeddedResource* entry = FindEntry(
        module, type, [&](const EmbeddedResource& e) { return UnquotedLower(e) == wanted; });
    if (entry != nullptr) {
        path = ("\"" + wanted + "\"").substr(0, kMaxLocatedPathChars);
        return kResourceEmbedded;
    }
    // The host's working directory says nothing about where our files are.
    if (name.front() != '/' && ModuleFolder().empty()) return kResourceNotFound;
    const std::string file = name.front() == '/' ? name : ModuleFolder() + name;
    if (IsFile(file)) {
        path = file;
        return kResourceOnDisk;
    }
    return kResourceNotFound;
}

ResourceLocation FindScaledPicture(const std::string& name, const std::string& type,
                                   std::string& path, int target, int& found,
                                   const EmbeddedResourceTable* module) {
    int s = target;
    while (true) {
        found = s;
        if (s <= 0) return kResourceNotFound;
        const ResourceLocation result =
            LookUpResource(ScaledPictureName(name, s), type, path, module);
        if (result != kResourceNotFound) return result;
        if (s == target && target != 3) {
            s = 3;
        } else if (s == target + 1) {
            s = target - 1;
        } else {
            s -= 1;
        }
    }
}

bool ReadEmbeddedResource(const EmbeddedResourceTable* module, const std::string& locatedName,
                          const std::string& type, const unsigned char*& data, std::size_t& size) {
    const EmbeddedResource* entry = FindEntry(
        module, type, [&](const EmbeddedResource& e) { return SameText(e.name, locatedName); });
    if (entry == nullptr || entry->data == nullptr || entry->size < 8) return false;
    data = entry->data;
    size = entry->size;
    return true;
}
