// The images built into the executable: a registry of resources by name or number and type, and
// the find/load/lock calls that hand out their bytes in place. The Qt layer registers the
// resource file's bitmaps at start-up; tests and fuzzers register bytes of their own.
#pragma once

#include "platform/core/win_types.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <tuple>

namespace platform {
class ResourceModule;
struct ResourceEntry;
} // namespace platform

// The module whose resources are searched: the application's instance, or null when there is
// none (then nothing is found).
using HINSTANCE = platform::ResourceModule*;
// A found resource, and the loaded resource it gives; both point at the registered entry.
using HRSRC = const platform::ResourceEntry*;
using HGLOBAL = const platform::ResourceEntry*;

// An integer resource name: the number in the low 16 bits of a pointer-sized value.
inline const char* MAKEINTRESOURCEA(unsigned number) {
    return reinterpret_cast<const char*>(std::uintptr_t(number & 0xFFFFu));
}
inline bool IS_INTRESOURCE(const char* name) {
    return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0;
}
inline const char* const RT_BITMAP = MAKEINTRESOURCEA(2);

namespace platform {

struct ResourceEntry {
    const void* bytes = nullptr;
    std::size_t size = 0;
};

// One module's resources. Registered bytes are not copied: they must stay alive, unchanged, as
// long as the module may hand them out.
class ResourceModule {
public:
    ResourceModule() = default;
    ResourceModule(const ResourceModule&) = delete;
    ResourceModule& operator=(const ResourceModule&) = delete;

    // Registers bytes under a name (matched without regard to ASCII case, as resource names are)
    // and type; a second registration of the same name and type replaces the first.
    void add(std::string_view name, const char* type, const void* bytes, std::size_t size);
    // Registers bytes under the number n & 0xFFFF.
    void add(unsigned number, const char* type, const void* bytes, std::size_t size);
    void clear();

    // A name given as a string or as MAKEINTRESOURCEA(n); null when absent.
    HRSRC find(const char* name, const char* type) const;

private:
    // Key: type number (0 for a string type), type name, then resource number or upper-case name.
    using Key = std::tuple<unsigned, std::string, unsigned, std::string>;
    static Key keyOf(const char* name, const char* type);
    std::map<Key, ResourceEntry> m_entries;
};

// The application's instance: null until one is set (the Qt layer sets it at start-up).
HINSTANCE applicationInstance();
// Sets the instance and returns the previous one; null means "no application".
HINSTANCE setApplicationInstance(HINSTANCE instance);

} // namespace platform

HINSTANCE AfxGetInstanceHandle();
HRSRC FindResourceA(HINSTANCE instance, const char* name, const char* type);
HGLOBAL LoadResource(HINSTANCE instance, HRSRC resource);
// The resource's bytes in place (never a copy); null for a null handle.
const void* LockResource(HGLOBAL resource);
DWORD SizeofResource(HINSTANCE instance, HRSRC resource);
