#include "platform/classes/form_text.h"

#include <gtest/gtest.h>

#include "classes_fixtures.h"
#include "platform/classes/property_access.h"
#include "platform/rtl/streams.h"

namespace lab::test {
namespace {

class FormText : public ::testing::Test {
 protected:
  void SetUp() override { RegisterTestClasses(); }

  // A form with two gadgets showing every kind of value.
  static std::unique_ptr<TTestForm> SampleForm() {
    auto form = std::make_unique<TTestForm>(nullptr);
    form->SetName("Form1");
    form->RegisterHandler<TNotifyEvent>("GadgetClick", [](TObject*) {});
    auto* g1 = new TTestGadget(form.get());
    auto* g2 = new TTestGadget(form.get());
    g1->SetName("Gadget1");
    g2->SetName("Gadget2");
    g1->SetCount(3);
    g1->SetBig(5000000000);
    g1->SetRatio(2.5);
    g1->SetText("It's\r\n\xC3\xA9");
    g1->SetShade(shDark);
    g1->SetOptions({goBeta, goGamma});
    g1->SetEnabled(false);
    g1->Title()->SetCaption("Head");
    g1->Title()->SetColor(0x0000FF);
    g1->Title()->Font()->SetSize(10);
    TTestItem* a = g1->Items()->Add();
    a->SetFieldName("A");
    a->SetWidth(80);
    a->Title()->SetCaption("a");
    TTestItem* b = g1->Items()->Add();
    b->SetFieldName("B");
    b->SetVisible(false);
    b->SetBuddy(g2);
    g1->Lines()->Add("one");
    g1->Lines()->Add("two");
    g1->SetPartner(g2);  // refers to a component written after it
    SetPropText(g1, FindPropInfo(g1, "OnClick"), "GadgetClick");
    g1->Secret = 7;
    g1->Blob = std::string("\x00\x01\xFF", 3);
    g2->SetTag(9);
    return form;
  }

