#pragma once
// How the core reaches the user. The core shows its few messages (the upgrade notice of old
// firmware, for one) through ShowMessageDlg and its connecting indication through
// ShowConnectingIndication; whoever presents them (the window, the command line, a test) installs
// a hook. Without a hook, messages go to the standard error stream and the indication is skipped.
// Texts are UTF-8.
#include <cstdint>
#include <functional>
#include <string>

// The kind of a message; the codes are those of the message box.
enum TMsgDlgType : std::uint8_t {
  mtWarning = 0,
  mtError = 1,
  mtInformation = 2,
  mtConfirmation = 3,
  mtCustom = 4
};

// A set of buttons, one bit each.
using TMsgDlgButtons = std::uint16_t;
inline constexpr TMsgDlgButtons mbYes = 1;
inline constexpr TMsgDlgButtons mbNo = 2;
inline constexpr TMsgDlgButtons mbOK = 4;
inline constexpr TMsgDlgButtons mbCancel = 8;
inline constexpr TMsgDlgButtons mbAbort = 16;
inline constexpr TMsgDlgButtons mbRetry = 32;
inline constexpr TMsgDlgButtons mbIgnore = 64;
inline constexpr TMsgDlgButtons mbAll = 128;
inline constexpr TMsgDlgButtons mbNoToAll = 256;
inline constexpr TMsgDlgButtons mbYesToAll = 512;
inline constexpr TMsgDlgButtons mbHelp = 1024;

// The result of a message: the button chosen.
enum TModalResult : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
  mrAll = 8,
  mrNoToAll = 9,
  mrYesToAll = 10
};

using TMessageHook = std::function<int(const std::string& AMsg, TMsgDlgType ADlgType,
                                       TMsgDlgButtons AButtons, std::int32_t AHelpCtx)>;
// AVisible true: show that a connection is being made; false: take the indication away.
using TConnectingIndicationHook = std::function<void(bool AVisible)>;

// Installs AHook (an empty one removes it) and returns the one installed before.
TMessageHook SetMessageHook(TMessageHook AHook);
TConnectingIndicationHook SetConnectingIndicationHook(TConnectingIndicationHook AHook);

// Shows AMsg and returns the modal result of the button chosen. Without a hook the message goes
// to the standard error stream and the result is that of the button the message box would give
// the focus to (as if the user pressed Enter): Yes, Yes to all, No, No to all, OK, Cancel,
// Abort, Retry, Ignore, All, in this order of preference; mrNone for no button or Help alone.
int ShowMessageDlg(const std::string& AMsg, TMsgDlgType ADlgType, TMsgDlgButtons AButtons,
                   std::int32_t AHelpCtx = 0);

// Shows or removes the connecting indication; nothing without a hook.
void ShowConnectingIndication(bool AVisible);

// Installs hooks for the lifetime of the object and puts the earlier ones back afterwards.
class TScopedMessageHook {
 public:
  explicit TScopedMessageHook(TMessageHook AHook) : FPrevious(SetMessageHook(std::move(AHook))) {}
  ~TScopedMessageHook() { SetMessageHook(std::move(FPrevious)); }
  TScopedMessageHook(const TScopedMessageHook&) = delete;
  TScopedMessageHook& operator=(const TScopedMessageHook&) = delete;

 private:
  TMessageHook FPrevious;
};

class TScopedConnectingIndicationHook {
 public:
  explicit TScopedConnectingIndicationHook(TConnectingIndicationHook AHook)
      : FPrevious(SetConnectingIndicationHook(std::move(AHook))) {}
  ~TScopedConnectingIndicationHook() { SetConnectingIndicationHook(std::move(FPrevious)); }
  TScopedConnectingIndicationHook(const TScopedConnectingIndicationHook&) = delete;
  TScopedConnectingIndicationHook& operator=(const TScopedConnectingIndicationHook&) = delete;

 private:
  TConnectingIndicationHook FPrevious;
};
