// The AVI writer: a RIFF 'AVI ' form with the header list (main header, one stream list per
// stream), the 'movi' list of frame and audio chunks in play order, and the 'idx1' index.
#include "tools/avi_writer.h"

#include <algorithm>
#include <fstream>

namespace tools {
namespace {

// Format facts used below.
constexpr std::uint32_t kAvifHasIndex = 0x10;       // avih: the file has an idx1 chunk
constexpr std::uint32_t kAvifIsInterleaved = 0x100; // avih: audio and video chunks alternate
constexpr std::uint32_t kAviifKeyFrame = 0x10;      // idx1: the chunk decodes on its own
constexpr std::uint32_t kMainHeaderBytes = 56;      // avih
constexpr std::uint32_t kStreamHeaderBytes = 56;    // strh, with the 16-bit frame rectangle
constexpr std::uint32_t kBitmapInfoBytes = 40;      // strf of a video stream: BITMAPINFOHEADER
constexpr std::uint32_t kWaveFormatBytes = 18;      // strf of an audio stream: WAVEFORMATEX
constexpr std::uint32_t kIndexEntryBytes = 16;      // idx1: id, flags, offset, size
constexpr int kMaxSampleRate = 1000000;
constexpr int kMaxChannels = 16;

std::uint64_t padded(std::uint64_t size) {
    return size + (size & 1);
}

bool isJpegFrame(const std::string& frame, int width, int height) {
    int w = 0, h = 0;
    return frame.size() >= 4 && jpegFrameSize(frame, w, h) && w == width && h == height &&
           static_cast<unsigned char>(frame[frame.size() - 2]) == 0xFF &&
           static_cast<unsigned char>(frame[frame.size() - 1]) == 0xD9;
}

// Little-endian output with chunks whose sizes are filled in when they are closed.
class RiffOutput {
public:
    explicit RiffOutput(std::uint64_t reserve) { m_bytes.reserve(std::size_t(reserve)); }

    void u16(std::uint32_t v) {
        m_bytes.push_back(char(v & 0xFF));
        m_bytes.push_back(char((v >> 8) & 0xFF));
    }
    void u32(std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void fourcc(const char* id) { m_bytes.append(id, 4); }
    void bytes(const void* data, std::size_t size) {
        m_bytes.append(static_cast<const char*>(data), size);
    }
    std::size_t position() const { return m_bytes.size(); }

    // A chunk: id and size, then its data; close() patches the size and pads to an even length.
    std::size_t open(const char* id) {
        fourcc(id);
        const std::size_t sizeAt = position();
        u32(0);
        return sizeAt;
    }
    std::size_t openList(const char* type) {
        const std::size_t sizeAt = open("LIST");
        fourcc(type);
        return sizeAt;
    }
    void close(std::size_t sizeAt) {
        // makeAvi checked the whole file against the 32-bit limit before writing.
        const auto size = std::uint32_t(position() - sizeAt - 4);
        for (int i = 0; i < 4; ++i)
            m_bytes[sizeAt + std::size_t(i)] = char((size >> (8 * i)) & 0xFF);
        if (size & 1) m_bytes.push_back('\0');
    }
    std::string take() { return std::move(m_bytes); }

private:
    std::string m_bytes;
};

struct IndexEntry {
    const char* id;
    std::uint32_t offset; // of the chunk's id, from the 'movi' fourcc
    std::uint32_t size;   // of the chunk's data, without its padding
};

} // namespace

bool jpegFrameSize(const std::string& jpeg, int& width, int& height) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(jpeg[i]); };
    if (jpeg.size() < 2 || byte(0) != 0xFF || byte(1) != 0xD8) return false;
    std::size_t at = 2;
    while (at + 1 < jpeg.size()) {
        if (byte(at) != 0xFF) return false;
        const unsigned char marker = byte(at + 1);
        if (marker == 0xFF) { // fill byte before a marker
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) { // markers without a length
            at += 2;
            continue;
        }
        if (marker == 0xD8 || marker == 0xD9)
            return false; // a second start, or an end before
                          // any frame header
        if (at + 4 > jpeg.size()) return false;
        const std::size_t length = std::size_t(byte(at + 2)) << 8 | byte(at + 3);
        if (length < 2 || at + 2 + length > jpeg.size()) return false;
        // SOF0..SOF15 except DHT (C4), JPG (C8) and DAC (CC): precision, height, width, ...
        const bool frameHeader =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frameHeader) {
            if (length < 8) return false;
            height = int(byte(at + 5)) << 8 | byte(at + 6);
            width = int(byte(at + 7)) << 8 | byte(at + 8);
            return width > 0 && height > 0; // height 0 (set later by a DNL marker) is not taken
        }
        if (marker == 0xDA) return false; // scan data before a frame header
        at += 2 + length;
    }
    return false;
}

