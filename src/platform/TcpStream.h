#pragma once
#include <memory>
#include <string>

// A blocking TCP byte stream to one peer, for protocols that wait for each answer in turn (the
// face-recognition terminals). Errors never raise: a failed connect or send returns false, a
// closed stream reads as "".
class ITcpStream {
 public:
  virtual ~ITcpStream() = default;
  // Connects, waiting at most ATimeoutMs.
  virtual bool open(const std::string& AHost, int APort, int ATimeoutMs) = 0;
  // Lets what was written go out, then closes.
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // Hands every byte to the stream; false when the stream is closed or fails.
  virtual bool send(const std::string& ABytes) = 0;
  // The bytes that arrive within ATimeoutMs ("" when none came or the stream closed), at most
  // what the stream holds (256 KiB); the rest waits for the next call.
  virtual std::string receive(int ATimeoutMs) = 0;
};

// The stream on QTcpSocket in blocking mode, with the system's real time. The Qt platform hands
// it out; a virtual platform may too, for peers that listen on loopback.
std::unique_ptr<ITcpStream> CreateQtTcpStream();
