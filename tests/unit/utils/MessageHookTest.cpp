#include <gtest/gtest.h>

#include "utils/MessageHook.h"

namespace {

TEST(MessageHook, InstalledHookReceivesTheMessageAndGivesTheResult) {
  std::string text;
  TMsgDlgType type = mtCustom;
  TMsgDlgButtons buttons = 0;
  {
    TScopedMessageHook hook(
        [&](const std::string& AMsg, TMsgDlgType AType, TMsgDlgButtons AButtons, std::int32_t) {
          text = AMsg;
          type = AType;
          buttons = AButtons;
          return static_cast<int>(mrNo);
        });
    EXPECT_EQ(ShowMessageDlg("سلام", mtConfirmation, mbYes | mbNo), mrNo);
    EXPECT_EQ(text, "سلام");
    EXPECT_EQ(type, mtConfirmation);
    EXPECT_EQ(buttons, mbYes | mbNo);
    // Hooks nest: the inner one is in force while it lives.
    {
      TScopedMessageHook inner(
          [](const std::string&, TMsgDlgType, TMsgDlgButtons, std::int32_t) { return 42; });
      EXPECT_EQ(ShowMessageDlg("x", mtWarning, mbOK), 42);
    }
    EXPECT_EQ(ShowMessageDlg("y", mtWarning, mbOK), mrNo);
  }
}

TEST(MessageHook, WithoutHookTheFocusedButtonAnswers) {
  struct Case {
    TMsgDlgButtons Buttons;
    int Expected;
  };
  const Case cases[] = {
      {mbOK, mrOk},
      {mbYes | mbNo, mrYes},
      {mbNo | mbCancel, mrNo},
      {mbOK | mbCancel, mrOk},
      {mbAbort | mbRetry | mbIgnore, mrAbort},
      {mbHelp, mrNone},
      {0, mrNone},
  };
  testing::internal::CaptureStderr();
  for (const auto& c : cases) EXPECT_EQ(ShowMessageDlg("m", mtWarning, c.Buttons), c.Expected);
  const std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_NE(printed.find("warning: m"), std::string::npos);
}

TEST(ConnectingIndication, ShownAndRemovedThroughTheHookSkippedWithout) {
  ShowConnectingIndication(true);  // no hook: nothing happens
  std::vector<bool> seen;
  {
    TScopedConnectingIndicationHook hook([&](bool AVisible) { seen.push_back(AVisible); });
    ShowConnectingIndication(true);
    ShowConnectingIndication(false);
  }
  ShowConnectingIndication(true);
  EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

}  // namespace
