#pragma once
// Finding a picture or font by name: first among the resources compiled into
// the module (an EmbeddedResourceTable), then as a file on disk, over the
// scales a picture may exist at. Nothing here decodes anything. A relative
// file name is looked up beside the module (its library's folder, which is
// the bundle of a bundled plug-in), never in the host's working directory.
//
// Table entries are named in upper case with their scale suffix and wrapped
// in double quotes ("\"GAIN@2X.PNG\""); names and types compare without regard
// to case. The located name of a table entry is its lower-case name in quotes.
#include <cstddef>
#include <string>

struct EmbeddedResourceTable;

enum ResourceLocation : int {
    kResourceNotFound = 0,
    kResourceOnDisk = 1,    // the located path is the existing file's path
    kResourceEmbedded = 2,  // the located path is the quoted lower-case table name
};

// Located paths are cut to this many characters.
inline constexpr std::size_t kMaxLocatedPathChars = 260;

// [any] The picture name for scale s: the name itself at 1, else
// "<stem>@<s>x<.ext>" ("GAIN.png" at 2 gives "GAIN@2x.png"). A dot followed
// later by '/' or '\' belongs to a folder and starts no extension.
std::string ScaledPictureName(const std::string& name, int scale);

// [any] The extension of name: the part after its last '.', or the whole name
// when it has none.
std::string NameExtension(const std::string& name);

// [any] The folder of the library (or program) this code is linked into,
// ending in '/'; empty when it cannot be told.
const std::string& ModuleFolder();

// [any] Looks name up in module (null: no table) as a resource of type type,
// then on disk: an absolute name as it is, a relative one in ModuleFolder().
// Fills path on success.
ResourceLocation LookUpResource(const std::string& name, const std::string& type, std::string& path,
                                const EmbeddedResourceTable* module);

// [any] Tries the scales target, 3, then downwards (target 1: 1, 3, 2;
// target 2: 2, 3, 1; target 3: 3, 2, 1) and stops at the first hit; found
// holds the scale of the hit.
ResourceLocation FindScaledPicture(const std::string& name, const std::string& type,
                                   std::string& path, int target, int& found,
                                   const EmbeddedResourceTable* module);

// [any] The bytes of the entry with the located (quoted) name and type. An
// entry shorter than 8 bytes reads as missing. The bytes stay the module's.
bool ReadEmbeddedResource(const EmbeddedResourceTable* module, const std::string& locatedName,
                          const std::string& type, const unsigned char*& data, std::size_t& size);
