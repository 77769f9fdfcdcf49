// The AVI writer, read back with a RIFF reader: the chunk tree, the headers' fields, the frame and
// audio chunks in play order, the index pointing at them, and the videos it refuses to write.
#include "tools/avi_writer.h"

#include "riff_reader.h"
#include "tests/support/temp_dir.h"
#include "tools/jpeg_writer.h"

#include <functional>

#include <gtest/gtest.h>

namespace {

using riff_test::Chunk;
using testing_support::TempDir;

// A JPEG of a gradient, with a comment segment added when that gives the wanted parity of size.
std::string frame(int width, int height, int seed, bool oddSize, bool progressive = false) {
    tools::RgbImage image{width, height, 3, {}};
    image.pixels.resize(std::size_t(width) * std::size_t(height) * 3);
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = std::uint8_t(i * std::size_t(seed + 1) / 7);
    std::string jpeg = tools::encodeJpeg(image, {70, progressive});
    if ((jpeg.size() % 2 == 1) != oddSize) jpeg.insert(2, std::string("\xFF\xFE\x00\x03x", 5));
    return jpeg;
}

tools::AviVideo video(int frames, int fps = 10) {
    tools::AviVideo v;
    v.width = 32;
    v.height = 24;
    v.framesPerSecond = fps;
    for (int i = 0; i < frames; ++i)
        v.jpegFrames.push_back(frame(32, 24, i, i % 2 == 1));
    return v;
}

std::vector<std::uint8_t> pcm(std::size_t bytes) {
    std::vector<std::uint8_t> out(bytes);
    for (std::size_t i = 0; i < bytes; ++i)
        out[i] = std::uint8_t(i * 37 + 11);
    return out;
}

// Checks the whole file against the video it was made from.
void expectAvi(const std::string& bytes, const tools::AviVideo& v) {
    std::string error;
    const Chunk riff = riff_test::readRiff(bytes, error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(riff.listType, "AVI ");
    ASSERT_EQ(riff.children.size(), 3u);
    const Chunk& hdrl = riff.children[0];
    const Chunk& movi = riff.children[1];
    const Chunk& idx1 = riff.children[2];
    ASSERT_EQ(hdrl.listType, "hdrl");
    ASSERT_EQ(movi.listType, "movi");
    ASSERT_EQ(idx1.id, "idx1");

    const bool audio = !v.audioPcm.empty();
    const std::uint32_t frames = std::uint32_t(v.jpegFrames.size());
    const std::uint32_t blockAlign = std::uint32_t(v.audioChannels * v.audioBitsPerSample / 8);
    const auto strls = hdrl.all("strl");
    ASSERT_EQ(hdrl.children.size(), 1 + strls.size());
    ASSERT_EQ(strls.size(), audio ? 2u : 1u);
    std::size_t largestFrame = 0;
    for (const std::string& f : v.jpegFrames)
        largestFrame = std::max(largestFrame, f.size());

    const Chunk* avih = hdrl.find("avih");
    ASSERT_TRUE(avih && hdrl.children[0].id == "avih");
    ASSERT_EQ(avih->size, 56u);
    EXPECT_EQ(avih->u32(0),
              (1000000u + std::uint32_t(v.framesPerSecond) / 2) / std::uint32_t(v.framesPerSecond));
    EXPECT_EQ(avih->u32(12), audio ? 0x110u : 0x10u) << "has an index; interleaved with audio";
    EXPECT_EQ(avih->u32(16), frames);
    EXPECT_EQ(avih->u32(24), strls.size());
    EXPECT_GE(avih->u32(28), largestFrame);
    EXPECT_EQ(avih->u32(32), std::uint32_t(v.width));
    EXPECT_EQ(avih->u32(36), std::uint32_t(v.height));

    const Chunk* strh = strls[0]->find("strh");
    const Chunk* strf = strls[0]->find("strf");
    ASSERT_TRUE(strh && strf);
    ASSERT_EQ(strh->size, 56u);
    EXPECT_EQ(strh->fourcc(0) + strh->fourcc(4), "vidsMJPG");
    EXPECT_EQ(strh->u32(20), 1u) << "scale";
    EXPECT_EQ(strh->u32(24), std::uint32_t(v.framesPerSecond)) << "rate";
    EXPECT_EQ(strh->u32(32), frames) << "length";
    EXPECT_EQ(strh->u32(36), largestFrame) << "suggested buffer size";
    EXPECT_EQ(strh->u32(44), 0u) << "sample size";
    EXPECT_EQ(strh->u16(52), std::uint32_t(v.width));
    EXPECT_EQ(strh->u16(54), std::uint32_t(v.height));
    ASSERT_EQ(strf->size, 40u);
    EXPECT_EQ(strf->u32(0), 40u);
    EXPECT_EQ(strf->u32(4), std::uint32_t(v.width));
    EXPECT_EQ(strf->u32(8), std::uint32_t(v.height));
    EXPECT_EQ(strf->u16(12), 1u);
    EXPECT_EQ(strf->u16(14), 24u);
    EXPECT_EQ(strf->fourcc(16), "MJPG");
    EXPECT_EQ(strf->u32(20), std::uint32_t(v.width * v.height * 3));

    if (audio) {
        const Chunk* ah = strls[1]->find("strh");
        const Chunk* af = strls[1]->find("strf");
        ASSERT_TRUE(ah && af);
        const std::uint32_t rate = std::uint32_t(v.audioSampleRate);
        EXPECT_EQ(ah->fourcc(0), "auds");
        EXPECT_EQ(ah->u32(20), blockAlign) << "scale";
        EXPECT_EQ(ah->u32(24), rate * blockAlign) << "rate";
        EXPECT_EQ(ah->u32(32), v.audioPcm.size() / blockAlign) << "length in sample frames";
        EXPECT_EQ(ah->u32(44), blockAlign) << "sample size";
        ASSERT_EQ(af->size, 18u);
        EXPECT_EQ(
            std::vector<std::uint32_t>({af->u16(0), af->u16(2), af->u32(4), af->u32(8), af->u16(12),
                                        af->u16(14), af->u16(16)}),
            std::vector<std::uint32_t>({1, std::uint32_t(v.audioChannels), rate, rate * blockAlign,
                                        blockAlign, std::uint32_t(v.audioBitsPerSample), 0}));
    }

    // Each frame's chunk holds its JPEG; at most one audio chunk follows it; together the audio
    // chunks hold all the samples, each of whole sample frames.
    std::size_t next = 0;
    std::string allAudio;
    for (std::uint32_t i = 0; i < frames; ++i) {
        ASSERT_LT(next, movi.children.size());
        EXPECT_EQ(movi.children[next].id, "00dc");
        EXPECT_EQ(movi.children[next++].data, v.jpegFrames[i]) << "frame " << i;
        if (next < movi.children.size() && movi.children[next].id == "01wb") {
            EXPECT_EQ(movi.children[next].size % blockAlign, 0u);
            allAudio += movi.children[next++].data;
        }
    }
    EXPECT_EQ(next, movi.children.size());
    EXPECT_EQ(allAudio, std::string(v.audioPcm.begin(), v.audioPcm.end()));

    // One index entry per chunk, in order, with offsets from the 'movi' fourcc.
    ASSERT_EQ(idx1.size, 16 * movi.children.size());
    for (std::size_t k = 0; k < movi.children.size(); ++k) {
        const Chunk& c = movi.children[k];
        EXPECT_EQ(idx1.fourcc(16 * k), c.id) << k;
        EXPECT_EQ(idx1.u32(16 * k + 4), 0x10u) << "key frame " << k;
        EXPECT_EQ(movi.offset + 8 + idx1.u32(16 * k + 8), c.offset) << k;
        EXPECT_EQ(idx1.u32(16 * k + 12), c.size) << k;
    }
}

TEST(AviWriter, WritesVideosAsTheyReadBack) {
    struct Case {
        const char* label;
        int frames, fps, rate, channels, bits;
        std::size_t audioBytes;
    };
    const Case cases[] = {
        {"one frame", 1, 15, 0, 1, 16, 0},
        {"odd and even frames", 5, 12, 0, 1, 16, 0},
        {"mono 16-bit", 6, 10, 22050, 1, 16, 2 * 22050 * 6 / 10},
        {"stereo 16-bit", 4, 25, 44100, 2, 16, 4 * 7057},
        {"8-bit, odd audio chunks", 3, 10, 11025, 1, 8, 3 * 1103},
        {"fewer samples than frames", 5, 10, 8000, 1, 16, 2 * 3},
        {"three channels of 24 bits", 2, 30, 8000, 3, 24, 9 * 101},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        tools::AviVideo v = video(c.frames, c.fps);
        v.audioSampleRate = c.rate;
        v.audioChannels = c.channels;
        v.audioBitsPerSample = c.bits;
        v.audioPcm = pcm(c.audioBytes);
        expectAvi(tools::makeAvi(v), v);
    }
}

TEST(AviWriter, RefusesInvalidVideos) {
    using Change = std::function<void(tools::AviVideo&)>;
    const std::pair<const char*, Change> cases[] = {
        {"no frames", [](tools::AviVideo& v) { v.jpegFrames.clear(); }},
        {"width 0", [](tools::AviVideo& v) { v.width = 0; }},
        {"negative height", [](tools::AviVideo& v) { v.height = -24; }},
        {"frames of another size", [](tools::AviVideo& v) { v.width = 33; }},
        {"one frame of another size",
         [](tools::AviVideo& v) { v.jpegFrames[1] = frame(24, 32, 1, false); }},
        {"0 frames per second", [](tools::AviVideo& v) { v.framesPerSecond = 0; }},
        {"1001 frames per second", [](tools::AviVideo& v) { v.framesPerSecond = 1001; }},
        {"a frame that is not a JPEG", [](tools::AviVideo& v) { v.jpegFrames[0] = "not a JPEG"; }},
        {"an empty frame", [](tools::AviVideo& v) { v.jpegFrames[2].clear(); }},
        {"a frame without its end",
         [](tools::AviVideo& v) { v.jpegFrames[0].resize(v.jpegFrames[0].size() - 2); }},
        {"a frame ending in another marker",
         [](tools::AviVideo& v) { v.jpegFrames[1].back() = '\xD8'; }},
        {"audio without a sample rate",
         [](tools::AviVideo& v) { v.audioSampleRate = 0, v.audioPcm = pcm(100); }},
        {"audio of 0 channels",
         [](tools::AviVideo& v) {
             v.audioSampleRate = 8000, v.audioChannels = 0, v.audioPcm = pcm(100);
         }},
        {"12-bit audio",
         [](tools::AviVideo& v) {
             v.audioSampleRate = 8000, v.audioBitsPerSample = 12, v.audioPcm = pcm(100);
         }},
        {"half a 16-bit sample",
         [](tools::AviVideo& v) { v.audioSampleRate = 8000, v.audioPcm = pcm(101); }},
    };
    for (const auto& [label, change] : cases) {
        tools::AviVideo v = video(3);
        ASSERT_FALSE(tools::makeAvi(v).empty()) << label;
        change(v);
        EXPECT_EQ(tools::makeAvi(v), "") << label;
    }
    TempDir dir;
    tools::AviVideo bad = video(0);
    EXPECT_FALSE(tools::writeAvi(dir.file("bad.avi"), bad));
    EXPECT_FALSE(std::filesystem::exists(dir.file("bad.avi")));
}

TEST(AviWriter, LimitsAtTheirBoundaries) {
    // The frame side: 32767 is the largest the 16-bit frame rectangle holds.
    for (const auto& [side, valid] : {std::pair{32766, true}, {32767, true}, {32768, false}}) {
        tools::AviVideo v;
        v.width = side;
        v.height = 1;
        v.jpegFrames = {frame(side, 1, 0, false)};
        EXPECT_EQ(tools::makeAvi(v).empty(), !valid) << side;
    }
    for (const auto& [fps, valid] : {std::pair{1, true}, {999, true}, {1000, true}, {1001, false}})
        EXPECT_EQ(tools::makeAvi(video(2, fps)).empty(), !valid) << fps;

    // The file size, checked before anything is written.
    tools::AviVideo v = video(3);
    v.audioSampleRate = 8000;
    v.audioPcm = pcm(600);
    const std::string full = tools::makeAvi(v);
    ASSERT_FALSE(full.empty());
    EXPECT_EQ(tools::makeAvi(v, full.size() - 1), "");
    EXPECT_EQ(tools::makeAvi(v, full.size()), full);
    EXPECT_EQ(tools::makeAvi(v, full.size() + 1), full);
    EXPECT_EQ(tools::makeAvi(v, tools::kMaxAviBytes + 1), full);
}

TEST(AviWriter, WritesTheFile) {
    TempDir dir;
    const tools::AviVideo v = video(2);
    ASSERT_TRUE(tools::writeAvi(dir.file("a.avi"), v));
    EXPECT_EQ(testing_support::readFile(dir.file("a.avi")), tools::makeAvi(v));
    EXPECT_FALSE(tools::writeAvi(dir.file("missing/a.avi"), v));
}

TEST(AviWriter, ReadsTheSizeOfJpegFrames) {
    const std::string baseline = frame(40, 30, 3, false);
    struct Case {
        const char* label;
        std::string bytes;
        bool ok;
        int width, height;
    };
    const Case cases[] = {
        {"baseline", baseline, true, 40, 30},
        {"progressive", frame(17, 9, 1, true, true), true, 17, 9},
        {"fill bytes before a marker", baseline.substr(0, 2) + "\xFF" + baseline.substr(2), true,
         40, 30},
        {"a Huffman table before the frame header",
         std::string("\xFF\xD8\xFF\xC4\x00\x08\x00\x11\x22\x33\x44\x55"
                     "\xFF\xC0\x00\x0B\x08\x00\x1E\x00\x28\x01\x01\x11\x00",
                     25),
         true, 40, 30},
        {"empty", "", false, 0, 0},
        {"no start marker", baseline.substr(2), false, 0, 0},
        {"only the start marker", baseline.substr(0, 2), false, 0, 0},
        {"a segment longer than the file", baseline.substr(0, 30), false, 0, 0},
        {"a segment length below 2", std::string("\xFF\xD8\xFF\xE0\x00\x01", 6), false, 0, 0},
        {"the end before a frame header", std::string("\xFF\xD8\xFF\xD9", 4), false, 0, 0},
        {"scan data before a frame header", std::string("\xFF\xD8\xFF\xDA\x00\x02", 6), false, 0,
         0},
        {"a frame header of 7 bytes",
         std::string("\xFF\xD8\xFF\xC0\x00\x07\x08\x00\x1E\x00\x28", 11), false, 0, 0},
        {"a frame header of height 0",
         std::string("\xFF\xD8\xFF\xC0\x00\x08\x08\x00\x00\x00\x28\x01", 12), false, 0, 0},
        {"no marker after a segment", std::string("\xFF\xD8\xFF\xE0\x00\x02\x00\x00", 8), false, 0,
         0},
    };
    for (const Case& c : cases) {
        int width = 0, height = 0;
        EXPECT_EQ(tools::jpegFrameSize(c.bytes, width, height), c.ok) << c.label;
        if (c.ok) {
            EXPECT_EQ(std::pair(width, height), std::pair(c.width, c.height)) << c.label;
        }
    }
}

} // namespace
