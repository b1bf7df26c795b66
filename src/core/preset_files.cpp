// Preset (FXP) and bank (FXB) files of PluginBase. Header integers and
// parameter floats are big-endian; the opaque variants carry the plug-in's own
// little-endian state behind a "tffp" marker.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "core/param.h"
#include "core/plugin_base.h"

namespace {

constexpr int kProgramNameSize = 28;      // terminator included
constexpr int kProgramHeaderSize = 56;    // up to the program's values
constexpr int kBankHeaderSize = 156;      // up to the bank's contents
constexpr int kBankReservedSize = 124;    // zeros after the current index
constexpr int kOpaqueSizeExtra = 60;      // byte size field of "FPCh": inner size + 60
constexpr int kOpaqueBankSizeExtra = 160; // byte size field of "FBCh": inner size + 160
constexpr int32_t kInnerVersion = 65536;  // after "tffp", in native order

constexpr char kChunkMagic[] = "CcnK";
constexpr char kOpaquePresetMagic[] = "FPCh";
constexpr char kParamPresetMagic[] = "FxCk";
constexpr char kOpaqueBankMagic[] = "FBCh";
constexpr char kParamBankMagic[] = "FxBk";
constexpr char kInnerMagic[] = "tffp";

using Image = std::vector<uint8_t>;

void PutMagic(Image& out, const char* magic) { out.insert(out.end(), magic, magic + 4); }

void PutBigEndian(Image& out, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(bits >> shift));
    }
}

void PutBigEndian(Image& out, float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    PutBigEndian(out, static_cast<int32_t>(bits));
}

// Zero-filled fixed field; a longer name is cut so the terminator always fits.
void PutProgramName(Image& out, const char* name) {
    char field[kProgramNameSize] = {};
    CopyTextField(field, name);
    out.insert(out.end(), field, field + kProgramNameSize);
}

void PutInnerChunk(Image& out, const ByteChunk& body) {
    PutBigEndian(out, static_cast<int32_t>(8 + body.Size()));
    PutMagic(out, kInnerMagic);
    const auto* version = reinterpret_cast<const uint8_t*>(&kInnerVersion);
    out.insert(out.end(), version, version + sizeof kInnerVersion);
    out.insert(out.end(), body.Data(), body.Data() + body.Size());
}

bool WriteFile(const char* path, const Image& image) {
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(image.data(), 1, image.size(), file) == image.size();
    return std::fclose(file) == 0 && written;
}

bool ReadFile(const char* path, Image& image) {
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    image.clear();
    uint8_t buffer[4096];
    std::size_t got = 0;
    bool fits = true;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        // Positions are ints; a file that large is not one of ours.
        if (image.size() + got > static_cast<std::size_t>(INT_MAX)) {
            fits = false;
            break;
        }
        image.insert(image.end(), buffer, buffer + got);
    }
    const bool ok = fits && std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

// Bounds-checked reads of a file image; false when the field is not all there.
class ImageReader {
public:
    explicit ImageReader(const Image& image) : mImage(image) {}

    bool Has(int64_t pos, int64_t size) const {
        return pos >= 0 && size >= 0 && pos + size <= static_cast<int64_t>(mImage.size());
    }
    bool MagicAt(int64_t pos, const char* magic) const {
        return Has(pos, 4) && std::memcmp(mImage.data() + pos, magic, 4) == 0;
    }
    bool Int32At(int64_t pos, int32_t& value) const {
        if (!Has(pos, 4)) {
            return false;
        }
        uint32_t bits = 0;
        for (int i = 0; i < 4; ++i) {
            bits = (bits << 8) | mImage[static_cast<std::size_t>(pos + i)];
        }
        value = static_cast<int32_t>(bits);
        return true;
    }
    bool FloatAt(int64_t pos, float& value) const {
        int32_t bits = 0;
        if (!Int32At(pos, bits)) {
            return false;
        }
        std::memcpy(&value, &bits, sizeof value);
        return true;
    }
    // The name field, up to its first zero byte.
    std::string NameAt(int64_t pos) const {
        if (!Has(pos, kProgramNameSize)) {
            return {};
        }
        const char* field = reinterpret_cast<const char*>(mImage.data() + pos);
        return std::string(field, strnlen(field, kProgramNameSize));
    }
    // The opaque contents at pos: an int32 size, then that many bytes, which
    // must all be in the file. The body starts after "tffp" and its version
    // when they are present.
    bool InnerChunkAt(int64_t pos, ByteChunk& inner, int& bodyPos) const {
        int32_t size = 0;
        if (!Int32At(pos, size) || size < 0 || !Has(pos + 4, size)) {
            return false;
        }
        inner.Clear();
        inner.PutBytes(mImage.data() + pos + 4, size);
        bodyPos = 0;
        if (size >= 4 && std::memcmp(inner.Data(), kInnerMagic, 4) == 0) {
            bodyPos = 8;
        }
        return true;
    }

private:
    const Image& mImage;
};

}  // namespace