  static std::unique_ptr<TTestForm> EmptyForm() {
    auto form = std::make_unique<TTestForm>(nullptr);
    form->RegisterHandler<TNotifyEvent>("GadgetClick", [](TObject*) {});
    return form;
  }
};

const char* const kSampleText =
    "object Form1: TTestForm\r\n"
    "  object Gadget1: TTestGadget\r\n"
    "    Count = 3\r\n"
    "    Big = 5000000000\r\n"
    "    Ratio = 2.5\r\n"
    "    Text = 'It''s'#13#10#233\r\n"
    "    Shade = shDark\r\n"
    "    Options = [goBeta, goGamma]\r\n"
    "    Enabled = False\r\n"
    "    Title.Caption = 'Head'\r\n"
    "    Title.Color = clTestRed\r\n"
    "    Title.Font.Size = 10\r\n"
    "    Items = <\r\n"
    "      item\r\n"
    "        FieldName = 'A'\r\n"
    "        Width = 80\r\n"
    "        Title.Caption = 'a'\r\n"
    "      end\r\n"
    "      item\r\n"
    "        FieldName = 'B'\r\n"
    "        Visible = False\r\n"
    "        Buddy = Gadget2\r\n"
    "      end>\r\n"
    "    Lines.Strings = (\r\n"
    "      'one'\r\n"
    "      'two')\r\n"
    "    Partner = Gadget2\r\n"
    "    OnClick = GadgetClick\r\n"
    "    Secret = 7\r\n"
    "    Blob = {\r\n"
    "      0001FF}\r\n"
    "  end\r\n"
    "  object Gadget2: TTestGadget\r\n"
    "    Tag = 9\r\n"
    "    Count = 0\r\n"
    "  end\r\n"
    "end\r\n";

TEST_F(FormText, WritesStoredNonDefaultPropertiesInTheFrameworkLayout) {
  auto form = SampleForm();
  EXPECT_EQ(WriteFormText(form.get()), kSampleText);
}

TEST_F(FormText, RoundTripRestoresNestedObjectsCollectionsSetsReferencesAndDefinedValues) {
  auto form = EmptyForm();
  ReadFormText(kSampleText, form.get());
  EXPECT_EQ(form->Name(), "Form1");
  ASSERT_EQ(form->ComponentCount(), 2);
  auto* g1 = dynamic_cast<TTestGadget*>(form->FindComponent("Gadget1"));
  auto* g2 = dynamic_cast<TTestGadget*>(form->FindComponent("Gadget2"));
  ASSERT_TRUE(g1 && g2);
  EXPECT_EQ(g1->Count(), 3);
  EXPECT_EQ(g1->Big(), 5000000000);
  EXPECT_EQ(g1->Ratio(), 2.5);
  EXPECT_EQ(g1->Text(), "It's\r\n\xC3\xA9");
  EXPECT_EQ(g1->Options(), (TGadgetOptions{goBeta, goGamma}));
  EXPECT_FALSE(g1->Enabled());
  EXPECT_EQ(g1->Title()->Color(), 0x0000FFu);
  EXPECT_EQ(g1->Title()->Font()->Size(), 10);
  ASSERT_EQ(g1->Items()->Count(), 2);
  EXPECT_EQ(g1->Items()->Items(0)->Title()->Caption(), "a");
  EXPECT_EQ(g1->Items()->Items(1)->Buddy(), g2);
  EXPECT_EQ(g1->Lines()->Text(), "one\r\ntwo\r\n");
  EXPECT_EQ(g1->Partner(), g2);
  EXPECT_EQ(GetPropText(g1, FindPropInfo(g1, "OnClick")), "GadgetClick");
  EXPECT_EQ(g1->Secret, 7);
  EXPECT_EQ(g1->Blob, std::string("\x00\x01\xFF", 3));
  EXPECT_EQ(g2->Tag(), 9);
  EXPECT_EQ(WriteFormText(form.get()), kSampleText);

  // Through streams, into a root the reader creates from the registered class.
  TMemoryStream stream;
  auto copy = EmptyForm();
  ReadFormText(kSampleText, copy.get());
  WriteFormStream(stream, copy.get());
  stream.SetPosition(0);
  std::unique_ptr<TComponent> created;
  try {
    created.reset(ReadFormStream(stream));
    FAIL() << "the created form has no handler for OnClick";
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "Line 28: Error reading Gadget1.OnClick: Event handler GadgetClick not found");
  }
  SetPropText(copy->FindComponent("Gadget1"), FindPropInfo(copy->FindComponent("Gadget1"), "OnClick"), "");
  stream.SetSize(0);
  WriteFormStream(stream, copy.get());
  stream.SetPosition(0);
  created.reset(ReadFormStream(stream));
  EXPECT_TRUE(created->Is<TTestForm>());
  EXPECT_EQ(WriteFormText(created.get()), WriteFormText(copy.get()));
}

TEST_F(FormText, StringsEscapeControlAndNonAsciiCharactersAndWrapLongValues) {
  TTestForm form(nullptr);
  auto* g = new TTestGadget(&form);
  g->SetName("G");
  std::string text = std::string("a'b") + '\0' + "\x01\t\xF0\x9F\x98\x80 end";
  for (int i = 0; i < 20; ++i) text += "0123456789";
  g->SetText(text);
  const std::string written = WriteFormText(&form);
  EXPECT_NE(written.find("Text = 'a''b'#0#1#9#128512' end0123"), std::string::npos) << written;
  EXPECT_NE(written.find("' +\r\n      '"), std::string::npos) << written;
  TTestForm back(nullptr);
  ReadFormText(written, &back);
  EXPECT_EQ(static_cast<TTestGadget*>(back.FindComponent("G"))->Text(), text);

  // Pieces, hex codes and '+' continuations over any line break.
  TTestForm other(nullptr);
  ReadFormText("object F: TTestForm\n object G: TTestGadget\r  Text = 'ab' +\r\n   'c'#$41 + \n #10''\n  Count = 1\n end\nend",
               &other);
  EXPECT_EQ(static_cast<TTestGadget*>(other.FindComponent("G"))->Text(), "abcA\n");
}

TEST_F(FormText, WritingWithAnAncestorWritesOnlyDifferences) {
  auto ancestor = SampleForm();
  auto form = SampleForm();
  EXPECT_EQ(WriteFormText(form.get(), ancestor.get()), "inherited Form1: TTestForm\r\nend\r\n");

  auto* g1 = static_cast<TTestGadget*>(form->FindComponent("Gadget1"));
  auto* g2 = static_cast<TTestGadget*>(form->FindComponent("Gadget2"));
  g1->SetText("changed");
  g1->SetShade(shMedium);       // back to the default, but the ancestor has shDark
  g1->Title()->Font()->SetSize(8);
  g1->SetPartner(nullptr);
  g1->Secret = 0;
  g1->Lines()->Add("three");
  g1->OnClick = nullptr;
  auto* g3 = new TTestGadget(form.get());
  g3->SetName("Gadget3");
  g3->SetPartner(g2);
  EXPECT_EQ(WriteFormText(form.get(), ancestor.get()),
            "inherited Form1: TTestForm\r\n"
            "  inherited Gadget1: TTestGadget\r\n"
            "    Text = 'changed'\r\n"
            "    Shade = shMedium\r\n"
            "    Title.Font.Size = 8\r\n"
            "    Lines.Strings = (\r\n"
            "      'one'\r\n"
            "      'two'\r\n"
            "      'three')\r\n"
            "    Partner = nil\r\n"
            "    OnClick = nil\r\n"
            "    Secret = 0\r\n"
            "  end\r\n"
            "  object Gadget3: TTestGadget\r\n"
            "    Count = 0\r\n"
            "    Partner = Gadget2\r\n"
            "  end\r\n"
            "end\r\n");

  // A collection is written whole once any item differs.
  g1->Items()->Items(1)->SetWidth(10);
  const std::string diff = WriteFormText(form.get(), ancestor.get());
  EXPECT_NE(diff.find("    Items = <\r\n      item\r\n        FieldName = 'A'"), std::string::npos) << diff;

  // Reading the differences over a fresh copy of the ancestor gives the descendant again.
  auto rebuilt = SampleForm();
  ReadFormText(diff, rebuilt.get());
  EXPECT_EQ(WriteFormText(rebuilt.get()), WriteFormText(form.get()));
}

TEST_F(FormText, LoadedRunsOnceAfterTheWholeTreeWithReferencesResolved) {
  TTestForm form(nullptr);
  ReadFormText(
      "object Form1: TTestForm\n"
      "  object A: TTestGadget\n"
      "    Text = 'x'\n"
      "    Partner = B\n"
      "  end\n"
      "  object B: TTestGadget\n"
      "  end\n"
      "end\n",
      &form);
  auto* a = static_cast<TTestGadget*>(form.FindComponent("A"));
  auto* b = static_cast<TTestGadget*>(form.FindComponent("B"));
  EXPECT_TRUE(a->TextSetWhileLoading());
  EXPECT_EQ(a->LoadedCalls, 1);
  EXPECT_EQ(b->LoadedCalls, 1);
  EXPECT_TRUE(a->PartnerResolvedAtLoaded);
  for (TComponent* c : {static_cast<TComponent*>(&form), static_cast<TComponent*>(a), static_cast<TComponent*>(b)}) {
    EXPECT_FALSE(c->ComponentState().Contains(csLoading));
    EXPECT_FALSE(c->ComponentState().Contains(csReading));
  }
  // The resolved reference is cleared like any other when its target goes.
  delete b;
  EXPECT_EQ(a->Partner(), nullptr);
}

TEST_F(FormText, InlineAndInheritedBlocksReachExistingComponents) {
  const char* text =
      "object Form1: TTestForm\r\n"
      "  inline Frame1: TTestFrame\r\n"
      "    inherited Inner: TTestGadget\r\n"
      "      Count = 5\r\n"
      "    end\r\n"
      "  end\r\n"
      "  object Gadget1: TTestGadget\r\n"
      "    Count = 0\r\n"
      "    Partner = Frame1.Inner\r\n"
      "  end\r\n"
      "end\r\n";
  TTestForm form(nullptr);
  ReadFormText(text, &form);
  auto* frame = form.FindComponent("Frame1");
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(frame->ComponentState().Contains(csInline));
  auto* inner = static_cast<TTestGadget*>(frame->FindComponent("Inner"));
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(frame->ComponentCount(), 1);  // the frame's own component, not a new one
  EXPECT_EQ(inner->Count(), 5);
  EXPECT_EQ(static_cast<TTestGadget*>(form.FindComponent("Gadget1"))->Partner(), inner);
  EXPECT_EQ(WriteFormText(&form), text);
}

TEST_F(FormText, TheComponentsAClassMakesAreWrittenAsInheritedAndReadBackOverTheClassesOwn) {
  TTestFrame root(nullptr);
  root.SetName("Frame1");
  // Nothing changed in the component the constructor made: it is left out.
  EXPECT_EQ(WriteFormText(&root), "object Frame1: TTestFrame\r\nend\r\n");

  root.SetTag(2);
  auto* inner = static_cast<TTestGadget*>(root.FindComponent("Inner"));
  ASSERT_NE(inner, nullptr);
  inner->SetCount(7);
  auto* extra = new TTestGadget(&root);
  extra->SetName("Extra");
  extra->SetPartner(inner);
  const std::string text = WriteFormText(&root);
  EXPECT_EQ(text,
            "object Frame1: TTestFrame\r\n"
            "  Tag = 2\r\n"
            "  inherited Inner: TTestGadget\r\n"
            "    Count = 7\r\n"
            "  end\r\n"
            "  object Extra: TTestGadget\r\n"
            "    Count = 0\r\n"
            "    Partner = Inner\r\n"
            "  end\r\n"
            "end\r\n");

  std::unique_ptr<TComponent> again(ReadFormText(text));
  ASSERT_EQ(again->ComponentCount(), 2);  // the constructor's Inner, not a second one
  auto* inner_again = static_cast<TTestGadget*>(again->FindComponent("Inner"));
  auto* extra_again = static_cast<TTestGadget*>(again->FindComponent("Extra"));
  ASSERT_NE(inner_again, nullptr);
  ASSERT_NE(extra_again, nullptr);
  EXPECT_EQ(again->Tag(), 2);
  EXPECT_EQ(inner_again->Count(), 7);
  EXPECT_EQ(extra_again->Partner(), inner_again);
  EXPECT_EQ(WriteFormText(again.get()), text);

  // So does a component below the root that owns what is read inside it.
  TTestForm form(nullptr);
  form.SetName("Form1");
  auto* nested = new TTestFrame(&form);
  nested->SetName("Frame2");
  static_cast<TTestGadget*>(nested->FindComponent("Inner"))->SetCount(4);
  const std::string nested_text = WriteFormText(&form);
  EXPECT_EQ(nested_text,
            "object Form1: TTestForm\r\n"
            "  object Frame2: TTestFrame\r\n"
            "    inherited Inner: TTestGadget\r\n"
            "      Count = 4\r\n"
            "    end\r\n"
            "  end\r\n"
            "end\r\n");
  std::unique_ptr<TComponent> form_again(ReadFormText(nested_text));
  auto* nested_again = form_again->FindComponent("Frame2");
  ASSERT_NE(nested_again, nullptr);
  ASSERT_EQ(nested_again->ComponentCount(), 1);
  EXPECT_EQ(static_cast<TTestGadget*>(nested_again->FindComponent("Inner"))->Count(), 4);
}

TEST_F(FormText, ANewComponentThatTookAnInheritedNameIsWrittenBeforeTheRenamedOne) {
  TTestFrame root(nullptr);
  root.SetName("Frame1");
  root.FindComponent("Inner")->SetName("Old");
  auto* taken = new TTestGadget(&root);
  taken->SetName("Inner");
  taken->SetCount(5);
  // Read back, the class's own Inner takes the inherited block and Old comes after it.
  const std::string text = WriteFormText(&root);
  EXPECT_EQ(text,
            "object Frame1: TTestFrame\r\n"
            "  inherited Inner: TTestGadget\r\n"
            "    Count = 5\r\n"
            "  end\r\n"
            "  object Old: TTestGadget\r\n"
            "    Count = 1\r\n"
            "  end\r\n"
            "end\r\n");
  std::unique_ptr<TComponent> again(ReadFormText(text));
  EXPECT_EQ(WriteFormText(again.get()), text);

  // The same inside a frame read into a form.
  const char* inline_text =
      "object Form1: TTestForm\r\n"
      "  inline Frame1: TTestFrame\r\n"
      "    inherited Inner: TTestGadget\r\n"
      "      Name = 'Old'\r\n"
      "    end\r\n"
      "    object Inner: TTestGadget\r\n"
      "      Count = 5\r\n"
      "    end\r\n"
      "  end\r\n"
      "end\r\n";
  std::unique_ptr<TComponent> form(ReadFormText(inline_text));
  const std::string written = WriteFormText(form.get());
  EXPECT_LT(written.find("inherited Inner"), written.find("object Old")) << written;
  std::unique_ptr<TComponent> form_again(ReadFormText(written));
  EXPECT_EQ(WriteFormText(form_again.get()), written);

  // Names match without regard to case: the new component spelled INner takes the inherited block,
  // and the class's own Inner that reads it takes that spelling, so the text reads back the same.
  const char* other_case =
      "object F: TTestForm\r\n"
      "  inline R: TTeStFrame\r\n"
      "    inherited Inner: TTestGadget\r\n"
      "      Name = 'Z'\r\n"
      "    end\r\n"
      "    object INner: TTestGadget\r\n"
      "    end\r\n"
      "  end\r\n"
      "end\r\n";
  std::unique_ptr<TComponent> cased(ReadFormText(other_case));
  const std::string cased_text = WriteFormText(cased.get());
  EXPECT_NE(cased_text.find("inherited INner"), std::string::npos) << cased_text;
  std::unique_ptr<TComponent> cased_again(ReadFormText(cased_text));
  EXPECT_EQ(cased_again->FindComponent("R")->FindComponent("Inner")->Name(), "INner");
  EXPECT_EQ(WriteFormText(cased_again.get()), cased_text);
}

TEST_F(FormText, SubComponentsAreWrittenAsNestedProperties) {
  TTestForm form(nullptr);
  form.SetName("Form1");
  auto* host = new TSumHost(&form);
  host->SetName("Host1");
  host->Helper()->SetCount(4);
  host->Helper()->SetShade(shLight);
  const char* text =
      "object Form1: TTestForm\r\n"
      "  object Host1: TSumHost\r\n"
      "    Helper.Count = 4\r\n"
      "    Helper.Shade = shLight\r\n"
      "  end\r\n"
      "end\r\n";
  EXPECT_EQ(WriteFormText(&form), text);

  TTestForm back(nullptr);
  ReadFormText(text, &back);
  auto* helper = static_cast<TSumHost*>(back.FindComponent("Host1"))->Helper();
  EXPECT_EQ(helper->Count(), 4);
  EXPECT_EQ(helper->Shade(), shLight);
  EXPECT_EQ(helper->LoadedCalls, 1);
  EXPECT_FALSE(helper->ComponentState().Contains(csLoading));
  // A plain reference is not read through.
  try {
    ReadFormText("object F: TTestForm\n  object G: TTestGadget\n    Partner.Count = 1\n  end\nend", &back);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "Line 3: Error reading G.Partner.Count: Property Partner.Count does not exist");
  }
}

