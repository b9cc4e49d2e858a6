// Throughput of the pure functions on the byte path: framing, checksums, reply cleaning and the
// calendar conversions.
#include <benchmark/benchmark.h>

#include <random>

#include "calendar/PersianCalendar.h"
#include "link/ByteUtils.h"
#include "link/HdlcCrc.h"
#include "link/HdlcFrame.h"
#include "link/HdlcStreamReceiver.h"

namespace {
std::string RandomBytes(std::size_t ACount, unsigned ASeed) {
  std::mt19937 rng(ASeed);
  std::string s(ACount, '\0');
  for (auto& c : s) c = static_cast<char>(rng() & 0xFF);
  return s;
}

void BM_HdlcCrc(benchmark::State& AState) {
  const std::string data = RandomBytes(static_cast<std::size_t>(AState.range(0)), 1);
  for (auto _ : AState) benchmark::DoNotOptimize(CalcHdlcCrc(data));
  AState.SetBytesProcessed(static_cast<std::int64_t>(AState.iterations()) * AState.range(0));
}
BENCHMARK(BM_HdlcCrc)->Arg(16)->Arg(1024)->Arg(65535);

void BM_HdlcBuild(benchmark::State& AState) {
  THdlcPacket packet;
  packet.SourceAddress = 1;
  packet.DestAddress = 5;
  packet.Data = RandomBytes(static_cast<std::size_t>(AState.range(0)), 2);
  for (auto _ : AState) benchmark::DoNotOptimize(BuildHdlcFrame(packet));
  AState.SetBytesProcessed(static_cast<std::int64_t>(AState.iterations()) * AState.range(0));
}
BENCHMARK(BM_HdlcBuild)->Arg(16)->Arg(1024)->Arg(65535);

void BM_HdlcParse(benchmark::State& AState) {
  THdlcPacket packet;
  packet.SourceAddress = 5;
  packet.DestAddress = 1;
  packet.Data = RandomBytes(static_cast<std::size_t>(AState.range(0)), 3);
  const std::string frame = BuildHdlcFrame(packet);
  THdlcPacket parsed;
  for (auto _ : AState) benchmark::DoNotOptimize(ParseHdlcFrame(frame, parsed));
  AState.SetBytesProcessed(static_cast<std::int64_t>(AState.iterations()) * AState.range(0));
}
BENCHMARK(BM_HdlcParse)->Arg(16)->Arg(1024)->Arg(65535);

// The receiver as the session layer feeds it: one byte per read.
void BM_HdlcReceiveByteByByte(benchmark::State& AState) {
  THdlcPacket packet;
  packet.SourceAddress = 5;
  packet.DestAddress = 1;
  packet.Data = RandomBytes(1024, 4);
  const std::string frame = BuildHdlcFrame(packet);
  for (auto _ : AState) {
    THdlcStreamReceiver receiver;
    for (char c : frame) receiver.feed(std::string_view(&c, 1));
    benchmark::DoNotOptimize(receiver.takePacket());
  }
  AState.SetBytesProcessed(static_cast<std::int64_t>(AState.iterations() * frame.size()));
}
BENCHMARK(BM_HdlcReceiveByteByByte);

// A record reply arriving in three pieces behind two stray bytes, cleaned after each arrival.
void BM_ReplyCleaning(benchmark::State& AState) {
  std::string reply = "\x33\x34";
  reply += std::string(3, '\x01') + "1234567812091030000A\r";
  reply += static_cast<char>(XorChecksum(reply.substr(5)));
  const std::size_t third = reply.size() / 3;
  for (auto _ : AState) {
    std::string collected;
    for (std::size_t at = 0; at < reply.size(); at += third) {
      collected += reply.substr(at, third);
      CleanReplyAfterArrival(collected, std::string(3, '\x01'), RS485);
    }
    benchmark::DoNotOptimize(collected);
  }
}
BENCHMARK(BM_ReplyCleaning);

void BM_SolarToChristian(benchmark::State& AState) {
  std::uint16_t day = 1;
  for (auto _ : AState) {
    TSolarDate d;
    d.Year = 1405;
    d.Month = 9;
    d.Day = day;
    day = static_cast<std::uint16_t>(day % 28 + 1);
    benchmark::DoNotOptimize(SolarToChristian(d));
  }
  AState.SetItemsProcessed(static_cast<std::int64_t>(AState.iterations()));
}
BENCHMARK(BM_SolarToChristian);

void BM_ChristianToSolar(benchmark::State& AState) {
  TDateValue date = EncodeDate(2026, 12, 9);
  for (auto _ : AState) {
    benchmark::DoNotOptimize(ChristianToSolar(date));
    date += std::chrono::days(1);
  }
  AState.SetItemsProcessed(static_cast<std::int64_t>(AState.iterations()));
}
BENCHMARK(BM_ChristianToSolar);

}  // namespace
