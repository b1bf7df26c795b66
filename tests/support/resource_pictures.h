#pragma once
// The committed artwork in resources/, decoded once per test program: the
// pictures a screenshot is compared with. The including target defines
// TW_SOURCE_DIR_PATH and links the editor's picture decoder.
#include <map>
#include <string>

#include "editor/picture_decoder.h"

// [main] The picture resources/<file>; 0 x 0 when it cannot be read.
inline const DecodedPicture& ResourcePicture(const std::string& file) {
    static std::map<std::string, DecodedPicture> decoded;
    auto found = decoded.find(file);
    if (found == decoded.end()) {
        found = decoded
                    .emplace(file, DecodePictureFile(std::string(TW_SOURCE_DIR_PATH) +
                                                     "/resources/" + file))
                    .first;
    }
    return found->second;
}
