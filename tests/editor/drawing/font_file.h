#pragma once
// The Roboto font the tests draw with (Debian's fonts-roboto-unhinted), read once.
#include <fstream>
#include <iterator>
#include <vector>

inline const std::vector<unsigned char>& RobotoBytes() {
    static const std::vector<unsigned char> bytes = [] {
        std::ifstream file("/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf",
                           std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {});
    }();
    return bytes;
}
