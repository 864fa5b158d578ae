#include "grid/property_interceptors.h"

#include <gtest/gtest.h>

#include "platform/classes/component.h"

namespace lab {
namespace {

class TPart : public TPersistent {
  LAB_CLASS(TPart, TPersistent)
  LAB_PROPERTIES(TPart, TPersistent)
 public:
  int Width() const { return width_; }
  void SetWidth(int v) { width_ = v; }
  int Saved = 0;

 private:
  int width_ = 10;
};
void TPart::DeclareProperties(TPropertyDeclarer<TPart>& P) { P.Property("Width", &TPart::Width, &TPart::SetWidth); }

class TWidePart : public TPart {
  LAB_CLASS(TWidePart, TPart)
  LAB_PROPERTIES(TWidePart, TPart)
};
void TWidePart::DeclareProperties(TPropertyDeclarer<TWidePart>&) {}

class THolder : public TComponent {
  LAB_CLASS(THolder, TComponent)
  LAB_PROPERTIES(THolder, TComponent)
 public:
  using TComponent::TComponent;
  TPart* Part() { return &part_; }
  TWidePart* Wide() { return &wide_; }

 private:
  TPart part_;
  TWidePart wide_;
};
void THolder::DeclareProperties(TPropertyDeclarer<THolder>& P) {
  P.Property("Part", &THolder::Part);
  P.Property("Wide", &THolder::Wide);
}

// Writing Width goes to Saved instead; Width cannot be read here; Order is its own property.
class TPartInterceptor : public TStoragePropertyInterceptor {
  LAB_CLASS(TPartInterceptor, TStoragePropertyInterceptor)
  LAB_PROPERTIES(TPartInterceptor, TStoragePropertyInterceptor)
 public:
  using TStoragePropertyInterceptor::TStoragePropertyInterceptor;
  void SetWidth(int v) { static_cast<TPart*>(Target())->Saved = v; }
  std::string Order() const { return "order of " + std::string(Target()->ClassName()); }
  void SetOrder(const std::string&) {}
};
void TPartInterceptor::DeclareProperties(TPropertyDeclarer<TPartInterceptor>& P) {
  P.Property("Width", nullptr, &TPartInterceptor::SetWidth);
  P.Property("Order", &TPartInterceptor::Order, &TPartInterceptor::SetOrder);
}

class TOtherInterceptor : public TStoragePropertyInterceptor {
  LAB_CLASS(TOtherInterceptor, TStoragePropertyInterceptor)
  LAB_PROPERTIES(TOtherInterceptor, TStoragePropertyInterceptor)
 public:
  using TStoragePropertyInterceptor::TStoragePropertyInterceptor;
};
void TOtherInterceptor::DeclareProperties(TPropertyDeclarer<TOtherInterceptor>&) {}

class Interceptors : public ::testing::Test {
 protected:
  void TearDown() override { UnRegisterPropertyInterceptor(TPart::StaticClass()); }
  THolder holder{nullptr};
};

TEST_F(Interceptors, StorageUsesTheInterceptorsPropertyWhereItHasOne) {
  RegisterPropertyInterceptor<TPart, TPartInterceptor>();
  WriteStoredProperty(&holder, "Part.Width", "42");
  EXPECT_EQ(holder.Part()->Saved, 42);
  EXPECT_EQ(holder.Part()->Width(), 10);
  // Width cannot be read from the interceptor, so reading falls back to the part's own.
  EXPECT_EQ(ReadStoredProperty(&holder, "Part.Width"), "10");
  EXPECT_EQ(ReadStoredProperty(&holder, "Part.Order"), "order of TPart");
}

TEST_F(Interceptors, DescendantsUseTheNearestRegistrationAndLaterOnesReplace) {
  RegisterPropertyInterceptor<TPart, TPartInterceptor>();
  EXPECT_EQ(ReadStoredProperty(&holder, "Wide.Order"), "order of TWidePart");
  auto interceptor = CreatePropertyInterceptor(holder.Wide());
  ASSERT_TRUE(interceptor);
  EXPECT_EQ(interceptor->Target(), holder.Wide());

  RegisterPropertyInterceptor<TPart, TOtherInterceptor>();
  EXPECT_TRUE(CreatePropertyInterceptor(holder.Part())->Is<TOtherInterceptor>());
  WriteStoredProperty(&holder, "Part.Width", "7");
  EXPECT_EQ(holder.Part()->Width(), 7);
  EXPECT_EQ(holder.Part()->Saved, 0);
  EXPECT_THROW(ReadStoredProperty(&holder, "Part.Order"), EPropertyError);
}

TEST_F(Interceptors, WithoutRegistrationTheTargetAnswers) {
  EXPECT_EQ(CreatePropertyInterceptor(holder.Part()), nullptr);
  EXPECT_EQ(CreatePropertyInterceptor(nullptr), nullptr);
  WriteStoredProperty(&holder, "Part.Width", "3");
  EXPECT_EQ(ReadStoredProperty(&holder, "Part.Width"), "3");
  EXPECT_THROW(WriteStoredProperty(&holder, "Part.Missing", "1"), EPropertyError);
  EXPECT_THROW(WriteStoredProperty(&holder, "Nowhere.Width", "1"), EPropertyError);
}

}  // namespace
}  // namespace lab
