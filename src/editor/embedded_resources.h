#pragma once
// The resources compiled into one module: the pictures and the font of resources/, served to the
// editor's resource lookup in place of the module resources other platforms have.
#include <cstddef>

struct EmbeddedResource {
    const char*
        name;  // upper case with its scale suffix, wrapped in double quotes: "\"GAIN@2X.PNG\""
    const char* type;           // the extension in upper case: "PNG", "TTF"
    const unsigned char* data;  // owned by the module, lives as long as the process
    std::size_t size;
};

struct EmbeddedResourceTable {
    const EmbeddedResource* entries;
    std::size_t count;
};
