#include "test_pictures.h"

#include <stb_image_write.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace test_pictures {
namespace {

void PutU32(Bytes& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(v >> shift));
}

uint32_t Crc32(const unsigned char* data, std::size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutChunk(Bytes& out, const char type[5], const Bytes& data) {
    PutU32(out, static_cast<uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    PutU32(out, Crc32(typed.data(), typed.size()));
}

// A zlib stream of stored (uncompressed) blocks.
Bytes StoredZlib(const Bytes& raw) {
    Bytes out{0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        out.push_back(at + n == raw.size() ? 1 : 0);
        out.push_back(static_cast<unsigned char>(n));
        out.push_back(static_cast<unsigned char>(n >> 8));
        out.push_back(static_cast<unsigned char>(~n));
        out.push_back(static_cast<unsigned char>(~n >> 8));
        out.insert(out.end(), raw.begin() + static_cast<long>(at),
                   raw.begin() + static_cast<long>(at + n));
        at += n;
    } while (at < raw.size());
    uint32_t a = 1;
    uint32_t b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutU32(out, (b << 16) | a);
    return out;
}

void AppendToBytes(void* context, void* data, int size) {
    auto* out = static_cast<Bytes*>(context);
    const auto* bytes = static_cast<const unsigned char*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

Bytes RgbaPng(int width, int height, const std::function<uint32_t(int, int)>& pixel) {
    Bytes rgba(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t argb = pixel(x, y);
            unsigned char* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            p[0] = static_cast<unsigned char>(argb >> 16);
            p[1] = static_cast<unsigned char>(argb >> 8);
            p[2] = static_cast<unsigned char>(argb);
            p[3] = static_cast<unsigned char>(argb >> 24);
        }
    }
    Bytes png;
    stbi_write_png_to_func(AppendToBytes, &png, width, height, 4, rgba.data(), width * 4);
    return png;
}

Bytes PalettePng(int width, int height, const std::vector<uint32_t>& palette,
                 const std::vector<uint8_t>& indices) {
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    PutU32(header, static_cast<uint32_t>(width));
    PutU32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 3, 0, 0, 0});  // 8 bits, palette
    PutChunk(png, "IHDR", header);
    Bytes colours;
    Bytes alphas;
    for (uint32_t argb : palette) {
        colours.insert(colours.end(),
                       {static_cast<unsigned char>(argb >> 16),
                        static_cast<unsigned char>(argb >> 8), static_cast<unsigned char>(argb)});
        alphas.push_back(static_cast<unsigned char>(argb >> 24));
    }
    PutChunk(png, "PLTE", colours);
    PutChunk(png, "tRNS", alphas);
    Bytes raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        raw.insert(raw.end(), indices.begin() + static_cast<long>(y) * width,
                   indices.begin() + static_cast<long>(y + 1) * width);
    }
    PutChunk(png, "IDAT", StoredZlib(raw));
    PutChunk(png, "IEND", {});
    return png;
}

void ResourceSet::Add(const std::string& fileName, Bytes bytes) {
    auto stored = std::make_unique<Stored>();
    stored->name.push_back('"');
    stored->name += Upper(fileName);
    stored->name.push_back('"');
    const std::size_t dot = fileName.rfind('.');
    stored->type = Upper(dot == std::string::npos ? fileName : fileName.substr(dot + 1));
    stored->bytes = std::move(bytes);
    mStored.push_back(std::move(stored));
}

const EmbeddedResourceTable* ResourceSet::Table() {
    mEntries.clear();
    for (const auto& s : mStored)
        mEntries.push_back({s->name.c_str(), s->type.c_str(), s->bytes.data(), s->bytes.size()});
    mTable = {mEntries.data(), mEntries.size()};
    return &mTable;
}

namespace {

// A scratch folder removed when the process ends.
struct ScratchFolder {
    std::string path;
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace

const std::string& ProductPictureFolder() {
    static const ScratchFolder folder{[] {
        char pattern[] = "/tmp/tw_editor_pictures_XXXXXX";
        const char* made = mkdtemp(pattern);
        const std::string path = made == nullptr ? std::string("/tmp") : std::string(made);
        struct Picture {
            const char* name;
            int width;
            int height;
            int frames;
        };
        const Picture pictures[] = {
            {"BG@2x.png", 496, 1324, 1},    {"SWITCH@2x.png", 84, 84, 2},
            {"OVER@2x.png", 242, 40, 2},    {"GAIN@2x.png", 154, 9394, 61},
            {"TRIM@2x.png", 154, 9394, 61}, {"BGAIN@2x.png", 154, 9394, 61},
            {"HPF@2x.png", 152, 760, 5},    {"LF@2x.png", 154, 770, 5},
            {"MF@2x.png", 154, 1078, 7},
        };
        // Palette pictures like the product's own, stored without compression
        // so making them costs next to nothing; each frame a grey of its own.
        std::vector<uint32_t> greys;
        for (uint32_t g = 0; g < 256; ++g) greys.push_back(0xFF000000u | (g << 16) | (g << 8) | g);
        for (const Picture& p : pictures) {
            const int frameHeight = p.height / p.frames;
            std::vector<uint8_t> indices(static_cast<std::size_t>(p.width) * p.height);
            for (int y = 0; y < p.height; ++y) {
                std::fill_n(indices.begin() + static_cast<long>(y) * p.width, p.width,
                            static_cast<uint8_t>((y / frameHeight) * 4 % 256));
            }
            const Bytes png = PalettePng(p.width, p.height, greys, indices);
            std::ofstream(path + "/" + p.name, std::ios::binary)
                .write(reinterpret_cast<const char*>(png.data()),
                       static_cast<std::streamsize>(png.size()));
        }
        return path;
    }()};
    return folder.path;
}

ScopedWorkingDirectory::ScopedWorkingDirectory(const std::string& folder) {
    char previous[4096];
    if (getcwd(previous, sizeof previous) != nullptr) mPrevious = previous;
    if (chdir(folder.c_str()) != 0) std::abort();
}

ScopedWorkingDirectory::~ScopedWorkingDirectory() {
    if (!mPrevious.empty() && chdir(mPrevious.c_str()) != 0) std::abort();
}

}  // namespace test_pictures
