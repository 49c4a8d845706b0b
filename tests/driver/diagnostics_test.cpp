// Trace output, the alert box and the switch that keeps trace points quiet.
#include "driver/diagnostics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32.h"

namespace zeb::driver {
namespace {

std::string captured_trace(void (*write)()) {
  testing::internal::CaptureStdout();
  write();
  std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

TEST(DebugSwitch, IsOffAtStart) { EXPECT_EQ(debug_switch, 0); }

TEST(DebugLog, WritesFormattedTextUnchangedToStandardOutput) {
  EXPECT_EQ(captured_trace([] { debug_log("valor de ret %d \n", 42); }), "valor de ret 42 \n");
  EXPECT_EQ(captured_trace([] { debug_log("%s|%c|%u", "x", 'y', 7u); }), "x|y|7");
  EXPECT_EQ(captured_trace([] { debug_log("%s", ""); }), "");
}

TEST(DebugLog, PercentSignInArgumentsIsWrittenAsIs) {
  EXPECT_EQ(captured_trace([] { debug_log("%s", "100% sure, %d %s %%"); }), "100% sure, %d %s %%");
  EXPECT_EQ(captured_trace([] { debug_log("50%% of %d", 8); }), "50% of 8");
}

TEST(DebugLog, CallerKeepsItsLastErrorValue) {
  const DWORD codes[] = {0u, ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, 0xFFFFFFFFu};
  for (const DWORD code : codes) {
    testing::internal::CaptureStdout();
    SetLastError(code);
    debug_log("trace %u\n", static_cast<unsigned>(code));
    const DWORD after = GetLastError();
    // A refused text must not disturb it either.
    SetLastError(code);
    debug_log("%*s", static_cast<int>(kDebugLogMaxLength + 1), "");
    const DWORD after_refusal = GetLastError();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(after, code);
    EXPECT_EQ(after_refusal, code);
  }
}

TEST(DebugLog, TextAtTheLimitIsWrittenWholeAndLongerIsRefused) {
  const std::string at_limit =
      captured_trace([] { debug_log("%*s", static_cast<int>(kDebugLogMaxLength), "z"); });
  ASSERT_EQ(at_limit.size(), kDebugLogMaxLength);
  EXPECT_EQ(at_limit.back(), 'z');
  EXPECT_EQ(at_limit.find_first_not_of(' '), kDebugLogMaxLength - 1);
  EXPECT_EQ(captured_trace([] { debug_log("%*s", static_cast<int>(kDebugLogMaxLength + 1), "z"); }),
            "");
  EXPECT_EQ(captured_trace([] { debug_log("%*s", 3 * static_cast<int>(kDebugLogMaxLength), ""); }),
            "");
}

// What the fake prompt saw and what it answers.
struct PromptLog {
  int calls = 0;
  std::string text;
  std::string caption;
  unsigned style = 0;
  int answer = IDOK;
};
PromptLog prompt_log;

int recording_prompt(const char* text, const char* caption, unsigned style) {
  ++prompt_log.calls;
  prompt_log.text = text;
  prompt_log.caption = caption;
  prompt_log.style = style;
  // Seen by death tests, which only read the child's standard error.
  if (prompt_log.answer != IDOK) std::fputs("[prompted]", stderr);
  return prompt_log.answer;
}

void note_exit_handlers() { std::fputs("[exit handlers ran]", stderr); }

class AlertBox : public testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    prompt_log = PromptLog{};
    previous_ = set_alert_prompt(&recording_prompt);
  }
  void TearDown() override { set_alert_prompt(previous_); }

 private:
  AlertPrompt previous_ = nullptr;
};

TEST_F(AlertBox, AnsweredOkReturnsAfterShowingTheTextUnderDebugCaption) {
  alert_box("value %d of %s, 100%%", 3, "x");
  EXPECT_EQ(prompt_log.calls, 1);
  EXPECT_EQ(prompt_log.text, "value 3 of x, 100%");
  EXPECT_EQ(prompt_log.caption, "Debug");
  EXPECT_EQ(prompt_log.style, static_cast<unsigned>(MB_OKCANCEL | MB_TOPMOST));
}

TEST_F(AlertBox, TextAtTheLimitIsShownWhole) {
  alert_box("%*s", static_cast<int>(kAlertBoxMaxLength), "!");
  ASSERT_EQ(prompt_log.calls, 1);
  EXPECT_EQ(prompt_log.text.size(), kAlertBoxMaxLength);
  EXPECT_EQ(prompt_log.text.back(), '!');
}

TEST_F(AlertBox, EveryAnswerButOkExitsWithStatusOneThroughExitHandlers) {
  const int answers[] = {IDCANCEL, 0, 3, -1};
  for (const int answer : answers) {
    prompt_log.answer = answer;
    EXPECT_EXIT(
        {
          std::atexit(note_exit_handlers);
          alert_box("stop?");
        },
        testing::ExitedWithCode(1), "^\\[prompted\\]\\[exit handlers ran\\]$")
        << "answer " << answer;
  }
}

TEST_F(AlertBox, TooLongTextIsNeverShownAndEndsTheProcess) {
  EXPECT_EXIT(
      {
        std::atexit(note_exit_handlers);
        alert_box("%*s", static_cast<int>(kAlertBoxMaxLength + 1), "");
      },
      testing::ExitedWithCode(1), "^\\[exit handlers ran\\]$");
}

}  // namespace
}  // namespace zeb::driver
