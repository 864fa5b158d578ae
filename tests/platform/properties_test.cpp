#include "platform/classes/properties.h"

#include <gtest/gtest.h>

#include "classes_fixtures.h"
#include "platform/classes/property_access.h"

namespace lab::test {
namespace {

std::vector<std::string> PropNames(const TPersistent* p) {
  std::vector<std::string> names;
  for (const TPropInfo* info : GetPropList(p)) names.push_back(info->Name());
  return names;
}

TEST(Properties, TablesInheritAlongTheClassChain) {
  TBigGadget big(nullptr);
  const std::vector<std::string> names = PropNames(&big);
  // Inherited first (TComponent's, then TTestGadget's), a redeclared one in its place, new ones last.
  ASSERT_GE(names.size(), 4u);
  EXPECT_EQ(names[0], "Name");
  EXPECT_EQ(names[1], "Tag");
  EXPECT_EQ(names.back(), "Serial");
  EXPECT_EQ(std::count(names.begin(), names.end(), "Shade"), 1);
  EXPECT_EQ(GetPropInfo(&big, "shade")->OrdDefault(), shDark);
  TTestGadget plain(nullptr);
  EXPECT_EQ(GetPropInfo(&plain, "Shade")->OrdDefault(), shMedium);
  EXPECT_EQ(GetPropInfo(&plain, "Serial"), nullptr);
  // The table of a class is built once.
  EXPECT_EQ(big.Properties(), TBigGadget::StaticProperties());
  EXPECT_EQ(TTestGadget::StaticProperties()->Parent(), TComponent::StaticProperties());

  const TPropInfo* serial = GetPropInfo(&big, "Serial");
  EXPECT_TRUE(serial->CanRead());
  EXPECT_FALSE(serial->CanWrite());
  EXPECT_EQ(serial->GetOrd(&big), 42);
  EXPECT_THROW(serial->SetOrd(&big, 1), EPropertyError);
  try {
    FindPropInfo(&big, "Nope");
    FAIL();
  } catch (const EPropertyError& e) {
    EXPECT_STREQ(e.what(), "Property Nope does not exist");
  }
}

TEST(Properties, KindsFollowTheCppTypes) {
  TTestGadget g(nullptr);
  auto kind = [&](const char* name) { return FindPropInfo(&g, name)->Kind(); };
  EXPECT_EQ(kind("Count"), tkInteger);
  EXPECT_EQ(kind("Big"), tkInt64);
  EXPECT_EQ(kind("Ratio"), tkFloat);
  EXPECT_EQ(kind("Text"), tkString);
  EXPECT_EQ(kind("Shade"), tkEnumeration);
  EXPECT_EQ(kind("Enabled"), tkEnumeration);
  EXPECT_TRUE(FindPropInfo(&g, "Enabled")->IsBoolean());
  EXPECT_EQ(kind("Options"), tkSet);
  EXPECT_EQ(kind("Title"), tkClass);
  EXPECT_FALSE(FindPropInfo(&g, "Title")->IsComponentRef());
  EXPECT_TRUE(FindPropInfo(&g, "Partner")->IsComponentRef());
  EXPECT_EQ(FindPropInfo(&g, "Partner")->PropClass(), TTestGadget::StaticClass());
  EXPECT_EQ(kind("OnClick"), tkMethod);
}

TEST(Properties, TypedAndTextAccess) {
  RegisterTestClasses();
  TTestForm form(nullptr);
  auto* g = new TTestGadget(&form);
  auto* other = new TTestGadget(&form);
  other->SetName("Other");

  SetOrdProp(g, "Options", TGadgetOptions{goBeta, goDelta}.Value());
  EXPECT_EQ(g->Options(), (TGadgetOptions{goBeta, goDelta}));
  EXPECT_EQ(GetOrdProp(g, "Options"), 10);
  EXPECT_EQ(GetPropText(g, FindPropInfo(g, "Options")), "[goBeta,goDelta]");
  SetPropText(g, FindPropInfo(g, "Options"), " goAlpha , goGamma ");
  EXPECT_EQ(g->Options(), (TGadgetOptions{goAlpha, goGamma}));
  SetPropText(g, FindPropInfo(g, "Options"), "[]");
  EXPECT_TRUE(g->Options().Empty());
  EXPECT_THROW(SetPropText(g, FindPropInfo(g, "Options"), "[goOmega]"), EPropertyError);
  EXPECT_THROW(SetOrdProp(g, "Options", 1 << 4), EPropertyError);

  SetPropText(g, FindPropInfo(g, "Shade"), "SHDARK");
  EXPECT_EQ(g->Shade(), shDark);
  EXPECT_EQ(GetPropText(g, FindPropInfo(g, "Shade")), "shDark");
  EXPECT_THROW(SetOrdProp(g, "Shade", 3), EPropertyError);
  SetPropText(g, FindPropInfo(g, "Enabled"), "False");
  EXPECT_FALSE(g->Enabled());

  SetPropText(g, FindPropInfo(g, "Count"), "-17");
  EXPECT_EQ(g->Count(), -17);
  SetPropText(g, FindPropInfo(g, "Big"), "$7FFFFFFFFF");
  EXPECT_EQ(g->Big(), 0x7FFFFFFFFF);
  EXPECT_THROW(SetPropText(g, FindPropInfo(g, "Count"), "12x"), EPropertyError);
  EXPECT_THROW(SetOrdProp(g, "Count", std::int64_t{1} << 33), EPropertyError);

  SetPropText(g, FindPropInfo(g, "Ratio"), "2");  // a float written as an integer
  EXPECT_EQ(g->Ratio(), 2.0);
  for (const char* bad : {"abc", "", "2x", "1e999"})
    EXPECT_THROW(SetPropText(g, FindPropInfo(g, "Ratio"), bad), EPropertyError) << bad;
  EXPECT_EQ(g->Ratio(), 2.0);
  SetPropText(g, FindPropInfo(g, "Ratio"), "0.1");
  EXPECT_EQ(g->Ratio(), 0.1);
  EXPECT_EQ(GetPropText(g, FindPropInfo(g, "Ratio")), "0.1");
  SetFloatProp(g, "Ratio", 1e300);
  EXPECT_EQ(GetPropText(g, FindPropInfo(g, "Ratio")), "1E+300");

  SetStrProp(g, "Text", "caf\xC3\xA9");
  EXPECT_EQ(GetStrProp(g, "Text"), "caf\xC3\xA9");
  EXPECT_THROW(GetStrProp(g, "Count"), EPropertyError);

  // Integers with named values: the name where one exists, a number otherwise.
  const TPropInfo* color = FindPropInfo(g->Title(), "Color");
  EXPECT_EQ(GetPropText(g->Title(), color), "clTestWindow");
  SetPropText(g->Title(), color, "clTestRed");
  EXPECT_EQ(g->Title()->Color(), 0x0000FFu);
  SetPropText(g->Title(), color, "255");
  EXPECT_EQ(g->Title()->Color(), 255u);
  SetPropText(g->Title(), color, "-16777211");
  EXPECT_EQ(g->Title()->Color(), 0xFF000005u);
  EXPECT_EQ(color->GetOrd(g->Title()), -16777211);
  SetPropText(g->Title(), color, "$00FF00");
  EXPECT_EQ(GetPropText(g->Title(), color), "65280");

  // Component references by name, within the form.
  SetPropText(g, FindPropInfo(g, "Partner"), "Other");
  EXPECT_EQ(g->Partner(), other);
  EXPECT_EQ(GetPropText(g, FindPropInfo(g, "Partner")), "Other");
  EXPECT_THROW(SetPropText(g, FindPropInfo(g, "Partner"), "Missing"), EPropertyError);
  SetObjectProp(g, "Partner", nullptr);
  EXPECT_EQ(g->Partner(), nullptr);
  TTestFont font;
  EXPECT_THROW(SetObjectProp(g, "Partner", &font), EPropertyError);
  EXPECT_THROW(GetPropText(g, FindPropInfo(g, "Title")), EPropertyError);

  // Events by handler name, bound from the form's handlers.
  int clicks = 0;
  form.RegisterHandler<TNotifyEvent>("GadgetClick", [&](TObject*) { ++clicks; });
  form.RegisterHandler<std::function<int()>>("WrongShape", [] { return 1; });
  SetPropText(g, FindPropInfo(g, "OnClick"), "GadgetClick");
  g->OnClick(g);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(GetPropText(g, FindPropInfo(g, "OnClick")), "GadgetClick");
  EXPECT_THROW(SetPropText(g, FindPropInfo(g, "OnClick"), "WrongShape"), EPropertyError);
  EXPECT_THROW(SetPropText(g, FindPropInfo(g, "OnClick"), "Unknown"), EPropertyError);
  // A handler assigned in code has no name.
  g->OnClick = [](TObject*) {};
  EXPECT_EQ(GetPropText(g, FindPropInfo(g, "OnClick")), "");
}

// Publishes a write-only property that redirects to its target, as property storage interceptors do.
class TWidthInterceptor : public TPersistent {
  LAB_CLASS(TWidthInterceptor, TPersistent)
  LAB_PROPERTIES(TWidthInterceptor, TPersistent)
 public:
  explicit TWidthInterceptor(TTestItem* Target) : target_(Target) {}
  void SetWidth(int Value) { target_->SetWidth(Value * 2); }

