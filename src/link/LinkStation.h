#pragma once
// One clock as its link talks to it.
#include "utils/ClockVocabulary.h"

// The HDLC session of one clock as this computer sees it. Every clock on a shared line has its
// own; the clock object keeps it.
struct THdlcSessionState {
  // The clock granted a session that has not been lost since.
  bool IsOpen = false;
  // A session check is under way: guards against re-entry and lets the session request itself
  // be written.
  bool InCheck = false;
  // An opening is under way: received frames are handed back without the session-loss test.
  bool InOpen = false;
};

// What a link operation needs to know of the clock it talks to. The clock object builds one for
// every call from its own fields.
struct TLinkStation {
  // The clock's address on the line (RS485 address, HDLC station).
  TClockNumber ClockNumber = 1;
  // Sets how often a command is tried (the face terminals are asked once).
  TClockType ClockType = MX4100;
  // A detection is under way: text replies are awaited with the short detection timeouts.
  bool InDetection = false;
  // A quick probe (0: none): the command goes out once, and its reply, like the answer to the
  // HDLC session request before it, is awaited this many milliseconds.
  int ProbeTimeoutMs = 0;
  // The clock's HDLC session; never nullptr.
  THdlcSessionState* Session = nullptr;
};
