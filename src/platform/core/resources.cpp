// The resource registry and the find/load/lock calls.
#include "platform/core/resources.h"

#include "platform/core/dos_path.h"

#include <tuple>

namespace platform {
namespace {
HINSTANCE g_instance = nullptr;
} // namespace

ResourceModule::Key ResourceModule::keyOf(const char* name, const char* type) {
    Key key;
    if (IS_INTRESOURCE(type))
        std::get<0>(key) = unsigned(reinterpret_cast<std::uintptr_t>(type));
    else
        std::get<1>(key) = toUpperAscii(type);
    if (IS_INTRESOURCE(name))
        std::get<2>(key) = unsigned(reinterpret_cast<std::uintptr_t>(name));
    else
        std::get<3>(key) = toUpperAscii(name);
    return key;
}

void ResourceModule::add(std::string_view name, const char* type, const void* bytes,
                         std::size_t size) {
    const std::string copy(name);
    m_entries[keyOf(copy.c_str(), type)] = ResourceEntry{bytes, size};
}

void ResourceModule::add(unsigned number, const char* type, const void* bytes, std::size_t size) {
    m_entries[keyOf(MAKEINTRESOURCEA(number), type)] = ResourceEntry{bytes, size};
}

void ResourceModule::clear() {
    m_entries.clear();
}

HRSRC ResourceModule::find(const char* name, const char* type) const {
    if (!name || !type) return nullptr;
    const auto it = m_entries.find(keyOf(name, type));
    return it == m_entries.end() ? nullptr : &it->second;
}

HINSTANCE applicationInstance() {
    return g_instance;
}

HINSTANCE setApplicationInstance(HINSTANCE instance) {
    HINSTANCE previous = g_instance;
    g_instance = instance;
    return previous;
}

} // namespace platform

HINSTANCE AfxGetInstanceHandle() {
    return platform::applicationInstance();
}

HRSRC FindResourceA(HINSTANCE instance, const char* name, const char* type) {
    return instance ? instance->find(name, type) : nullptr;
}

HGLOBAL LoadResource(HINSTANCE instance, HRSRC resource) {
    return instance && resource && resource->bytes ? resource : nullptr;
}

const void* LockResource(HGLOBAL resource) {
    return resource ? resource->bytes : nullptr;
}

DWORD SizeofResource(HINSTANCE instance, HRSRC resource) {
    if (!instance || !resource) return 0;
    return resource->size > 0xFFFFFFFFu ? 0xFFFFFFFFu : DWORD(resource->size);
}
