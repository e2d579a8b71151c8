// The mixer's slots and the channel sounds' byte scan, without a game around them.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/media/mixer.h"
#include "platform/media/wave_scan.h"
#include "sound/sound_test_util.h"

namespace veloria {
namespace {

std::shared_ptr<PcmBuffer> constant(int16_t value, size_t frames) {
  auto p = std::make_shared<PcmBuffer>();
  p->samples.assign(frames * 2, value);
  return p;
}

TEST(Mixer, SlotsAddReplaceStopAndReportTheirEnd) {
  Mixer m;
  std::vector<int16_t> out(200 * 2);
  uint32_t a = m.start(0, std::make_unique<MemorySource>(constant(1000, 100), false), true);
  uint32_t b = m.start(7, std::make_unique<MemorySource>(constant(2000, 1000), true), false);
  EXPECT_TRUE(m.playing(0));
  EXPECT_TRUE(m.playing(7));
  m.mix(out.data(), 200);
  EXPECT_NEAR(out[0], 3000, 1);
  EXPECT_NEAR(out[199 * 2], 2000, 1) << "slot 0 ended after 100 frames";
  std::vector<Mixer::EndEvent> ended;
  m.collect(ended);
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].slot, 0);
  EXPECT_EQ(ended[0].serial, a);
  EXPECT_TRUE(ended[0].notify);
  EXPECT_FALSE(m.playing(0));
  EXPECT_TRUE(m.playing(7));

  // Replacing a slot frees the old source without an end event; the gain stays with the slot.
  m.setGain(7, 0.5f);
  uint32_t c = m.start(7, std::make_unique<MemorySource>(constant(-4000, 1000), false), false);
  EXPECT_NE(c, b);
  m.mix(out.data(), 10);
  EXPECT_NEAR(out[0], -2000, 1);
  m.stop(7);
  EXPECT_FALSE(m.playing(7));
  m.mix(out.data(), 10);
  EXPECT_EQ(out[0], 0);
  ended.clear();
  m.collect(ended);
  EXPECT_TRUE(ended.empty());
  EXPECT_TRUE(m.quiet());
}

TEST(Mixer, LoudSumsClipInsteadOfWrapping) {
  Mixer m;
  for (int s = 0; s < 4; ++s) m.start(s, std::make_unique<MemorySource>(constant(30000, 10), false), false);
  std::vector<int16_t> out(10 * 2);
  m.mix(out.data(), 10);
  EXPECT_EQ(out[0], 32767);
}

TEST(Mixer, ABackedUpQueueRefusesRatherThanBlocks) {
  Mixer m;
  int accepted = 0;
  // Nobody mixes: the commands pile up until the queue is full.
  for (int i = 0; i < 1000; ++i)
    accepted += m.start(i % Mixer::kSlots, std::make_unique<MemorySource>(constant(1, 1), false), false) != 0;
  EXPECT_GT(accepted, 0);
  EXPECT_LT(accepted, 1000);
  std::vector<int16_t> out(4);
  m.mix(out.data(), 2);  // everything queued is taken; nothing leaks (the sanitizer build checks)
}

std::vector<uint8_t> bytesOf(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

TEST(WaveScan, FindsFmtAndDataByPlainScanning) {
  // After a mismatch the byte is not tried again as a first byte: "ffmt " is not found.
  auto b = bytesOf("ffmt xxfmt ");
  EXPECT_EQ(scanForTag(b, 0, "fmt "), std::optional<size_t>(11));
  auto c = bytesOf("dadata");
  EXPECT_FALSE(scanForTag(c, 0, "data").has_value());
  auto d = bytesOf("xdata");
  EXPECT_EQ(scanForTag(d, 0, "data"), std::optional<size_t>(5));

  std::string tone = test::toneWav(1000, 10, 8000, 1, 16);
  auto toneBytes = bytesOf(tone);
  auto w = scanWave(toneBytes);
  ASSERT_TRUE(w.has_value());
  EXPECT_EQ(w->format.sampleRate, 8000u);
  EXPECT_EQ(w->data.size(), 160u);

  // A longer format record: its first fields are read, the data is found after it.
  std::string longFmt = tone;
  longFmt.replace(16, 4, std::string("\x14\0\0\0", 4));
  longFmt.insert(36, std::string(4, '\0'));
  auto longBytes = bytesOf(longFmt);
  auto lw = scanWave(longBytes);
  ASSERT_TRUE(lw.has_value());
  EXPECT_EQ(lw->format.bitsPerSample, 16);
  EXPECT_EQ(lw->data.size(), 160u);

  // A declared length past the end of the file means the rest of the file.
  std::string cut = tone.substr(0, tone.size() - 60);
  EXPECT_EQ(scanWave(bytesOf(cut))->data.size(), 100u);
  EXPECT_FALSE(scanWave(bytesOf(tone.substr(0, 30))).has_value()) << "record shorter than 16 bytes";
  EXPECT_FALSE(scanWave(bytesOf("RIFF....WAVE")).has_value());
}

TEST(WaveScan, DecodesEveryPcmWidthToTheMixRate) {
  struct Case {
    int bits, tag;
    std::string sample;  // one frame at about half scale
  } cases[] = {
      {8, 1, std::string("\xC0", 1)},
      {16, 1, std::string("\x00\x40", 2)},
      {24, 1, std::string("\x00\x00\x40", 3)},
      {32, 1, std::string("\x00\x00\x00\x40", 4)},
      {32, 3, std::string("\x00\x00\x00\x3F", 4)},
  };
  for (const auto& c : cases) {
    std::string data;
    for (int i = 0; i < 4410; ++i) data += c.sample;
    std::string file = test::wavHeader(44100, 1, c.bits, static_cast<uint32_t>(data.size()), c.tag) + data;
    auto bytes = bytesOf(file);
    auto w = scanWave(bytes);
    ASSERT_TRUE(w.has_value());
    auto pcm = decodeScannedWave(*w);
    ASSERT_NE(pcm, nullptr) << c.bits;
    ASSERT_EQ(pcm->frames(), 4410u);
    EXPECT_NEAR(pcm->samples[2000], 16384, 200) << c.bits << " bits";
    EXPECT_EQ(pcm->samples[2000], pcm->samples[2001]) << "mono plays on both sides";
  }
  // Float samples that are no numbers (NaN, infinities) play as silence, also after a rate
  // change, where the converter would spread them into NaN.
  for (uint32_t rate : {44100u, 22050u}) {
    std::string data;
    for (int i = 0; i < 2000; ++i) data += std::string(i % 2 ? "\x00\x00\x80\x7F" : "\x00\x00\xC0\x7F", 4);
    auto bytes = bytesOf(test::wavHeader(rate, 1, 32, static_cast<uint32_t>(data.size()), 3) + data);
    auto pcm = decodeScannedWave(*scanWave(bytes));
    ASSERT_NE(pcm, nullptr);
    for (int16_t s : pcm->samples) ASSERT_EQ(s, 0) << rate;
  }
  auto adpcm = bytesOf(test::wavHeader(22050, 1, 4, 8, 2) + std::string(8, '\0'));
  EXPECT_EQ(decodeScannedWave(*scanWave(adpcm)), nullptr);
  auto noChannels = bytesOf(test::wavHeader(22050, 0, 16, 8) + std::string(8, '\0'));
  EXPECT_EQ(decodeScannedWave(*scanWave(noChannels)), nullptr);
}

}  // namespace
}  // namespace veloria
