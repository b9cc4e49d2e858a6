// Throughput of the pure functions on the byte path: framing, checksums, reply cleaning, record
// decoding, the calendar conversions and the CSV row of a record.
#include <benchmark/benchmark.h>

#include <random>

#include "calendar/PersianCalendar.h"
#include "clock/RecordDecoding.h"
#include "connections/RecordCsv.h"
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

// A short-form text record as it comes off the line (stray bytes, CR), cleaned, checked and
// decoded.
void BM_TextRecordDecoding(benchmark::State& AState) {
  const std::string body = "12345678" "0917" "0815" "01" "00" "A";
  std::string reply = "\x33\x01\x01\x01";
  reply += body;
  reply += static_cast<char>(XorChecksum(body));
  reply += '\r';
  const TRecordClockDate date{1403, 9, 18};
  for (auto _ : AState) {
    const std::string cleaned = CleanRecordReply(reply);
    TVexRecord record;
    if (!IsValidRecordReply(cleaned, KRTal, date) ||
        !DecodeTextRecord(cleaned, KRTal, date, record))
      AState.SkipWithError("the record was refused");
    benchmark::DoNotOptimize(record);
  }
  AState.SetItemsProcessed(static_cast<std::int64_t>(AState.iterations()));
}
BENCHMARK(BM_TextRecordDecoding);

// An HDLC record block of three records, split and each record decoded into the solar calendar.
void BM_HdlcRecordBlockDecoding(benchmark::State& AState) {
  std::string block = "XY";
  for (int i = 0; i < 3; ++i) {
    std::string piece = {static_cast<char>(0x39 + i), 0x30, 0, 0, 0, 103, 9, 17, 8,
                         static_cast<char>(i), 0, 0x08, 0x02};
    unsigned char check = 0;
    for (char c : piece) check ^= static_cast<unsigned char>(c);
    block += piece + static_cast<char>(check);
  }
  for (auto _ : AState) {
    for (const std::string& piece : SplitHdlcRecordBlock(block)) {
      TVexRecord record;
      if (DecodeHdlcRecordPiece(piece, 1, Solar, record) != THdlcRecordOutcome::Decoded)
        AState.SkipWithError("the record was refused");
      benchmark::DoNotOptimize(record);
    }
  }
  AState.SetItemsProcessed(static_cast<std::int64_t>(AState.iterations() * 3));
}
BENCHMARK(BM_HdlcRecordBlockDecoding);

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

// A terminal's record as its CSV row, appended to the rows before it as a whole-log dump does.
void BM_CsvRow(benchmark::State& AState) {
  TDumpEntry entry;
  entry.ClockNumber = 1;
  entry.Release = TRecordRelease::WholeLog;
  entry.Record.KartNo = "10042";
  entry.Record.Date = "1405/09/17";
  entry.Record.Time = "08:15";
  entry.Record.Second = 42;
  entry.Record.RecType1 = "00";
  entry.Record.RecType2 = "00";
  entry.Record.SequenceCode = 'A';
  entry.Day = RecordDay(entry.Record.Date, Solar, 1405);
  std::string rows;
  for (auto _ : AState) {
    // A gathered piece of rows, written out and used again.
    if (rows.size() > 64 * 1024) rows.clear();
    benchmark::DoNotOptimize(TRecordCsvFile::AppendRow(rows, entry, true));
  }
  AState.SetItemsProcessed(static_cast<std::int64_t>(AState.iterations()));
}
BENCHMARK(BM_CsvRow);