 private:
  TTestItem* target_;
};
void TWidthInterceptor::DeclareProperties(TPropertyDeclarer<TWidthInterceptor>& P) {
  P.Property("Width", nullptr, &TWidthInterceptor::SetWidth);
}

TEST(Properties, WriteOnlyPropertiesTakeValuesButAreNeverRead) {
  TTestGadget g(nullptr);
  TTestItem* item = g.Items()->Add();
  TWidthInterceptor interceptor(item);
  const TPropInfo* width = FindPropInfo(&interceptor, "Width");
  EXPECT_EQ(width->Kind(), tkInteger);
  EXPECT_FALSE(width->CanRead());
  EXPECT_TRUE(width->CanWrite());
  SetPropText(&interceptor, width, "21");
  EXPECT_EQ(item->Width(), 42);
  EXPECT_THROW(width->GetOrd(&interceptor), EPropertyError);
}

TEST(Properties, PathsWithIndexesResolveForReadAndWrite) {
  RegisterTestClasses();
  TTestForm form(nullptr);
  form.SetName("Form1");
  auto* g = new TTestGadget(&form);
  g->SetName("Grid1");
  for (int i = 0; i < 3; ++i) g->Items()->Add()->SetFieldName("F" + std::to_string(i));

  SetPropertyPathText(g, "Items[2].Title.Caption", "Third");
  EXPECT_EQ(g->Items()->Items(2)->Title()->Caption(), "Third");
  EXPECT_EQ(GetPropertyPathText(g, "items[2].title.caption"), "Third");
  SetPropertyPathText(g, "Items[0].Title.Font.Size", "11");
  EXPECT_EQ(g->Items()->Items(0)->Title()->Font()->Size(), 11);
  // From the form, through an owned component's name.
  SetPropertyPathText(&form, "Grid1.Items[1].Width", "120");
  EXPECT_EQ(g->Items()->Items(1)->Width(), 120);
  EXPECT_EQ(GetPropertyPathText(&form, "Grid1.Title.Color"), "clTestWindow");

  // The target of a path a property storage would redirect: the object and the name, even when the
  // object publishes no such property.
  const TPropertyTarget target = ResolvePropertyPath(&form, "Grid1.Items[1].ColumnsIndex");
  EXPECT_EQ(target.Instance, g->Items()->Items(1));
  EXPECT_EQ(target.PropName, "ColumnsIndex");
  EXPECT_EQ(target.Info, nullptr);
  EXPECT_THROW(GetPropertyPathText(&form, "Grid1.Items[1].ColumnsIndex"), EPropertyError);

  EXPECT_THROW(ResolvePropertyPath(g, "Items[3].Width"), EListError);
  EXPECT_THROW(ResolvePropertyPath(g, "Items[-1].Width"), EListError);
  for (const char* bad : {"Count.Width", "Title[0].Caption", "Items[x].Width", "Items[1.Width", "Nope.Width", "",
                          "Items..Width", "Items[1]"}) {
    EXPECT_THROW(ResolvePropertyPath(g, bad), EPropertyError) << bad;
  }
}

}  // namespace
}  // namespace lab::test
