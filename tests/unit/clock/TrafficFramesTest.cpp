// A line's traffic cut into protocol frames whatever the chunks were, each with its meaning: the
// text protocols (tries, a paced command, a reply in pieces, the bus framing), HDLC (several
// frames in a chunk, a frame across chunks, a record block), the modem dialogue.
#include <gtest/gtest.h>

#include "clock/TrafficFrames.h"
#include "link/ByteUtils.h"
#include "link/HdlcFrame.h"

namespace {

constexpr auto Tx = TTrafficDirection::Tx;
constexpr auto Rx = TTrafficDirection::Rx;

struct Chunk {
  TTrafficDirection Direction;
  std::string Bytes;
  std::uint32_t Tick;
};

struct Expected {
  TTrafficDirection Direction;
  std::string Bytes;
  std::string Meaning;
};

std::vector<TTrafficFrame> Frames(TProtocol AProtocol, const std::vector<Chunk>& AChunks) {
  TTrafficFramer framer;
  std::vector<TTrafficFrame> out;
  for (const Chunk& c : AChunks) {
    auto frames = framer.Add(AProtocol, c.Direction, c.Bytes, c.Tick);
    out.insert(out.end(), frames.begin(), frames.end());
  }
  auto rest = framer.Flush();
  out.insert(out.end(), rest.begin(), rest.end());
  return out;
}

void ExpectFrames(const std::vector<TTrafficFrame>& AActual, const std::vector<Expected>& AWanted) {
  ASSERT_EQ(AActual.size(), AWanted.size());
  for (std::size_t i = 0; i < AWanted.size(); ++i) {
    EXPECT_EQ(AActual[i].Direction, AWanted[i].Direction) << i;
    EXPECT_EQ(AActual[i].Bytes, AWanted[i].Bytes) << i;
    EXPECT_EQ(AActual[i].Meaning, AWanted[i].Meaning) << i;
  }
}

// An HDLC record of card 12345, 1403/09/17 08:01, as a clock keeps it (14 bytes with its check).
std::string HdlcRecordPiece() {
  std::string p = {'\x39', '\x30', 0, 0, 0, 103, 9, 17, 8, 1, 0, 0, 0};
  p += static_cast<char>(XorChecksum(p));
  return p;
}

THdlcPacket Answer(std::uint8_t AClock, const std::string& AData) {
  THdlcPacket p;
  p.SourceAddress = AClock;
  p.DestAddress = HdlcComputerAddress;
  p.Ack = true;
  p.Data = AData;
  return p;
}

TEST(TrafficFrames, TextTriesPacedCommandAndAReplyInPieces) {
  const std::string one("\x01", 1);
  ExpectFrames(Frames(RS232, {{Tx, one, 0}, {Tx, one, 800}, {Tx, one, 1600}}),
               {{Tx, one, "status?"}, {Tx, one, "status?"}, {Tx, one, "status?"}});

  // At 57600 baud a command goes out a byte every 20 ms: one command all the same.
  ExpectFrames(Frames(RS232, {{Tx, "A", 0},
                              {Tx, "F", 20},
                              {Tx, "V", 40},
                              {Tx, "?", 60},
                              {Tx, "\r", 80},
                              {Rx, "VER 3.", 90},
                              {Rx, "10\r", 95}}),
               {{Tx, "AFV?\r", "firmware?"}, {Rx, "VER 3.10\r", "firmware VER 3.10"}});

  const std::string head("\x01\x01\x01", 3);
  ExpectFrames(
      Frames(RS232, {{Tx, "\x05", 0},
                     {Rx, head + "1403", 5},
                     {Rx, "0918", 6},
                     {Rx, "51030\r5", 7},
                     {Tx, "\x03", 10},
                     {Rx, head + "00012345091708010000A\r", 15},
                     {Rx, "F", 16},
                     {Tx, "\x09", 20},
                     {Rx, "\x04", 25}}),
      {{Tx, "\x05", "date and time?"},
       {Rx, head + "14030918" + "51030\r5", "date and time 1403/09/18 10:30"},
       {Tx, "\x03", "record?"},
       {Rx, head + "00012345091708010000A\rF", "record 12345 09/17 08:01"},
       {Tx, "\x09", "release the record"},
       {Rx, "\x04", "released"}});
}

TEST(TrafficFrames, BusCommandsTellTheClockAndItsWrappedAnswer) {
  const std::string status = EncodeRS485Frame(12, std::string("\x01", 1));
  const std::string name = EncodeRS485Frame(3, std::string("\x18", 1));
  const std::string firmware = EncodeRS485Frame(3, "AFV?\r");
  ExpectFrames(Frames(RS485, {{Tx, status, 0},
                              {Rx, std::string("\x01\x01\x01", 3) + "1\r1", 5},
                              {Tx, name, 10},
                              {Tx, firmware, 800}}),
               {{Tx, status, "status? clock 12"},
                {Rx, std::string("\x01\x01\x01", 3) + "1\r1", "status: empty"},
                {Tx, name, "name? clock 3"},
                {Tx, firmware, "firmware? clock 3"}});
}

TEST(TrafficFrames, HdlcFramesAreCutAtTheirFlagsWhateverTheChunks) {
  const std::string session = BuildOpenSessionFrame(5);
  const std::string status = BuildHdlcCommand(5, std::string("\x02", 1));
  const std::string block = BuildHdlcCommand(5, std::string("\x20", 1));
  THdlcPacket granted = Answer(5, std::string(1, '\0'));
  granted.Session = true;
  const std::string grant = BuildHdlcFrame(granted);
  const std::string full = BuildHdlcFrame(Answer(5, std::string("\x01", 1)));
  const std::string records = BuildHdlcFrame(Answer(5, "XY" + HdlcRecordPiece() + HdlcRecordPiece()));
  // Noise before a flag is a frame of its own; two answers may come in one chunk, and one
  // answer in two.
  const auto frames = Frames(ptHdlc, {{Tx, session, 0},
                                      {Rx, "\xFF" + grant + full.substr(0, 4), 10},
                                      {Rx, full.substr(4), 12},
                                      {Tx, status, 20},
                                      {Tx, block, 30},
                                      {Rx, records.substr(0, 9), 40},
                                      {Rx, records.substr(9), 41}});
  ExpectFrames(frames, {{Tx, session, "session request, clock 5"},
                        {Rx, "\xFF", "HDLC frame that does not check"},
                        {Rx, grant, "from clock 5: ack session, 1 byte(s) of data"},
                        {Rx, full, "from clock 5: ack, 1 byte(s) of data"},
                        {Tx, status, "status? clock 5"},
                        {Tx, block, "record block? clock 5"},
                        {Rx, records,
                         "from clock 5: ack, 2 record(s), first: record 12345 1403/09/17 08:01"}});
}

TEST(TrafficFrames, ModemCommandsAndItsAnswerLines) {
  const auto frames = Frames(RS232, {{Tx, "ATD123\r", 0},
                                     {Rx, "\r\nCONN", 100},
                                     {Rx, "ECT 9600\r\n", 120},
                                     {Tx, "\x01", 200},
                                     {Rx, "0", 210},
                                     {Tx, "+++", 300},
                                     {Rx, "\r\nOK\r\n", 1400},
                                     {Tx, "ATH0\r", 1410},
                                     {Rx, "\r\nOK\r\n", 1500}});
  ExpectFrames(frames, {{Tx, "ATD123\r", "dial 123 (ATD)"},
                        {Rx, "\r\nCONNECT 9600\r\n", "modem: CONNECT 9600"},
                        {Tx, "\x01", "status?"},
                        {Rx, "0", "status: records"},
                        {Tx, "+++", "modem escape to command mode (+++)"},
                        {Rx, "\r\nOK\r\n", "modem: OK"},
                        {Tx, "ATH0\r", "hang up (ATH0)"},
                        {Rx, "\r\nOK\r\n", "modem: OK"}});
}

}  // namespace
