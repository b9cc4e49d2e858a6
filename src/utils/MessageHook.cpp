#include "utils/MessageHook.h"

#include <cstdio>
#include <utility>

namespace {
TMessageHook& MessageHook() {
  static TMessageHook hook;
  return hook;
}

TConnectingIndicationHook& IndicationHook() {
  static TConnectingIndicationHook hook;
  return hook;
}

const char* KindWord(TMsgDlgType AType) {
  switch (AType) {
    case mtWarning:
      return "warning";
    case mtError:
      return "error";
    case mtInformation:
      return "information";
    case mtConfirmation:
      return "confirmation";
    default:
      return "message";
  }
}

// The button that takes the focus when the message box opens, and its result.
int DefaultResult(TMsgDlgButtons AButtons) {
  static constexpr std::pair<TMsgDlgButtons, TModalResult> kOrder[] = {
      {mbYes, mrYes},       {mbYesToAll, mrYesToAll}, {mbNo, mrNo},       {mbNoToAll, mrNoToAll},
      {mbOK, mrOk},         {mbCancel, mrCancel},     {mbAbort, mrAbort}, {mbRetry, mrRetry},
      {mbIgnore, mrIgnore}, {mbAll, mrAll},
  };
  for (const auto& [button, result] : kOrder)
    if (AButtons & button) return result;
  return mrNone;
}
}  // namespace

TMessageHook SetMessageHook(TMessageHook AHook) {
  return std::exchange(MessageHook(), std::move(AHook));
}

TConnectingIndicationHook SetConnectingIndicationHook(TConnectingIndicationHook AHook) {
  return std::exchange(IndicationHook(), std::move(AHook));
}

int ShowMessageDlg(const std::string& AMsg, TMsgDlgType ADlgType, TMsgDlgButtons AButtons,
                   std::int32_t AHelpCtx) {
  // A copy: the hook may install another one while it runs.
  const TMessageHook hook = MessageHook();
  if (hook) return hook(AMsg, ADlgType, AButtons, AHelpCtx);
  std::fprintf(stderr, "%s: %s\n", KindWord(ADlgType), AMsg.c_str());
  return DefaultResult(AButtons);
}

void ShowConnectingIndication(bool AVisible) {
  const TConnectingIndicationHook hook = IndicationHook();
  if (hook) hook(AVisible);
}
