// The PNG writer of stb (Debian's libstb-dev), compiled once here.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