TEST_F(FormText, DefinedPropertiesMayPassOverValuesTheyDoNotTake) {
  TTestForm form(nullptr);
  ReadFormText(
      "object F: TTestForm\n"
      "  object G: TTestGadget\n"
      "    Spare = ( 1 'two' [goAlpha] {00} ( x ) <item Width = 1 end> )\n"
      "    Spare = <\n"
      "      item\n"
      "        FieldName = 'S'\n"
      "      end>\n"
      "  end\n"
      "end\n",
      &form);
  auto* g = static_cast<TTestGadget*>(form.FindComponent("G"));
  ASSERT_EQ(g->Items()->Count(), 1);
  EXPECT_EQ(g->Items()->Items(0)->FieldName(), "S");
}

// A float property written without a fraction ("X = 2", as a hand-edited form has it) reads as a
// number, negative ones too.
TEST_F(FormText, AFloatPropertyWrittenAsAnIntegerReads) {
  for (auto [text, value] : {std::pair{"2", 2.0}, {"-7", -7.0}, {"0", 0.0}}) {
    TTestForm form(nullptr);
    ReadFormText("object F: TTestForm\n  object G: TTestGadget\n    Ratio = " + std::string(text) +
                     "\n  end\nend",
                 &form);
    auto* g = dynamic_cast<TTestGadget*>(form.FindComponent("G"));
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->Ratio(), value) << text;
  }
}

