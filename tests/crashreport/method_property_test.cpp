#include "crashreport/capture/method_property.h"

#include <gtest/gtest.h>

#include "platform/classes/component.h"
#include "platform/classes/properties.h"

namespace lab {
namespace {

class TProbe : public TComponent {
  LAB_CLASS(TProbe, TComponent)
  LAB_PROPERTIES(TProbe, TComponent)
 public:
  using TComponent::TComponent;
  TNotifyEvent OnPing;
  int Size() const { return 0; }
};
void TProbe::DeclareProperties(TPropertyDeclarer<TProbe>& P) {
  P.Property("OnPing", &TProbe::OnPing);
  P.Property("Size", &TProbe::Size, nullptr);
}

int calls = 0;
void FirstHandler(TObject*) { calls += 1; }
void SecondHandler(TObject*) { calls += 10; }

TEST(ReplaceMethodProperty, SwapsTheHandlerAndHandsBackTheOldOne) {
  TProbe probe(nullptr);
  probe.OnPing = FirstHandler;
  std::any old;
  ASSERT_TRUE(ReplaceMethodProperty(&probe, "onping", std::any(TNotifyEvent(SecondHandler)), old));
  calls = 0;
  probe.OnPing(&probe);
  EXPECT_EQ(calls, 10);
  ASSERT_TRUE(old.has_value());
  std::any_cast<TNotifyEvent>(old)(&probe);
  EXPECT_EQ(calls, 11);
}

TEST(ReplaceMethodProperty, LeavesTheEventAloneWhenItAlreadyRunsTheHandler) {
  TProbe probe(nullptr);
  probe.OnPing = SecondHandler;
  std::any old = 42;
  EXPECT_FALSE(ReplaceMethodProperty(&probe, "OnPing", std::any(TNotifyEvent(SecondHandler)), old));
  EXPECT_EQ(std::any_cast<int>(old), 42);
  // An unassigned event takes a handler; the old one comes back empty.
  TProbe bare(nullptr);
  EXPECT_TRUE(ReplaceMethodProperty(&bare, "OnPing", std::any(TNotifyEvent(FirstHandler)), old));
  EXPECT_FALSE(old.has_value());
}

TEST(ReplaceMethodProperty, RefusesWhatIsNotAFittingEvent) {
  TProbe probe(nullptr);
  probe.OnPing = FirstHandler;
  std::any old;
  EXPECT_FALSE(ReplaceMethodProperty(&probe, "Size", std::any(TNotifyEvent(SecondHandler)), old));
  EXPECT_FALSE(ReplaceMethodProperty(&probe, "OnMissing", std::any(TNotifyEvent(SecondHandler)), old));
  EXPECT_FALSE(ReplaceMethodProperty(&probe, "OnPing", std::any(7), old));
  EXPECT_FALSE(ReplaceMethodProperty(nullptr, "OnPing", std::any(TNotifyEvent(SecondHandler)), old));
  calls = 0;
  probe.OnPing(&probe);
  EXPECT_EQ(calls, 1);
  // An empty handler clears the event instead of leaving one that throws when called.
  EXPECT_TRUE(ReplaceMethodProperty(&probe, "OnPing", std::any(TNotifyEvent()), old));
  EXPECT_FALSE(probe.OnPing);
}

}  // namespace
}  // namespace lab
