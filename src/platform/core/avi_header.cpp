// The AVI header walk: RIFF "AVI " -> LIST "hdrl" -> "avih" and LIST "strl" ("strh", "strf").
#include "platform/core/avi_header.h"

#include <cstdint>
#include <optional>

namespace platform {
namespace {

// A chunk is a four-character id, a 32-bit little-endian size and the body, padded to an even
// length. A list chunk ("RIFF", "LIST") starts its body with a four-character type.
struct Chunk {
    std::string_view id;
    std::string_view body; // as much of it as the bytes hold
};

std::uint32_t le32(std::string_view bytes, std::size_t at) {
    const auto b = [&](std::size_t i) { return std::uint32_t(std::uint8_t(bytes[at + i])); };
    return b(0) | (b(1) << 8) | (b(2) << 16) | (b(3) << 24);
}

// Reads the chunk at *pos and moves *pos behind it (past the end when the chunk is cut short).
std::optional<Chunk> nextChunk(std::string_view bytes, std::size_t* pos) {
    if (*pos > bytes.size() || bytes.size() - *pos < 8) return std::nullopt;
    const std::uint64_t size = le32(bytes, *pos + 4);
    const std::size_t bodyStart = *pos + 8;
    const std::uint64_t available = bytes.size() - bodyStart;
    Chunk chunk{bytes.substr(*pos, 4),
                bytes.substr(bodyStart, std::size_t(size < available ? size : available))};
    const std::uint64_t next = std::uint64_t(bodyStart) + size + (size & 1);
    *pos = next < bytes.size() ? std::size_t(next) : bytes.size() + 1;
    return chunk;
}

bool validSide(std::int64_t side) {
    return side >= 1 && side <= kAviMaxFrameSide;
}

std::optional<VideoFrameSize> sizeOf(std::int64_t width, std::int64_t height) {
    if (height < 0) height = -height;
    if (!validSide(width) || !validSide(height)) return std::nullopt;
    return VideoFrameSize{int(width), int(height)};
}

// The frame size of a stream list when it is a video stream with a BITMAPINFOHEADER (biSize,
// biWidth, biHeight: at least 12 bytes of it).
std::optional<VideoFrameSize> streamFrameSize(std::string_view strl) {
    bool video = false;
    std::size_t pos = 0;
    while (const auto chunk = nextChunk(strl, &pos)) {
        if (chunk->id == "strh") {
            video = chunk->body.size() >= 4 && chunk->body.substr(0, 4) == "vids";
        } else if (chunk->id == "strf" && video) {
            if (chunk->body.size() < 12) return std::nullopt;
            return sizeOf(std::int32_t(le32(chunk->body, 4)), std::int32_t(le32(chunk->body, 8)));
        }
    }
    return std::nullopt;
}

} // namespace

bool aviFrameSize(std::string_view head, VideoFrameSize* out) {
    if (head.size() < 12 || head.substr(0, 4) != "RIFF" || head.substr(8, 4) != "AVI ")
        return false;
    std::size_t pos = 12;
    while (const auto chunk = nextChunk(head, &pos)) {
        if (chunk->id != "LIST" || chunk->body.substr(0, 4) != "hdrl") continue;
        const std::string_view hdrl = chunk->body.substr(4);
        std::optional<VideoFrameSize> mainSize;
        std::size_t inner = 0;
        while (const auto part = nextChunk(hdrl, &inner)) {
            // avih: dwMicroSecPerFrame ... dwWidth at 32, dwHeight at 36 (56 bytes in all). Some
            // writers leave it 0 x 0 and give the size in the stream format only.
            if (part->id == "avih" && part->body.size() >= 40) {
                if (!mainSize) mainSize = sizeOf(le32(part->body, 32), le32(part->body, 36));
            } else if (part->id == "LIST" && part->body.substr(0, 4) == "strl") {
                if (const auto size = streamFrameSize(part->body.substr(4))) {
                    if (out) *out = *size;
                    return true;
                }
            }
        }
        if (!mainSize) return false;
        if (out) *out = *mainSize;
        return true;
    }
    return false;
}

} // namespace platform