std::string makeAvi(const AviVideo& video) {
    return makeAvi(video, kMaxAviBytes);
}

std::string makeAvi(const AviVideo& video, std::uint64_t maxFileBytes) {
    const std::uint64_t limit = std::min(maxFileBytes, kMaxAviBytes);
    if (video.width < 1 || video.width > kMaxAviSide || video.height < 1 ||
        video.height > kMaxAviSide || video.framesPerSecond < 1 ||
        video.framesPerSecond > kMaxAviFramesPerSecond || video.jpegFrames.empty())
        return {};
    for (const std::string& frame : video.jpegFrames)
        if (!isJpegFrame(frame, video.width, video.height)) return {};

    const bool audio = !video.audioPcm.empty();
    std::uint32_t blockAlign = 0, bytesPerSecond = 0;
    if (audio) {
        if (video.audioSampleRate < 1 || video.audioSampleRate > kMaxSampleRate ||
            video.audioChannels < 1 || video.audioChannels > kMaxChannels ||
            (video.audioBitsPerSample != 8 && video.audioBitsPerSample != 16 &&
             video.audioBitsPerSample != 24 && video.audioBitsPerSample != 32))
            return {};
        blockAlign = std::uint32_t(video.audioChannels * video.audioBitsPerSample / 8);
        bytesPerSecond = std::uint32_t(video.audioSampleRate) * blockAlign; // at most 64 000 000
        if (video.audioPcm.size() % blockAlign != 0 || video.audioPcm.size() > limit) return {};
    }

    // One audio chunk after each frame with that frame's share of the sample frames; a frame
    // whose share is empty has no audio chunk.
    const std::uint64_t frames = video.jpegFrames.size();
    const std::uint64_t sampleFrames = audio ? video.audioPcm.size() / blockAlign : 0;
    auto audioStart = [&](std::uint64_t frame) {
        return sampleFrames * frame / frames * blockAlign;
    };

    // Every size before anything is written: the RIFF size fields are 32-bit.
    std::uint64_t moviBytes = 4, entries = 0, largestFrame = 0, largestAudio = 0;
    for (std::uint64_t i = 0; i < frames; ++i) {
        const std::uint64_t frameBytes = video.jpegFrames[i].size();
        moviBytes += 8 + padded(frameBytes);
        largestFrame = std::max(largestFrame, frameBytes);
        ++entries;
        const std::uint64_t audioBytes = audioStart(i + 1) - audioStart(i);
        if (audioBytes > 0) {
            moviBytes += 8 + padded(audioBytes);
            largestAudio = std::max(largestAudio, audioBytes);
            ++entries;
        }
    }
    const std::uint64_t videoListBytes = 4 + 8 + kStreamHeaderBytes + 8 + kBitmapInfoBytes;
    const std::uint64_t audioListBytes = 4 + 8 + kStreamHeaderBytes + 8 + kWaveFormatBytes;
    const std::uint64_t headerListBytes =
        4 + 8 + kMainHeaderBytes + 8 + videoListBytes + (audio ? 8 + audioListBytes : 0);
    const std::uint64_t fileBytes =
        8 + 4 + 8 + headerListBytes + 8 + moviBytes + 8 + entries * kIndexEntryBytes;
    if (fileBytes > limit) return {};

    const auto width = std::uint32_t(video.width), height = std::uint32_t(video.height);
    const auto fps = std::uint32_t(video.framesPerSecond);
    const std::uint64_t peakRate = largestFrame * fps + bytesPerSecond;

    RiffOutput out(fileBytes);
    const std::size_t riff = out.open("RIFF");
    out.fourcc("AVI ");
    const std::size_t hdrl = out.openList("hdrl");
    {
        const std::size_t avih = out.open("avih");
        out.u32((1000000 + fps / 2) / fps); // microseconds per frame
        out.u32(std::uint32_t(std::min<std::uint64_t>(peakRate, 0xFFFFFFFFu))); // max bytes/s
        out.u32(0);                                                             // padding
        out.u32(kAvifHasIndex | (audio ? kAvifIsInterleaved : 0));
        out.u32(std::uint32_t(frames));
        out.u32(0); // initial frames
        out.u32(audio ? 2 : 1);
        out.u32(std::uint32_t(std::max(largestFrame, largestAudio))); // suggested buffer size
        out.u32(width);
        out.u32(height);
        for (int i = 0; i < 4; ++i)
            out.u32(0); // reserved
        out.close(avih);
    }
    {
        const std::size_t strl = out.openList("strl");
        const std::size_t strh = out.open("strh");
        out.fourcc("vids");
        out.fourcc("MJPG");
        out.u32(0);                           // flags
        out.u16(0);                           // priority
        out.u16(0);                           // language
        out.u32(0);                           // initial frames
        out.u32(1);                           // scale: a frame lasts scale / rate seconds
        out.u32(fps);                         // rate
        out.u32(0);                           // start
        out.u32(std::uint32_t(frames));       // length, in frames
        out.u32(std::uint32_t(largestFrame)); // suggested buffer size
        out.u32(0xFFFFFFFFu);                 // quality: the decoder's default
        out.u32(0);                           // sample size: frames vary in size
        out.u16(0);                           // frame rectangle: left, top, right, bottom
        out.u16(0);
        out.u16(width);
        out.u16(height);
        out.close(strh);
        const std::size_t strf = out.open("strf");
        out.u32(kBitmapInfoBytes);
        out.u32(width);
        out.u32(height);
        out.u16(1);  // planes
        out.u16(24); // bits per pixel once decoded
        out.fourcc("MJPG");
        out.u32(width * height * 3); // at most 3 * 32767 * 32767, below 2^32
        for (int i = 0; i < 4; ++i)
            out.u32(0); // pixels per metre x and y, colours used, colours important
        out.close(strf);
        out.close(strl);
    }
    if (audio) {
        const std::size_t strl = out.openList("strl");
        const std::size_t strh = out.open("strh");
        out.fourcc("auds");
        out.u32(0); // handler: none for PCM
        out.u32(0); // flags
        out.u16(0); // priority
        out.u16(0); // language
        out.u32(0); // initial frames
        // A block of all channels' samples lasts scale / rate seconds; the length counts blocks.
        out.u32(blockAlign);
        out.u32(bytesPerSecond);
        out.u32(0);
        out.u32(std::uint32_t(sampleFrames));
        out.u32(std::uint32_t(largestAudio));
        out.u32(0xFFFFFFFFu);
        out.u32(blockAlign); // sample size
        for (int i = 0; i < 4; ++i)
            out.u16(0);
        out.close(strh);
        const std::size_t strf = out.open("strf");
        out.u16(1); // PCM
        out.u16(std::uint32_t(video.audioChannels));
        out.u32(std::uint32_t(video.audioSampleRate));
        out.u32(bytesPerSecond);
        out.u16(blockAlign);
        out.u16(std::uint32_t(video.audioBitsPerSample));
        out.u16(0); // no extra format bytes
        out.close(strf);
        out.close(strl);
    }
    out.close(hdrl);

    std::vector<IndexEntry> index;
    index.reserve(std::size_t(entries));
    const std::size_t movi = out.openList("movi");
    const std::size_t moviFourcc = movi + 4;
    auto chunk = [&](const char* id, const void* data, std::size_t size) {
        index.push_back({id, std::uint32_t(out.position() - moviFourcc), std::uint32_t(size)});
        const std::size_t at = out.open(id);
        out.bytes(data, size);
        out.close(at);
    };
    for (std::uint64_t i = 0; i < frames; ++i) {
        const std::string& frame = video.jpegFrames[i];
        chunk("00dc", frame.data(), frame.size());
        const std::uint64_t from = audioStart(i), to = audioStart(i + 1);
        if (to > from) chunk("01wb", video.audioPcm.data() + from, std::size_t(to - from));
    }
    out.close(movi);

    const std::size_t idx1 = out.open("idx1");
    for (const IndexEntry& e : index) {
        out.fourcc(e.id);
        out.u32(kAviifKeyFrame); // every JPEG frame and every PCM chunk stands alone
        out.u32(e.offset);
        out.u32(e.size);
    }
    out.close(idx1);
    out.close(riff);
    return out.take();
}

bool writeAvi(const std::string& path, const AviVideo& video) {
    const std::string bytes = makeAvi(video);
    if (bytes.empty()) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out.flush());
}

} // namespace tools