struct TBadForm {
  const char* Text;
  const char* Message;
};

TEST_F(FormText, ReaderErrorsNameTheLineAndTheProperty) {
  const TBadForm cases[] = {
      {"object F: TTestForm\n  object G: TTestGadget\n    Count = 3\n    Colour = 5\n  end\nend",
       "Line 4: Error reading G.Colour: Property Colour does not exist"},
      {"object F: TTestForm\n  object G: TTestGadget\n    Count = 'abc'\n  end\nend",
       "Line 3: Error reading G.Count: Invalid property value"},
      {"object F: TTestForm\n  object G: TTestGadget\n    Count = 99999999999\n  end\nend",
       "Line 3: Error reading G.Count: Invalid property value"},
      {"object F: TTestForm\n  object G: TTestGadget\n    Shade = shPurple\n  end\nend",
       "Line 3: Error reading G.Shade: Invalid property value"},
      {"object F: TTestForm\n  object G: TTestGadget\n    Ratio = 'abc'\n  end\nend",
       "Line 3: Error reading G.Ratio: Invalid property value"},
      {"object F: TTestForm\n  object G: TTestGadget\n    Ratio = shPurple\n  end\nend",
       "Line 3: Error reading G.Ratio: Invalid property value"},
      {"object F: TTestForm\n  object G: TTestGadget\n    Options = [goAlpha, goNope]\n  end\nend",
       "Line 3: Error reading G.Options: Invalid property value"},
      {"object F: TTestForm\n  object G: TTestGadget\n    Title.Nope.Size = 1\n  end\nend",
       "Line 3: Error reading G.Title.Nope.Size: Property Title.Nope.Size does not exist"},
      {"object F: TTestForm\n  object G: TTestGadget\n    Items = <\n      item\n        Width = 'x'\n      end>\n  end\nend",
       "Line 5: Error reading G.Items[0].Width: Invalid property value"},
      {"object F: TTestForm\n  object G: TTestGadget\n    Partner = Nobody\n  end\nend",
       "Line 3: Error reading G.Partner: Component Nobody not found"},
      {"object F: TTestForm\n  object G: TTestGadget\n    OnClick = Nope\n  end\nend",
       "Line 3: Error reading G.OnClick: Event handler Nope not found"},
      {"object F: TTestForm\n  object G: TTestGadget\n    Serial = 1\n  end\nend",
       "Line 3: Error reading G.Serial: Property Serial does not exist"},
      {"object F: TTestForm\n  object G: TTestGadget\n  end\n  object G: TTestGadget\n  end\nend",
       "Line 4: A component named G already exists"},
      {"object F: TTestForm\n  inherited Ghost: TTestGadget\n  end\nend", "Line 2: Ancestor for 'Ghost' not found"},
      {"object F: TTestForm\n  object G: TTestGadget\n    Count 3\n  end\nend", "Line 3: Invalid stream format"},
      {"object F: TTestForm\n  object G: TTestGadget\n    Text = 'open\n  end\nend", "Line 3: Invalid stream format"},
      {"object F: TTestForm\n  object G: TTestGadget\n    Blob = {0A1}\n  end\nend", "Line 3: Invalid stream format"},
      {"object F: TTestForm\n  object G: TTestGadget\n  end\n  Count = 1\nend", "Line 4: Invalid stream format"},
      {"object F: TTestForm\n  object G: TTestGadget\n    Count = 1\n", "Line 4: Invalid stream format"},
      {"object F: TTestForm\nend\nend", "Line 3: Invalid stream format"},
      {"object F: TTestForm\r\r\r  Count = @\nend", "Line 4: Invalid stream format"},
  };
  for (const TBadForm& c : cases) {
    TTestForm form(nullptr);
    try {
      ReadFormText(c.Text, &form);
      ADD_FAILURE() << "no error for: " << c.Text;
    } catch (const EReadError& e) {
      EXPECT_STREQ(e.what(), c.Message);
    }
    // Components made for the failed block are gone; nothing is left loading.
    EXPECT_LE(form.ComponentCount(), 1) << c.Text;
    EXPECT_FALSE(form.ComponentState().Contains(csLoading));
    for (int i = 0; i < form.ComponentCount(); ++i)
      EXPECT_FALSE(form.Components(i)->ComponentState().Contains(csReading));
  }
}

TEST_F(FormText, UnknownClassesAndFailedRootsLeaveNothingBehind) {
  try {
    ReadFormText("object F: TTestForm\n  object X: TNoSuchThing\n  end\nend");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_STREQ(e.what(), "Line 2: Class TNoSuchThing not found");
  }
  // The root the reader created is freed with its components (leak checks see it).
  EXPECT_THROW(ReadFormText("object F: TTestForm\n  object G: TTestGadget\n    Count = x\n  end\nend"), EReadError);
  EXPECT_THROW(ReadFormText("object F: TNoSuchForm\nend"), EClassNotFound);
  EXPECT_THROW(ReadFormText(""), EReadError);
}

}  // namespace
}  // namespace lab::test
