#include "models/HdlcRecordStore.h"

#include <algorithm>

#include "models/ClockPictures.h"

namespace sim {

namespace {

constexpr std::size_t kFrameDataSize = 256;
constexpr unsigned char kEmberSizeMark = 0xB8;

std::string threeBytes(std::uint32_t AValue) {
  std::string s;
  for (int i = 0; i < 3; ++i) s += static_cast<char>((AValue >> (8 * i)) & 0xFF);
  return s;
}

std::uint32_t readThree(const std::string& AData, std::size_t AFrom) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 3; ++i)
    v |= static_cast<std::uint32_t>(static_cast<unsigned char>(AData[AFrom + i])) << (8 * i);
  return v;
}

}  // namespace

std::shared_ptr<HdlcRecordStore> HdlcRecordStore::install(HdlcClockModel& AClock,
                                                          std::vector<ClockRecord> ARecords,
                                                          std::int32_t AReadPointer) {
  std::shared_ptr<HdlcRecordStore> store(new HdlcRecordStore(AClock, AReadPointer));
  for (auto& r : ARecords) store->addRecord(std::move(r));
  AClock.onCommand(0x20, [store](const std::string& AData) { return store->block(AData); });
  AClock.onCommand(0x21, [store](const std::string& AData) {
    // The block sent last is in the computer now: the clock lets it go.
    const std::size_t n = std::min(store->FSentInBlock, store->FRecords.size());
    store->FRecords.erase(store->FRecords.begin(),
                          store->FRecords.begin() + static_cast<std::ptrdiff_t>(n));
    store->FReadPointer += static_cast<std::int32_t>(n);
    store->FReleased += static_cast<int>(n);
    store->FSentInBlock = 0;
    store->syncStatus();
    return store->block(AData);
  });
  HdlcClockModel::Handler earlier = AClock.commandHandler('Q');
  AClock.onCommand('Q', [store, earlier](const std::string& AData) -> std::string {
    if (AData.size() >= 2 && AData[1] == '\x20') {
      std::string bytes;
      const auto v = static_cast<std::uint32_t>(store->FReadPointer);
      for (int i = 0; i < 4; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
      return bytes;
    }
    return earlier ? earlier(AData) : std::string();
  });
  AClock.onCommandFrames('0',
                         [store](const std::string& AData) { return store->pictureFrames(AData); });
  AClock.onCommand('2', [store](const std::string& AData) { return store->ember(AData); });
  return store;
}

HdlcRecordStore::HdlcRecordStore(HdlcClockModel& AClock, std::int32_t AReadPointer)
    : FClock(AClock), FReadPointer(AReadPointer) {
  syncStatus();
}

void HdlcRecordStore::addRecord(ClockRecord ARecord) {
  FRecords.push_back(std::move(ARecord));
  syncStatus();
}

void HdlcRecordStore::syncStatus() {
  FClock.RecordCount = static_cast<int>(FRecords.size());
}

std::string HdlcRecordStore::recordPiece(const ClockRecord& ARecord, SimCalendar ACalendar) {
  std::uint64_t card = 0;
  for (char ch : ARecord.Card)
    if (ch >= '0' && ch <= '9') card = card * 10 + static_cast<std::uint64_t>(ch - '0');
  std::string p;
  for (int i = 0; i < 5; ++i) p += static_cast<char>((card >> (8 * i)) & 0xFF);
  const auto& w = ARecord.When;
  p += static_cast<char>(w.Year - (ACalendar == SimCalendar::Solar ? 1300 : 2000));
  for (int part : {w.Month, w.Day, w.Hour, w.Minute, 0}) p += static_cast<char>(part);
  int kinds = 0;
  if (ARecord.Event & 1) kinds |= 0x08;
  if (ARecord.Event & 2) kinds |= 0x10;
  if (ARecord.RecType2 == "02") kinds |= 0xC0;
  if (ARecord.RecType2 == "03") kinds |= 0x80;
  p += static_cast<char>(kinds);
  p += static_cast<char>((ARecord.Finger ? 0x01 : 0) | (ARecord.CardUsed ? 0x02 : 0) |
                         (ARecord.Camera ? 0x04 : 0));
  unsigned char x = 0;
  for (unsigned char ch : p) x ^= ch;
  p += static_cast<char>(x);
  return p;
}

std::string HdlcRecordStore::block(const std::string& ACommand) {
  FSentInBlock = std::min(static_cast<std::size_t>(std::max(RecordsPerBlock, 1)), FRecords.size());
  if (FSentInBlock == 0) return std::string(1, EmptyAnswer);
  std::string data = FClock.DateTimePrefix;
  for (std::size_t i = 0; i < FSentInBlock; ++i) {
    std::string piece = recordPiece(FRecords[i], FClock.Calendar);
    if (i == 0 && FClock.Shaper.take(MisbehaviourKind::CorruptRecord, ACommand))
      piece.back() = static_cast<char>(piece.back() ^ 0x21);
    data += piece;
  }
  return data;
}

const ClockRecord* HdlcRecordStore::recordAt(std::int64_t AIndex) const {
  const std::int64_t at = AIndex - FReadPointer;
  if (at < 0 || at >= static_cast<std::int64_t>(FRecords.size())) return nullptr;
  return &FRecords[static_cast<std::size_t>(at)];
}

std::vector<std::string> HdlcRecordStore::pictureFrames(const std::string& ACommand) {
  std::string picture;
  if (ACommand.size() >= 4) {
    // The index carries 24 bits of the memory position.
    const std::uint32_t index = readThree(ACommand, 1);
    const std::int64_t base = FReadPointer & ~std::int64_t{0xFFFFFF};
    if (const ClockRecord* r = recordAt(base + index)) picture = r->Picture;
  }
  auto blocks = imageBlocks(picture);
  spoilImageBlocks(blocks, FClock.Shaper, ACommand);
  std::vector<std::string> frames;
  for (const auto& b : blocks) {
    frames.push_back(b.substr(0, kFrameDataSize));
    frames.push_back(b.substr(kFrameDataSize, kFrameDataSize));
  }
  return frames;
}

std::string HdlcRecordStore::ember(const std::string& ACommand) {
  if (ACommand.size() < 5) return {};
  const std::string index = ACommand.substr(2, 3);
  const std::int64_t base = FReadPointer & ~std::int64_t{0xFFFFFF};
  const ClockRecord* r = recordAt(base + readThree(ACommand, 2));
  const std::string picture = r ? r->Picture : std::string();
  const std::size_t packets = (picture.size() + EmberPacketSize - 1) / EmberPacketSize;
  if (ACommand[1] == 'S') {
    if (packets == 0) return "2";
    return "S" + index + static_cast<char>(kEmberSizeMark) +
           threeBytes(static_cast<std::uint32_t>(packets));
  }
  if (ACommand[1] == 'D' && ACommand.size() >= 8) {
    std::uint32_t number = readThree(ACommand, 5);
    if (FClock.Shaper.take(MisbehaviourKind::LostBlock, ACommand)) return {};
    const std::string bytes = number < packets
                                  ? picture.substr(number * EmberPacketSize, EmberPacketSize)
                                  : std::string();
    if (FClock.Shaper.take(MisbehaviourKind::WrongBlockNumber, ACommand)) ++number;
    return "D" + index + threeBytes(number) + bytes;
  }
  return {};
}

}  // namespace sim
