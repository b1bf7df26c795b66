// tw-vst3-moduleinfo FILE: writes the bundle's Contents/Resources/moduleinfo.json
// from the same description the factory answers with, so the two agree.
#include <cstdio>
#include <string>

#include "product/module/vst3/vst3_module.h"

namespace {

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

std::string HexId(const vst3::InterfaceId& id) {
    std::string out;
    char digits[3];
    for (const uint8_t byte : id.bytes) {
        std::snprintf(digits, sizeof digits, "%02X", byte);
        out += digits;
    }
    return out;
}

std::string SubCategoryList(const std::string& subCategories) {
    std::string out = "[";
    std::size_t start = 0;
    while (start <= subCategories.size()) {
        const std::size_t bar = subCategories.find('|', start);
        const std::size_t end = bar == std::string::npos ? subCategories.size() : bar;
        out += (start == 0 ? "" : ", ") + Quoted(subCategories.substr(start, end - start));
        if (bar == std::string::npos) {
            break;
        }
        start = bar + 1;
    }
    return out + "]";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]) == "--help") {
        std::fprintf(argc == 2 ? stdout : stderr,
                     "Usage: tw-vst3-moduleinfo FILE\n"
                     "Writes the VST3 bundle's moduleinfo.json to FILE.\n"
                     "Exit codes: 0 written, 1 bad command line, 2 FILE unwritable.\n");
        return argc == 2 ? 0 : 1;
    }
    const VST3ProductDescription product = VST3ProductIdentity();
    FILE* file = std::fopen(argv[1], "w");
    if (file == nullptr) {
        std::fprintf(stderr, "tw-vst3-moduleinfo: cannot write '%s'\n", argv[1]);
        return 2;
    }
    std::fprintf(file,
                 "{\n"
                 "  \"Name\": %s,\n"
                 "  \"Version\": %s,\n"
                 "  \"Factory Info\": {\n"
                 "    \"Vendor\": %s,\n"
                 "    \"URL\": %s,\n"
                 "    \"E-Mail\": %s,\n"
                 "    \"Flags\": {\n"
                 "      \"Unicode\": true,\n"
                 "      \"Classes Discardable\": false,\n"
                 "      \"Component Non Discardable\": false\n"
                 "    }\n"
                 "  },\n"
                 "  \"Compatibility\": [],\n"
                 "  \"Classes\": [\n"
                 "    {\n"
                 "      \"CID\": %s,\n"
                 "      \"Category\": %s,\n"
                 "      \"Name\": %s,\n"
                 "      \"Vendor\": %s,\n"
                 "      \"Version\": %s,\n"
                 "      \"SDKVersion\": %s,\n"
                 "      \"Sub Categories\": %s,\n"
                 "      \"Class Flags\": 0,\n"
                 "      \"Cardinality\": %d,\n"
                 "      \"Snapshots\": []\n"
                 "    }\n"
                 "  ]\n"
                 "}\n",
                 Quoted(product.className).c_str(), Quoted(product.version).c_str(),
                 Quoted(product.vendor).c_str(), Quoted(product.url).c_str(),
                 Quoted(product.email).c_str(), Quoted(HexId(product.classId)).c_str(),
                 Quoted(vst3::kAudioModuleClass).c_str(), Quoted(product.className).c_str(),
                 Quoted(product.vendor).c_str(), Quoted(product.version).c_str(),
                 Quoted(product.sdkVersion).c_str(), SubCategoryList(product.subCategories).c_str(),
                 vst3::kManyInstances);
    const bool closed = std::fclose(file) == 0;
    if (!closed) {
        std::fprintf(stderr, "tw-vst3-moduleinfo: cannot write '%s'\n", argv[1]);
        return 2;
    }
    return 0;
}
