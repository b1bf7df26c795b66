// The picture decoder compiled into the fuzz build itself (from Debian's
// libstb-dev header), so the fuzzer sees coverage inside it and the address
// sanitizer checks its reads.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>