int32_t PluginBase::DecimalPluginVersion() const {
    const int32_t major = (mPluginVersion >> 16) & 0xFFFF;
    const int32_t minor = (mPluginVersion >> 8) & 0xFF;
    const int32_t patch = mPluginVersion & 0xFF;
    return major * 10000 + minor * 100 + patch;
}

void PluginBase::AppendProgram(std::vector<uint8_t>& out, int32_t byteSize, const char* name,
                               const std::vector<float>& norms) const {
    PutMagic(out, kChunkMagic);
    PutBigEndian(out, byteSize);
    PutMagic(out, kParamPresetMagic);
    PutBigEndian(out, 1);
    PutBigEndian(out, mUniqueID);
    PutBigEndian(out, DecimalPluginVersion());
    PutBigEndian(out, static_cast<int32_t>(norms.size()));
    PutProgramName(out, name);
    for (const float norm : norms) {
        PutBigEndian(out, norm);
    }
}

bool PluginBase::SavePresetFile(const char* path) const {
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    Image image;
    const char* name = PresetName(mCurrentPresetIdx);
    if (mStateChunks) {
        ByteChunk state;
        SaveState(state);
        PutMagic(image, kChunkMagic);
        PutBigEndian(image, static_cast<int32_t>(8 + state.Size() + kOpaqueSizeExtra));
        PutMagic(image, kOpaquePresetMagic);
        PutBigEndian(image, 1);
        PutBigEndian(image, mUniqueID);
        PutBigEndian(image, DecimalPluginVersion());
        PutBigEndian(image, static_cast<int32_t>(NParams()));
        PutProgramName(image, name);
        PutInnerChunk(image, state);
    } else {
        std::vector<float> norms;
        for (int i = 0; i < NParams(); ++i) {
            norms.push_back(static_cast<float>(GetParam(i)->GetNorm()));
        }
        AppendProgram(image, 0, name, norms);
    }
    return WriteFile(path, image);
}

bool PluginBase::SaveBankFile(const char* path) const {
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    Image image;
    ByteChunk presets;
    if (mStateChunks) {
        SerializePresets(presets);
    }
    PutMagic(image, kChunkMagic);
    PutBigEndian(image, mStateChunks ? static_cast<int32_t>(8 + presets.Size() + kOpaqueBankSizeExtra) : 0);
    PutMagic(image, mStateChunks ? kOpaqueBankMagic : kParamBankMagic);
    PutBigEndian(image, 2);
    PutBigEndian(image, mUniqueID);
    PutBigEndian(image, DecimalPluginVersion());
    PutBigEndian(image, static_cast<int32_t>(PresetCount()));
    PutBigEndian(image, mCurrentPresetIdx);
    image.insert(image.end(), kBankReservedSize, 0);
    if (mStateChunks) {
        PutInnerChunk(image, presets);
    } else {
        for (const auto& slot : mPresets) {
            // Parameter presets hold one double per parameter from the start.
            std::vector<float> norms;
            for (int i = 0; i < NParams(); ++i) {
                double value = 0.0;
                slot->chunk.Get(&value, i * 8);
                norms.push_back(static_cast<float>(GetParam(i)->ToNorm(value)));
            }
            AppendProgram(image, 0, slot->name, norms);
        }
    }
    return WriteFile(path, image);
}

bool PluginBase::LoadPresetFile(const char* path) {
    Image image;
    if (!ReadFile(path, image)) {
        return false;
    }
    const ImageReader reader(image);
    int32_t version = 0;
    int32_t id = 0;
    if (!reader.MagicAt(0, kChunkMagic) || !reader.Int32At(12, version) || version != 1 ||
        !reader.Int32At(16, id) || id != mUniqueID || !reader.Has(28, kProgramNameSize)) {
        return false;
    }
    const std::string name = reader.NameAt(28);

    if (mStateChunks && reader.MagicAt(8, kOpaquePresetMagic)) {
        ByteChunk inner;
        int bodyPos = 0;
        if (!reader.InnerChunkAt(kProgramHeaderSize, inner, bodyPos)) {
            return false;
        }
        const Snapshot before = TakeSnapshot();
        if (LoadState(inner, bodyPos) < 0) {
            RestoreSnapshot(before);
            return false;
        }
    } else if (reader.MagicAt(8, kParamPresetMagic)) {
        int32_t storedCount = 0;
        if (!reader.Int32At(24, storedCount) || storedCount < 0 ||
            !reader.Has(kProgramHeaderSize, static_cast<int64_t>(storedCount) * 4)) {
            return false;
        }
        // A file from a build with fewer parameters sets those it has.
        const int count = std::min<int>(storedCount, NParams());
        for (int i = 0; i < count; ++i) {
            float norm = 0.0f;
            reader.FloatAt(kProgramHeaderSize + static_cast<int64_t>(i) * 4, norm);
            GetParam(i)->SetNorm(norm);
        }
    } else {
        return false;
    }

    ModifyCurrentPreset(name.c_str());
    SettleAfterFileLoad();
    OnPresetFileLoaded();
    return true;
}

