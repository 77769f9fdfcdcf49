// A small RIFF reader for the tests of written AVI files: the chunk tree with every chunk's place,
// refusing sizes that run past their parent, odd chunks without their zero pad byte and bytes
// left over at the end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace riff_test {

struct Chunk {
    std::string id;       // "RIFF", "LIST" or the chunk's fourcc
    std::string listType; // of RIFF and LIST chunks
    std::size_t offset = 0;
    std::uint32_t size = 0;      // from the size field
    std::string data;            // without the pad byte (the list type included for lists)
    std::vector<Chunk> children; // of RIFF and LIST chunks

    // The first child with this id (or list type), nullptr when there is none.
    const Chunk* find(const std::string& name) const {
        for (const Chunk& c : children)
            if (c.id == name || (c.id == "LIST" && c.listType == name)) return &c;
        return nullptr;
    }
    std::vector<const Chunk*> all(const std::string& name) const {
        std::vector<const Chunk*> out;
        for (const Chunk& c : children)
            if (c.id == name || (c.id == "LIST" && c.listType == name)) out.push_back(&c);
        return out;
    }
    std::uint32_t u32(std::size_t at) const {
        return std::uint32_t(byte(at)) | std::uint32_t(byte(at + 1)) << 8 |
               std::uint32_t(byte(at + 2)) << 16 | std::uint32_t(byte(at + 3)) << 24;
    }
    std::uint32_t u16(std::size_t at) const {
        return std::uint32_t(byte(at)) | std::uint32_t(byte(at + 1)) << 8;
    }
    std::string fourcc(std::size_t at) const {
        return at + 4 <= data.size() ? data.substr(at, 4) : "";
    }

private:
    std::uint8_t byte(std::size_t at) const {
        return at < data.size() ? static_cast<std::uint8_t>(data[at]) : 0;
    }
};

// Reads the chunks in bytes[begin, end) into out; false (with a reason in error) on a defect.
inline bool readChunks(const std::string& bytes, std::size_t begin, std::size_t end,
                       std::vector<Chunk>& out, std::string& error) {
    std::size_t at = begin;
    while (at < end) {
        if (end - at < 8) return error = "a chunk header is cut off", false;
        Chunk c;
        c.offset = at;
        c.id = bytes.substr(at, 4);
        for (int i = 3; i >= 0; --i)
            c.size = c.size << 8 | static_cast<std::uint8_t>(bytes[at + 4 + std::size_t(i)]);
        if (c.size > end - at - 8) return error = c.id + " runs past its parent", false;
        c.data = bytes.substr(at + 8, c.size);
        if (c.id == "RIFF" || c.id == "LIST") {
            if (c.size < 4) return error = c.id + " without a type", false;
            c.listType = c.data.substr(0, 4);
            if (!readChunks(bytes, at + 12, at + 8 + c.size, c.children, error)) return false;
        }
        at += 8 + std::size_t(c.size);
        if (c.size & 1) {
            if (at >= end || bytes[at] != '\0') return error = c.id + " lacks its pad byte", false;
            ++at;
        }
        out.push_back(std::move(c));
    }
    return true;
}

// The one RIFF chunk that makes up the whole file; an empty id on a defect.
inline Chunk readRiff(const std::string& bytes, std::string& error) {
    std::vector<Chunk> top;
    if (!readChunks(bytes, 0, bytes.size(), top, error)) return {};
    if (top.size() != 1 || top[0].id != "RIFF") return error = "not one RIFF chunk", Chunk{};
    return top[0];
}

} // namespace riff_test
