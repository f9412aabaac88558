// The pumping delay's due-time arithmetic and the key order of a chord.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "send/key_chord.h"
#include "send/pumping_delay.h"

namespace moravel {
namespace {

constexpr auto kInt64Min = std::numeric_limits<std::int64_t>::min();
constexpr auto kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr int kIntMax = std::numeric_limits<int>::max();

TEST(PumpingDelay, MillisecondsPerUnit) {
  const std::pair<DelayUnit, std::int64_t> cases[] = {
      {0, 1}, {1, 1000}, {2, 60'000}, {3, 3'600'000}, {4, 4}, {250, 250}, {-7, -7}, {kInt64Max, kInt64Max},
  };
  for (const auto& [unit, ms] : cases) EXPECT_EQ(millisecondsPerUnit(unit), ms) << "unit " << unit;
}

TEST(PumpingDelay, DueTimeAndLength) {
  struct Case {
    int amount;
    DelayUnit unit;
    std::int64_t dueTime;
    std::int64_t milliseconds;
  } const cases[] = {
      {300, 0, -3'000'000, 300},  // before the paste
      {100, 0, -1'000'000, 100},  // before the send
      {2, 1, -20'000'000, 2000},
      {1, 2, -600'000'000, 60'000},
      {1, 3, -36'000'000'000, 3'600'000},
      {4, 250, -10'000'000, 1000},  // an unlisted unit is that many ms
      {0, 0, 0, 0},                 // not in the future: no wait
      {0, 3, 0, 0},
      // A negative product is a due time of 0 or above: a moment that has
      // passed, so the wait ends at once.
      {-5, 0, 50'000, 0},
      {1, -1, 10'000, 0},
      {-1, -1, -10'000, 1},
      // Beyond 64 bits: clamped instead of an undefined conversion.
      {kIntMax, 3, kInt64Min, 922'337'203'685'478},
      {1, kInt64Max, kInt64Min, 922'337'203'685'478},
      {-1, kInt64Max, kInt64Max, 0},
      {kIntMax, 1, -21'474'836'470'000'000, 2'147'483'647'000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "amount " << c.amount << " unit " << c.unit);
    const PumpingDelay delay{c.amount, c.unit};
    EXPECT_EQ(delay.dueTime(), c.dueTime);
    EXPECT_EQ(delay.milliseconds(), c.milliseconds);
  }
}

TEST(KeyChord, ModifiersGoUpInTheOrderTheyWentDownAndTheKeyLast) {
  constexpr VirtualKey kShift = 0x10, kWin = 0x5B, kK = 'K';
  auto down = [](VirtualKey k) { return KeyStroke{k, false}; };
  auto up = [](VirtualKey k) { return KeyStroke{k, true}; };
  struct Case {
    KeyChord chord;
    std::vector<KeyStroke> strokes;
  } const cases[] = {
      {kPasteChord, {down(kVkControl), down('V'), up(kVkControl), up('V')}},
      {kSendChord, {down(kVkMenu), down('S'), up(kVkMenu), up('S')}},
      {{kK, kVkControl, kShift},
       {down(kShift), down(kVkControl), down(kK), up(kShift), up(kVkControl), up(kK)}},
      {{kK, kVkControl, kShift, kWin},
       {down(kWin), down(kShift), down(kVkControl), down(kK), up(kWin), up(kShift), up(kVkControl),
        up(kK)}},
      // A zero modifier is skipped wherever it stands.
      {{kK, kVkControl, 0, kWin},
       {down(kWin), down(kVkControl), down(kK), up(kWin), up(kVkControl), up(kK)}},
      {{kK, 0}, {down(kK), up(kK)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "key " << c.chord.key << " modifiers " << c.chord.firstModifier
                                    << "," << c.chord.secondModifier << "," << c.chord.thirdModifier);
    EXPECT_EQ(c.chord.strokes(), c.strokes);
  }
}

}  // namespace
}  // namespace moravel
