#include "platform/classes/class_registry.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "classes_fixtures.h"

namespace lab::test {

// Another class that calls itself TTestGadget.
namespace other {
class TTestGadget : public TComponent {
  LAB_CLASS(TTestGadget, TComponent)
 public:
  using TComponent::TComponent;
};
}  // namespace other

namespace {

TEST(ClassRegistry, FindsRegisteredClassesByNameAndCreatesThem) {
  RegisterTestClasses();
  EXPECT_EQ(FindClass("ttestgadget")->Class, TTestGadget::StaticClass());
  EXPECT_EQ(GetClass("TNothing"), nullptr);
  try {
    FindClass("TNothing");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_STREQ(e.what(), "Class TNothing not found");
  }
  EXPECT_EQ(GetMetaClass(TBigGadget::StaticClass()), MetaClass<TBigGadget>());
  EXPECT_EQ(GetMetaClass(TCaptionBox::StaticClass()), nullptr);

  // The factories fit the kind of class.
  EXPECT_NE(MetaClass<TTestGadget>()->NewComponent, nullptr);
  EXPECT_EQ(MetaClass<TTestGadget>()->NewItem, nullptr);
  EXPECT_NE(MetaClass<TTestItem>()->NewItem, nullptr);
  EXPECT_NE(MetaClass<TCaptionBox>()->New, nullptr);
  EXPECT_EQ(MetaClass<TCollection>()->New, nullptr);  // needs an item class

  TTestForm form(nullptr);
  TComponent* made = CreateComponentByName("TBigGadget", &form);
  EXPECT_TRUE(made->Is<TBigGadget>());
  EXPECT_EQ(made->Owner(), &form);
  EXPECT_THROW(CreateComponentByName("TNothing", &form), EClassNotFound);

  // Registering again is harmless; another class of the same name is refused.
  RegisterClass<TTestGadget>();
  EXPECT_THROW(RegisterClass<other::TTestGadget>(), EFilerError);
  EXPECT_EQ(FindClass("TTestGadget")->Class, TTestGadget::StaticClass());
  UnRegisterClass(MetaClass<TBigGadget>());
  EXPECT_EQ(GetClass("TBigGadget"), nullptr);
  RegisterClass<TBigGadget>();
}

TEST(ClassRegistry, NearestRegisteredAncestorWins) {
  std::map<TClass, std::string> services;
  services[TComponent::StaticClass()] = "component";
  services[TTestGadget::StaticClass()] = "gadget";
  auto found = FindNearestClass(services, TBigGadget::StaticClass());
  ASSERT_NE(found, services.end());
  EXPECT_EQ(found->second, "gadget");
  EXPECT_EQ(FindNearestClass(services, TTestForm::StaticClass())->second, "component");
  EXPECT_EQ(FindNearestClass(services, TCaptionBox::StaticClass()), services.end());
  // A later registration for the exact class takes over.
  services[TBigGadget::StaticClass()] = "big";
  EXPECT_EQ(FindNearestClass(services, TBigGadget::StaticClass())->second, "big");
}

}  // namespace
}  // namespace lab::test
