// The mouse watch's portable rules: classifying mouse messages, the location
// text, and arming and disarming over a fake hook installer.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "send/mouse_event.h"
#include "send/mouse_watch.h"

namespace moravel {
namespace {

namespace m = mouse_message;
using B = MouseButton;
using A = MouseAction;

struct ClassCase {
  unsigned message;
  std::uint32_t mouseData;
  MouseButton button;
  MouseAction action;
};

TEST(MouseClassification, Table) {
  const ClassCase cases[] = {
      {m::kLeftDown, 0, B::Left, A::Pressed},
      {m::kLeftUp, 0, B::Left, A::Released},
      {m::kLeftDoubleClick, 0, B::Left, A::DoubleClicked},
      {m::kRightDown, 0, B::Right, A::Pressed},
      {m::kRightUp, 0, B::Right, A::Released},
      {m::kRightDoubleClick, 0, B::Right, A::DoubleClicked},
      {m::kMiddleDown, 0, B::Middle, A::Pressed},
      {m::kMiddleUp, 0, B::Middle, A::Released},
      {m::kMiddleDoubleClick, 0, B::Middle, A::DoubleClicked},
      // The wheel's delta is the signed high half of the mouse data.
      {m::kWheel, 0x0078'0000u, B::Wheel, A::WheelForward},   // +120
      {m::kWheel, 0xFF88'0000u, B::Wheel, A::WheelBackward},  // -120
      {m::kWheel, 0x7FFF'0000u, B::Wheel, A::WheelForward},
      {m::kWheel, 0x8000'0000u, B::Wheel, A::WheelBackward},
      {m::kWheel, 0, B::None, A::None},
      // Bits in the low half are no delta.
      {m::kWheel, 0x0000'FFFFu, B::None, A::None},
      // Mouse data belongs to the wheel only.
      {m::kLeftUp, 0xFF88'0000u, B::Left, A::Released},
      {m::kMove, 0, B::None, A::None},
      {m::kExtraDown, 0x0001'0000u, B::None, A::None},
      {m::kExtraUp, 0x0002'0000u, B::None, A::None},
      {m::kExtraDoubleClick, 0x0001'0000u, B::None, A::None},
      {m::kHorizontalWheel, 0x0078'0000u, B::None, A::None},
      {0x0100 /* a keyboard message */, 0, B::None, A::None},
  };
  for (const ClassCase& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << "message 0x" << c.message << " data 0x"
                                    << c.mouseData);
    const MouseClass got = classifyMouseMessage(c.message, c.mouseData);
    EXPECT_EQ(got.button, c.button);
    EXPECT_EQ(got.action, c.action);
  }
}

TEST(LocationText, SignedDecimalAndRoundTripOfTheWindow) {
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  struct Case {
    std::int32_t window, x, y;
    const char* text;
  } const cases[] = {
      {655, -120, 35, "655|-120,35"},
      {0, 0, 0, "0|0,0"},
      {-2, 1279, 1023, "-2|1279,1023"},  // a handle with the top bit set
      {kMin, kMin, kMin, "-2147483648|-2147483648,-2147483648"},
      {kMax, kMax, kMax, "2147483647|2147483647,2147483647"},
  };
  for (const Case& c : cases) {
    const LocationText text(c.window, c.x, c.y);
    EXPECT_EQ(text.view(), c.text);
    EXPECT_EQ(std::string(text.c_str()), c.text);  // NUL-terminated
    EXPECT_EQ(windowNumberOf(text.view()), c.window) << c.text;
  }
}

TEST(LocationText, WindowNumberOfOtherTexts) {
  struct Case {
    const char* text;
    std::int32_t window;
  } const cases[] = {
      {"", 0},
      {"|1,2", 0},
      {"abc|1,2", 0},
      {"  42|1,2", 42},
      {"+42|1,2", 42},
      {"42", 42},
      {",42|1,2", 0},
      // Out of the 32-bit range: no window rather than a wrapped-around one.
      {"4294967297|1,2", 0},
      {"-2147483649|1,2", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(windowNumberOf(c.text), c.window) << c.text;
}

class FakeInstaller : public HookInstaller {
 public:
  HookHandle install() override {
    ++installs;
    return refuseInstall ? 0 : nextHandle++;
  }
  bool remove(HookHandle hook) override {
    removed.push_back(hook);
    return !refuseRemove;
  }
  int installs = 0;
  std::vector<HookHandle> removed;
  bool refuseInstall = false;
  bool refuseRemove = false;
  HookHandle nextHandle = 100;
};

struct Report {
  MouseButton button;
  MouseAction action;
  std::string location;
  std::string listener;
  friend bool operator==(const Report&, const Report&) = default;
};

class MouseWatchTest : public testing::Test {
 protected:
  MouseListener recorder(std::string name) {
    return [this, name](MouseButton b, MouseAction a, std::string_view location) {
      reports.push_back({b, a, std::string(location), name});
    };
  }
  void leftUp() { watch.report(m::kLeftUp, 0, 655, -120, 35); }

  FakeInstaller installer;
  MouseWatch watch{installer};
  std::vector<Report> reports;
};

TEST_F(MouseWatchTest, StartsDisarmedAndReportsNothing) {
  EXPECT_FALSE(watch.armed());
  leftUp();
  EXPECT_TRUE(reports.empty());
}

TEST_F(MouseWatchTest, ArmInstallsOnceAndKeepsTheFirstListener) {
  watch.arm(recorder("first"));
  EXPECT_TRUE(watch.armed());
  EXPECT_EQ(watch.hook(), 100u);
  watch.arm(recorder("second"));
  EXPECT_EQ(installer.installs, 1);
  EXPECT_EQ(watch.hook(), 100u);
  leftUp();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], (Report{B::Left, A::Released, "655|-120,35", "first"}));
}

TEST_F(MouseWatchTest, ReportsMovesAndWheelWithCompleteText) {
  watch.arm(recorder("l"));
  watch.report(m::kMove, 0, 7, 10, 20);
  watch.report(m::kWheel, 0xFF88'0000u, 7, -1, -2);
  watch.report(m::kExtraDown, 0x0001'0000u, 0, 3, 4);
  const std::vector<Report> expected = {
      {B::None, A::None, "7|10,20", "l"},
      {B::Wheel, A::WheelBackward, "7|-1,-2", "l"},
      {B::None, A::None, "0|3,4", "l"},
  };
  EXPECT_EQ(reports, expected);
}

TEST_F(MouseWatchTest, DisarmOfADisarmedWatchFailsAndChangesNothing) {
  EXPECT_FALSE(watch.disarm());
  EXPECT_TRUE(installer.removed.empty());
  watch.arm(recorder("l"));
  EXPECT_TRUE(watch.disarm());
  EXPECT_FALSE(watch.armed());
  EXPECT_FALSE(watch.disarm());
  EXPECT_EQ(installer.removed, std::vector<HookHandle>{100});
  leftUp();
  EXPECT_TRUE(reports.empty());
}

TEST_F(MouseWatchTest, RefusedInstallLeavesItDisarmedAndALaterArmTriesAgain) {
  installer.refuseInstall = true;
  watch.arm(recorder("first"));
  EXPECT_FALSE(watch.armed());
  leftUp();
  EXPECT_TRUE(reports.empty());

  installer.refuseInstall = false;
  watch.arm(recorder("second"));
  EXPECT_EQ(installer.installs, 2);
  EXPECT_TRUE(watch.armed());
  leftUp();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].listener, "second");
}

TEST_F(MouseWatchTest, RefusedRemovalKeepsItArmedAndReporting) {
  watch.arm(recorder("l"));
  installer.refuseRemove = true;
  EXPECT_FALSE(watch.disarm());
  EXPECT_TRUE(watch.armed());
  leftUp();
  EXPECT_EQ(reports.size(), 1u);
  installer.refuseRemove = false;
  EXPECT_TRUE(watch.disarm());
  EXPECT_EQ(installer.removed, (std::vector<HookHandle>{100, 100}));
}

TEST_F(MouseWatchTest, RearmAfterDisarmInstallsAFreshHookWithTheNewListener) {
  watch.arm(recorder("first"));
  watch.disarm();
  watch.arm(recorder("second"));
  EXPECT_EQ(watch.hook(), 101u);
  leftUp();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].listener, "second");
}

TEST_F(MouseWatchTest, ListenerThatDisarmsAndRearmsDuringItsCallFinishesSafely) {
  // The listener's captured state must survive its own replacement: the
  // watch keeps the running listener alive until the call returns.
  std::string captured(100, 'x');
  int calls = 0;
  watch.arm([&, captured](MouseButton, MouseAction, std::string_view) {
    ++calls;
    EXPECT_TRUE(watch.disarm());
    watch.arm(recorder("replacement"));
    EXPECT_EQ(captured.size(), 100u);  // still readable: not destroyed yet
  });
  leftUp();
  EXPECT_EQ(calls, 1);
  leftUp();
  EXPECT_EQ(calls, 1);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].listener, "replacement");
}

}  // namespace
}  // namespace moravel