bool PluginBase::LoadBankFile(const char* path) {
    Image image;
    if (!ReadFile(path, image)) {
        return false;
    }
    const ImageReader reader(image);
    int32_t id = 0;
    int32_t storedCount = 0;
    int32_t storedCurrent = 0;
    if (!reader.MagicAt(0, kChunkMagic) || !reader.Int32At(16, id) || id != mUniqueID ||
        !reader.Int32At(24, storedCount) || !reader.Int32At(28, storedCurrent) ||
        !reader.Has(0, kBankHeaderSize)) {
        return false;
    }

    if (mStateChunks && reader.MagicAt(8, kOpaqueBankMagic)) {
        ByteChunk inner;
        int bodyPos = 0;
        if (!reader.InnerChunkAt(kBankHeaderSize, inner, bodyPos)) {
            return false;
        }
        const Snapshot before = TakeSnapshot();
        if (UnserializePresets(inner, bodyPos) < 0) {
            RestoreSnapshot(before);
            return false;
        }
        OnPresetFileLoaded();
        return true;
    }

    if (!reader.MagicAt(8, kParamBankMagic)) {
        return false;
    }
    // Every stored program is checked before any is applied.
    const int64_t programSize = kProgramHeaderSize + static_cast<int64_t>(NParams()) * 4;
    const int64_t programs = std::max<int32_t>(storedCount, 0);
    for (int64_t p = 0; p < programs; ++p) {
        const int64_t start = kBankHeaderSize + p * programSize;
        int32_t programVersion = 0;
        int32_t paramCount = 0;
        if (!reader.Has(start, programSize) || !reader.MagicAt(start, kChunkMagic) ||
            !reader.MagicAt(start + 8, kParamPresetMagic) || !reader.Int32At(start + 12, programVersion) ||
            programVersion != 1 || !reader.Int32At(start + 24, paramCount) || paramCount != NParams()) {
            return false;
        }
    }
    // Programs beyond the slots have nowhere to go.
    const int applied = static_cast<int>(std::min<int64_t>(programs, PresetCount()));
    for (int p = 0; p < applied; ++p) {
        const int64_t start = kBankHeaderSize + p * programSize;
        RestorePreset(p);
        for (int i = 0; i < NParams(); ++i) {
            float norm = 0.0f;
            reader.FloatAt(start + kProgramHeaderSize + static_cast<int64_t>(i) * 4, norm);
            GetParam(i)->SetNorm(norm);
        }
        const std::string name = reader.NameAt(start + 28);
        mCurrentPresetIdx = p;
        ModifyCurrentPreset(name.c_str());
    }
    if (!RestorePreset(storedCurrent)) {
        SettleAfterFileLoad();
    }
    OnPresetFileLoaded();
    return true;
}

void PluginBase::SettleAfterFileLoad() {
    if (!RestorePreset(mCurrentPresetIdx)) {
        NotifyAllParamsChanged(ParamSource::Preset);
        NotifyEditorStateRestored();
    }
}

PluginBase::Snapshot PluginBase::TakeSnapshot() const {
    Snapshot snapshot;
    snapshot.values = CurrentValues();
    for (const auto& slot : mPresets) {
        snapshot.presets.push_back(*slot);
    }
    snapshot.currentPresetIdx = mCurrentPresetIdx;
    SaveEditorState(snapshot.editorState);
    return snapshot;
}

void PluginBase::RestoreSnapshot(const Snapshot& snapshot) {
    for (int i = 0; i < NParams(); ++i) {
        GetParam(i)->SetValue(snapshot.values[static_cast<std::size_t>(i)]);
    }
    for (std::size_t i = 0; i < mPresets.size() && i < snapshot.presets.size(); ++i) {
        *mPresets[i] = snapshot.presets[i];
    }
    mCurrentPresetIdx = snapshot.currentPresetIdx;
    LoadEditorState(snapshot.editorState, 0);
    NotifyAllParamsChanged(ParamSource::Preset);
    NotifyEditorStateRestored();
}
