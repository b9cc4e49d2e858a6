#pragma once
// A line of the virtual platform with one simulated clock behind a wire that can misbehave, for
// the fault matrix: the clock speaks the text protocol on RS232, sits on an RS485 bus, or speaks
// HDLC; the faults are the models' own misbehaviour switches plus what a bad line does to any
// reply (noise between replies, a reply cut off in the middle, a megabyte of noise).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "clock/ops/OpsFixture.h"
#include "models/ClockPictures.h"
#include "models/HdlcClockModel.h"
#include "models/HdlcRecordStore.h"
#include "models/Rs485BusModel.h"
#include "models/TextClockModel.h"

#if defined(__SANITIZE_ADDRESS__)
#define FAULTS_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FAULTS_UNDER_ASAN 1
#endif
#endif
#ifdef FAULTS_UNDER_ASAN
// From the sanitizer runtime (GCC ships no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace faults {

// Bytes the process holds on its heap right now.
inline std::size_t HeapInUse() {
#ifdef FAULTS_UNDER_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

enum class Protocol { Text, Rs485, Hdlc };
enum class Connection { Cable, Tcp };

// What a bad line does to the replies of the device behind it.
class FaultyWire : public sim::DeviceModel {
 public:
  FaultyWire(sim::DeviceModel& AInner, sim::VirtualClock& AClock)
      : FInner(AInner), FClock(AClock) {}

  sim::ReplyPlan receive(const std::string& ABytes) override {
    sim::ReplyPlan plan = FInner.receive(ABytes);
    if (plan.empty()) return plan;
    const bool cut = CutReplies > 0 || FReplies == CutReplyIndex;
    ++FReplies;
    if (cut) {
      // The line goes dead in the middle of the reply: only its first half arrives.
      if (CutReplies > 0) --CutReplies;
      std::string bytes;
      for (const auto& piece : plan) bytes += piece.Bytes;
      const std::uint32_t at = plan.front().AtMs;
      plan = {{at, bytes.substr(0, bytes.size() / 2)}};
    }
    if (!TrailingGarbage.empty()) {
      // Noise after the reply, before the next command: a piece of its own.
      const std::uint32_t last = plan.back().AtMs;
      plan.push_back({last + 1, TrailingGarbage});
    }
    if (FloodBytes > 0 && !FFlooded) {
      // A stream of noise before the first reply; the reply follows the last piece.
      FFlooded = true;
      FFloodStart = FClock.elapsed();
      sim::ReplyPlan flooded;
      const std::size_t pieces = (FloodBytes + FloodPieceBytes - 1) / FloodPieceBytes;
      for (std::size_t i = 0; i < pieces; ++i) {
        const std::size_t size = std::min(FloodPieceBytes, FloodBytes - i * FloodPieceBytes);
        flooded.push_back({pieceAt(i), std::string(size, FloodByte)});
      }
      // It opens like a frame that never closes: the receiver collects it until it can no
      // longer be a frame.
      if (!flooded.empty()) flooded.front().Bytes.front() = FloodOpening;
      const std::uint32_t after = pieceAt(pieces);
      for (auto& piece : plan) flooded.push_back({after + piece.AtMs, std::move(piece.Bytes)});
      plan = std::move(flooded);
    }
    return plan;
  }
  void lineSettings(int ABaud, TParity AParity) override { FInner.lineSettings(ABaud, AParity); }

  // Replies the device has sent so far.
  int replies() const { return FReplies; }

  // Flood bytes that have not reached the line yet (they are still held by the wire).
  std::size_t floodBytesNotYetDue() const {
    if (!FFlooded) return 0;
    std::size_t pending = 0;
    const std::size_t pieces = (FloodBytes + FloodPieceBytes - 1) / FloodPieceBytes;
    for (std::size_t i = 0; i < pieces; ++i)
      if (FFloodStart + pieceAt(i) > FClock.elapsed())
        pending += std::min(FloodPieceBytes, FloodBytes - i * FloodPieceBytes);
    return pending;
  }

  // The next CutReplies replies are cut, and the one with the index CutReplyIndex (counting the
  // device's replies from 0).
  int CutReplies = 0;
  int CutReplyIndex = -1;
  std::string TrailingGarbage;
  std::size_t FloodBytes = 0;
  std::size_t FloodPieceBytes = 1 << 20;
  std::uint32_t FloodGapMs = 0;
  char FloodByte = '\x55';
  char FloodOpening = '\x7E';

 private:
  std::uint32_t pieceAt(std::size_t AIndex) const {
    return 5 + static_cast<std::uint32_t>(AIndex) * FloodGapMs;
  }
  sim::DeviceModel& FInner;
  sim::VirtualClock& FClock;
  int FReplies = 0;
  bool FFlooded = false;
  std::uint64_t FFloodStart = 0;
};

// One clock number 1 on a line of the given protocol and connection, with a wire that can
// misbehave between them. The clock holds one record, card 1234 of 1403/09/17 08:01 (solar),
// taken with a picture of kPictureSize bytes; the text clock has a camera.
class FaultLineTest : public opstest::OpsTest {
 protected:
  void build(Protocol AProtocol, Connection AConnection) {
    FProtocol = AProtocol;
    sim::TextClockSettings settings;
    sim::ClockRecord record;
    record.Card = "1234";
    record.When = {1403, 9, 17, 8, 1, 0};
    record.Camera = true;
    record.Picture = Picture();
    settings.Records.push_back(record);
    settings.Camera = true;
    if (AProtocol == Protocol::Text) {
      FText = std::make_unique<sim::TextClockModel>(settings);
      FInner = FText.get();
    } else if (AProtocol == Protocol::Rs485) {
      FBus = std::make_unique<sim::Rs485BusModel>();
      FBus->addClock(settings);
      FInner = FBus.get();
    } else {
      FHdlc = std::make_unique<sim::HdlcClockModel>(1);
      FStore = sim::HdlcRecordStore::install(*FHdlc, settings.Records);
      FInner = FHdlc.get();
    }
    Wire = std::make_unique<FaultyWire>(*FInner, vp.P.Clock);
    vp.P.Wire.setModel(Wire.get());
    line = std::make_unique<TClockSet>();
    line->SetProtocol(AProtocol == Protocol::Text    ? RS232
                      : AProtocol == Protocol::Rs485 ? RS485
                                                     : ptHdlc);
    if (AConnection == Connection::Tcp) {
      line->ChangeConnectionType(TcpIp);
      line->ChangeSocketAddress("127.0.0.1");
      line->ChangeSocketPort(1001);
    }
  }

  static constexpr std::size_t kPictureSize = 700;
  static std::string Picture() { return sim::samplePicture(kPictureSize, 7); }

  TBasicClock& clock() { return *line->Clocks().front(); }
  // Records the clock still holds.
  std::size_t recordsLeft() {
    if (FStore) return FStore->records().size();
    return textClock() ? textClock()->records().size() : 0;
  }
  // The text clock, alone or on the bus; nullptr on an HDLC line.
  sim::TextClockModel* textClock() { return FText ? FText.get() : FBus ? FBus->clock(1) : nullptr; }
  sim::HdlcClockModel* hdlcClock() { return FHdlc.get(); }
  Protocol protocol() const { return FProtocol; }

  std::unique_ptr<FaultyWire> Wire;
  std::unique_ptr<TClockSet> line;

 private:
  Protocol FProtocol = Protocol::Text;
  std::unique_ptr<sim::TextClockModel> FText;
  std::unique_ptr<sim::Rs485BusModel> FBus;
  std::unique_ptr<sim::HdlcClockModel> FHdlc;
  std::shared_ptr<sim::HdlcRecordStore> FStore;
  sim::DeviceModel* FInner = nullptr;
};

}  // namespace faults
