// Default and persistent columns, fallbacks, kinds, display text and edited values.

#include "grid_fixture.h"

#include "platform/classes/class_registry.h"
#include "platform/classes/form_text.h"
#include "platform/classes/property_access.h"
#include "platform/db/fields.h"

namespace lab::gridtest {
namespace {

using Columns = GridTest;

TEST_F(Columns, DefaultColumnsFollowTheDataSetsFields) {
  grid->SetDataSource(source);
  EXPECT_EQ(grid->Columns()->Count(), 0);
  OpenWithRows();
  ASSERT_EQ(grid->Columns()->Count(), 5);
  EXPECT_EQ(grid->Columns()->GetState(), 0);
  EXPECT_EQ(Column(1)->FieldName(), "Name");
  EXPECT_FALSE(Column(1)->Stored());
  EXPECT_EQ(Column(1)->GetField(), ds->FieldByName("Name"));
  EXPECT_EQ(grid->DataLink()->FieldCount(), 5);
  EXPECT_FALSE(grid->DataLink()->SparseMap());
  EXPECT_EQ(grid->DataLink()->GetMappedField(4), ds->FieldByName("Price"));
  EXPECT_EQ(grid->DataLink()->GetMappedField(5), nullptr);
  EXPECT_EQ(grid->DataLink()->GetMappedField(-1), nullptr);
  EXPECT_EQ(grid->ColCount(), 6);  // with the indicator

  // A field that hides drops its column; showing it again brings the column back in place.
  ds->FieldByName("Done")->SetVisible(false);
  ASSERT_EQ(grid->Columns()->Count(), 4);
  EXPECT_EQ(Column(2)->FieldName(), "Code");
  ds->FieldByName("Done")->SetVisible(true);
  ASSERT_EQ(grid->Columns()->Count(), 5);
  EXPECT_EQ(Column(2)->FieldName(), "Done");

  ds->Close();
  EXPECT_EQ(grid->Columns()->Count(), 0);
  ds->Open();
  EXPECT_EQ(grid->Columns()->Count(), 5);
  EXPECT_EQ(Column(0)->GetField(), ds->FieldByName("Id"));
}

TEST_F(Columns, PersistentColumnsSurviveReopeningAndMissingFieldsMapToNothing) {
  grid->SetDataSource(source);
  TColumnX* name = grid->Columns()->Add();
  name->SetFieldName("name");  // takes the field's own spelling once found
  TColumnX* ghost = grid->Columns()->Add();
  ghost->SetFieldName("Nowhere");
  EXPECT_EQ(grid->Columns()->GetState(), 1);
  EXPECT_EQ(name->GetField(), nullptr);  // closed dataset with its own default fields
  OpenWithRows();
  ASSERT_EQ(grid->Columns()->Count(), 2);
  EXPECT_EQ(name->GetField(), ds->FieldByName("Name"));
  EXPECT_EQ(name->FieldName(), "Name");
  EXPECT_EQ(ghost->GetField(), nullptr);
  EXPECT_TRUE(grid->DataLink()->SparseMap());
  EXPECT_EQ(grid->DataLink()->FieldMapEntry(1), -1);
  EXPECT_FALSE(grid->DataLink()->DefaultFields());
  EXPECT_EQ(ghost->DisplayText(), "");
  EXPECT_FALSE(ghost->CanModify(false));

  ds->Close();
  EXPECT_EQ(grid->Columns()->Count(), 2);
  EXPECT_EQ(name->GetField(), nullptr);
  ds->Open();
  ASSERT_EQ(grid->Columns()->Count(), 2);
  EXPECT_EQ(grid->Columns()->GetColumn(0), name);
  EXPECT_EQ(name->GetField(), ds->FieldByName("Name"));
}

TEST_F(Columns, OverridablePropertiesFallBackUntilAssigned) {
  grid->SetDataSource(source);
  OpenWithRows();
  TColumnX* price = Column(4);
  TColumnX* done = Column(2);
  TColumnX* name = Column(1);
  // Field, grid and grid-wide defaults.
  EXPECT_EQ(price->Alignment(), taRightJustify);
  EXPECT_EQ(name->Alignment(), taLeftJustify);
  EXPECT_TRUE(done->Checkboxes());
  EXPECT_FALSE(name->Checkboxes());
  EXPECT_TRUE(name->WordWrap());
  EXPECT_FALSE(price->WordWrap());
  EXPECT_EQ(price->Color(), grid->Color());
  grid->SetColor(clYellow);
  EXPECT_EQ(price->Color(), clYellow);
  EXPECT_FALSE(price->ReadOnly());
  ds->FieldByName("Price")->SetReadOnly(true);
  EXPECT_TRUE(price->ReadOnly());
  ds->FieldByName("Price")->SetReadOnly(false);
  grid->SetReadOnly(true);
  EXPECT_TRUE(name->ReadOnly());
  grid->SetReadOnly(false);
  EXPECT_FALSE(price->ToolTips());
  grid->ColumnDefValues()->SetToolTips(true);
  EXPECT_TRUE(price->ToolTips());
  EXPECT_EQ(price->Layout(), tlTop);
  grid->ColumnDefValues()->SetLayout(tlCenter);
  EXPECT_EQ(price->Layout(), tlCenter);
  EXPECT_EQ(price->Title()->Caption(), "Price");
  EXPECT_EQ(price->Title()->Color(), clBtnFace);
  EXPECT_EQ(price->Title()->Alignment(), taLeftJustify);
  grid->SetUseMultiTitle(true);
  EXPECT_EQ(price->Title()->Alignment(), taCenter);
  grid->TitleFont()->SetSize(14);
  EXPECT_EQ(price->Title()->Font()->Size(), 14);
  grid->Font()->SetSize(11);
  EXPECT_EQ(price->Font()->Size(), 11);

  // A column of its own: no longer follows.
  TColumnX* own = grid->Columns()->Add();
  own->SetFieldName("Price");
  own->SetColor(clRed);
  own->Font()->SetSize(9);
  own->Title()->SetCaption("Cost");
  grid->SetColor(clAqua);
  grid->Font()->SetSize(12);
  EXPECT_EQ(own->Color(), clRed);
  EXPECT_EQ(own->Font()->Size(), 9);
  EXPECT_EQ(own->Title()->Caption(), "Cost");
  EXPECT_TRUE(own->Assigned(cvFont));
  own->RestoreDefaults();
  EXPECT_EQ(own->Color(), clAqua);
  EXPECT_EQ(own->Font()->Size(), 12);
  EXPECT_EQ(own->Title()->Caption(), "Price");

  // Without a grid: the plain fallbacks.
  TCollection loose(MetaClass<TDBGridColumnX>());
  auto* c = static_cast<TColumnX*>(loose.Add());
  EXPECT_EQ(c->GetGrid(), nullptr);
  EXPECT_EQ(c->Color(), clWindow);
  EXPECT_EQ(c->Width(), 64);
  EXPECT_EQ(c->Title()->Color(), clBtnFace);
  EXPECT_EQ(c->Alignment(), taLeftJustify);
}

// Every column and title setting that follows a grid-wide default: it follows until assigned, and
// is stored only while assigned and different from what it would follow.
TEST_F(Columns, EveryGridDefaultIsFollowedUntilAssignedAndStoredOnlyWhenItDiffers) {
  grid->SetDataSource(source);
  OpenWithRows();
  TColumnX* c = grid->Columns()->Add();
  c->SetFieldName("Price");
  TColumnDefValuesX* d = grid->ColumnDefValues();
  struct TFlag {
    const char* Name;
    bool (TColumnX::*Get)() const;
    void (TColumnX::*Set)(bool);
    void (TColumnDefValuesX::*SetDefault)(bool);
  };
  const TFlag flags[] = {
      {"AlwaysShowEditButton", &TColumnX::AlwaysShowEditButton, &TColumnX::SetAlwaysShowEditButton,
       &TColumnDefValuesX::SetAlwaysShowEditButton},
      {"AutoDropDown", &TColumnX::AutoDropDown, &TColumnX::SetAutoDropDown, &TColumnDefValuesX::SetAutoDropDown},
      {"DblClickNextVal", &TColumnX::DblClickNextVal, &TColumnX::SetDblClickNextVal,
       &TColumnDefValuesX::SetDblClickNextVal},
      {"DropDownShowTitles", &TColumnX::DropDownShowTitles, &TColumnX::SetDropDownShowTitles,
       &TColumnDefValuesX::SetDropDownShowTitles},
      {"DropDownSizing", &TColumnX::DropDownSizing, &TColumnX::SetDropDownSizing,
       &TColumnDefValuesX::SetDropDownSizing},
      {"EndEllipsis", &TColumnX::EndEllipsis, &TColumnX::SetEndEllipsis, &TColumnDefValuesX::SetEndEllipsis},
      {"HighlightRequired", &TColumnX::HighlightRequired, &TColumnX::SetHighlightRequired,
       &TColumnDefValuesX::SetHighlightRequired},
      {"ToolTips", &TColumnX::ToolTips, &TColumnX::SetToolTips, &TColumnDefValuesX::SetToolTips},
  };
  for (const TFlag& f : flags) {
    SCOPED_TRACE(f.Name);
    const TPropInfo* prop = GetPropInfo(c, f.Name);
    ASSERT_NE(prop, nullptr);
    EXPECT_FALSE((c->*f.Get)());
    (d->*f.SetDefault)(true);
    EXPECT_TRUE((c->*f.Get)());
    EXPECT_FALSE(prop->IsStored(c));
    (c->*f.Set)(true);  // the same as the default: assigned, not stored
    EXPECT_FALSE(prop->IsStored(c));
    (c->*f.Set)(false);
    EXPECT_TRUE(prop->IsStored(c));
    (d->*f.SetDefault)(false);  // the own value is the default's again
    EXPECT_FALSE((c->*f.Get)());
    EXPECT_FALSE(prop->IsStored(c));
    (d->*f.SetDefault)(true);
    EXPECT_FALSE((c->*f.Get)());  // assigned: no longer follows
    EXPECT_TRUE(prop->IsStored(c));
  }
  d->SetLayout(tlBottom);
  EXPECT_EQ(c->Layout(), tlBottom);
  EXPECT_FALSE(GetPropInfo(c, "Layout")->IsStored(c));
  c->SetLayout(tlCenter);
  d->SetLayout(tlTop);
  EXPECT_EQ(c->Layout(), tlCenter);
  EXPECT_TRUE(GetPropInfo(c, "Layout")->IsStored(c));

  // The grid's own settings.
  EXPECT_EQ(c->BiDiMode(), grid->BiDiMode());
  c->SetBiDiMode(grid->BiDiMode());
  EXPECT_FALSE(GetPropInfo(c, "BiDiMode")->IsStored(c));
  c->SetBiDiMode(bdRightToLeft);
  EXPECT_TRUE(GetPropInfo(c, "BiDiMode")->IsStored(c));
  EXPECT_EQ(c->ImeMode(), grid->ImeMode());
  EXPECT_FALSE(GetPropInfo(c, "ImeMode")->IsStored(c));
  c->SetImeMode(imOpen);
  EXPECT_EQ(c->ImeMode(), imOpen);
  EXPECT_TRUE(GetPropInfo(c, "ImeMode")->IsStored(c));
  c->SetImeName("other");
  EXPECT_TRUE(GetPropInfo(c, "ImeName")->IsStored(c));
  EXPECT_FALSE(GetPropInfo(c, "Increment")->IsStored(c));
  EXPECT_FALSE(GetPropInfo(c, "Checkboxes")->IsStored(c));
  c->SetCheckboxes(false);  // equal to its fallback, and stored all the same
  EXPECT_TRUE(GetPropInfo(c, "Checkboxes")->IsStored(c));

  // Title settings follow the grid's title defaults; the colour follows the grid's FixedColor.
  TColumnTitleX* t = c->Title();
  TColumnTitleDefValuesX* td = d->Title();
  grid->SetFixedColor(clSilver);
  EXPECT_EQ(t->Color(), clSilver);
  EXPECT_FALSE(GetPropInfo(t, "Color")->IsStored(t));
  td->SetColor(clGreen);
  EXPECT_EQ(t->Color(), clGreen);
  t->SetColor(clGreen);
  EXPECT_FALSE(GetPropInfo(t, "Color")->IsStored(t));
  t->SetColor(clRed);
  EXPECT_TRUE(GetPropInfo(t, "Color")->IsStored(t));
  td->SetOrientation(toxVertical);
  EXPECT_EQ(t->Orientation(), toxVertical);
  EXPECT_FALSE(GetPropInfo(t, "Orientation")->IsStored(t));
  t->SetOrientation(toxHorizontal);
  EXPECT_TRUE(GetPropInfo(t, "Orientation")->IsStored(t));
  struct TTitleFlag {
    const char* Name;
    bool (TColumnTitleX::*Get)() const;
    void (TColumnTitleX::*Set)(bool);
    void (TColumnTitleDefValuesX::*SetDefault)(bool);
  };
  const TTitleFlag title_flags[] = {
      {"EndEllipsis", &TColumnTitleX::EndEllipsis, &TColumnTitleX::SetEndEllipsis,
       &TColumnTitleDefValuesX::SetEndEllipsis},
      {"TitleButton", &TColumnTitleX::TitleButton, &TColumnTitleX::SetTitleButton,
       &TColumnTitleDefValuesX::SetTitleButton},
      {"ToolTips", &TColumnTitleX::ToolTips, &TColumnTitleX::SetToolTips, &TColumnTitleDefValuesX::SetToolTips},
  };
  for (const TTitleFlag& f : title_flags) {
    SCOPED_TRACE(f.Name);
    const TPropInfo* prop = GetPropInfo(t, f.Name);
    ASSERT_NE(prop, nullptr);
    (td->*f.SetDefault)(true);
    EXPECT_TRUE((t->*f.Get)());
    EXPECT_FALSE(prop->IsStored(t));
    (t->*f.Set)(false);
    EXPECT_TRUE(prop->IsStored(t));
    (td->*f.SetDefault)(false);
    EXPECT_FALSE(prop->IsStored(t));
  }
  EXPECT_FALSE(GetPropInfo(t, "Font")->IsStored(t));
  t->Font()->SetSize(20);
  EXPECT_TRUE(GetPropInfo(t, "Font")->IsStored(t));
  grid->TitleFont()->SetSize(7);
  EXPECT_EQ(t->Font()->Size(), 20);

  // What was assigned reads back assigned from form text; the rest follows again.
  RegisterClasses<TDBGridX>();
  grid->SetDataSource(nullptr);
  grid->SetParent(nullptr);
  std::unique_ptr<TComponent> copy(ReadFormText(WriteFormText(grid)));
  TColumnX* r = static_cast<TDBGridX*>(copy.get())->Columns()->GetColumn(0);
  EXPECT_TRUE(r->Assigned(cvToolTips));
  EXPECT_TRUE(r->Assigned(cvBiDiMode));
  EXPECT_EQ(r->BiDiMode(), bdRightToLeft);
  EXPECT_EQ(r->ImeMode(), imOpen);
  EXPECT_EQ(r->Layout(), tlCenter);
  EXPECT_TRUE(r->Assigned(cvCheckboxes));
  EXPECT_EQ(r->Title()->Color(), clRed);
  EXPECT_EQ(r->Title()->Orientation(), toxHorizontal);
  EXPECT_TRUE(r->Assigned(cvTitleOrientation));
  EXPECT_EQ(r->Title()->Font()->Size(), 20);
  EXPECT_FALSE(r->Assigned(cvTitleEndEllipsis));  // equal to its default when written
  EXPECT_FALSE(r->Assigned(cvColor));
}

TEST_F(Columns, DefaultColumnsHandPropertiesToTheirFields) {
  grid->SetDataSource(source);
  OpenWithRows();
  Column(1)->Title()->SetCaption("Full name");
  EXPECT_EQ(ds->FieldByName("Name")->DisplayLabel(), "Full name");
  EXPECT_EQ(Column(1)->Title()->Caption(), "Full name");
  Column(0)->SetAlignment(taCenter);
  EXPECT_EQ(ds->FieldByName("Id")->Alignment(), taCenter);
  EXPECT_FALSE(Column(0)->Assigned(cvAlignment));
}

TEST_F(Columns, WidthsComeFromDisplayWidthAndAreClamped) {
  grid->SetDataSource(source);
  OpenWithRows();
  TColumnX* code = grid->Columns()->Add();  // customised from here on
  code->SetFieldName("Code");
  const int w = code->Width();
  EXPECT_GT(w, 5 * 4);
  EXPECT_FALSE(code->Assigned(cvWidth));
  code->SetMaxWidth(30);
  EXPECT_EQ(code->Width(), 30);
  code->SetWidth(100);
  EXPECT_EQ(code->Width(), 30);
  code->SetMaxWidth(0);
  code->SetMinWidth(50);
  EXPECT_EQ(code->Width(), 50);
  EXPECT_EQ(code->ClampWidth(10), 50);
  code->SetMinWidth(0);
  EXPECT_EQ(code->ClampWidth(10), 10);
}

TEST_F(Columns, KindsAreTestedInOrder) {
  grid->SetDataSource(source);
  OpenWithRows();
  TColumnX* c = grid->Columns()->Add();
  c->SetFieldName("Code");
  EXPECT_EQ(c->GetColumnType(), ctCommon);
  c->GetPickList()->Add("a");
  EXPECT_EQ(c->GetColumnType(), ctPickList);
  c->GetKeyList()->Add("A");
  EXPECT_EQ(c->GetColumnType(), ctKeyPickList);
  TImageList images(nullptr);
  c->SetImageList(&images);
  EXPECT_EQ(c->GetColumnType(), ctKeyImageList);
  c->SetShowImageAndText(true);
  EXPECT_EQ(c->GetColumnType(), ctKeyPickList);
  c->SetCheckboxes(true);
  EXPECT_EQ(c->GetColumnType(), ctCheckboxes);
  c->SetImageList(nullptr);
}

TEST_F(Columns, PickAndKeyListsMapValuesAtBothEndsAndPastThem) {
  grid->SetDataSource(source);
  OpenWithRows();
  TColumnX* c = grid->Columns()->Add();
  c->SetFieldName("Code");
  c->GetKeyList()->SetText("K0\nK1\nK2");
  c->GetPickList()->SetText("Text0\nText1");
  EXPECT_EQ(c->DisplayText(), "Text0");  // K0
  ds->Next();
  EXPECT_EQ(c->DisplayText(), "Text1");  // K1
  EXPECT_EQ(c->GetImageIndex(), 1);
  ds->Next();
  EXPECT_EQ(c->DisplayText(), "");       // zz: in neither list
  EXPECT_EQ(c->GetImageIndex(), -1);
  c->SetNotInKeyListIndex(0);
  EXPECT_EQ(c->DisplayText(), "Text0");
  EXPECT_EQ(c->GetImageIndex(), 0);
  c->SetNotInKeyListIndex(5);
  EXPECT_EQ(c->DisplayText(), "");
  // K2 has a key but no text: the not-in-list text stands in.
  ds->Edit();
  ds->FieldByName("Code")->SetAsString("K2");
  c->SetNotInKeyListIndex(1);
  EXPECT_EQ(c->DisplayText(), "Text1");
  ds->Cancel();
}

TEST_F(Columns, StepsWrapAroundAtBothEndsOfTheLists) {
  grid->SetDataSource(source);
  OpenWithRows();
  TColumnX* c = grid->Columns()->Add();
  c->SetFieldName("Code");
  TField* code = ds->FieldByName("Code");
  c->GetKeyList()->SetText("K0\nK1");
  c->GetPickList()->SetText("Text0\nText1");
  c->SetNextFieldValue(1.0);  // K0 -> K1
  EXPECT_EQ(code->AsString(), "K1");
  c->SetNextFieldValue(1.0);  // last -> first
  EXPECT_EQ(code->AsString(), "K0");
  c->SetNextFieldValue(-1.0);  // first -> last
  EXPECT_EQ(code->AsString(), "K1");
  ds->Cancel();

  TColumnX* picks = grid->Columns()->Add();
  picks->SetFieldName("Name");
  picks->GetPickList()->SetText("one\ntwo\nthree");
  TField* name = ds->FieldByName("Name");
  picks->SetNextFieldValue(1.0);
  EXPECT_EQ(name->AsString(), "two");
  picks->SetNextFieldValue(-1.0);
  picks->SetNextFieldValue(-1.0);  // first -> last
  EXPECT_EQ(name->AsString(), "three");
  picks->SetNextFieldValue(1.0);  // last -> first
  EXPECT_EQ(name->AsString(), "one");
  name->SetAsString("unknown");
  picks->SetNextFieldValue(1.0);  // not in the list: the first
  EXPECT_EQ(name->AsString(), "one");
  ds->Cancel();

  TColumnX* number = grid->Columns()->Add();
  number->SetFieldName("Price");
  ds->Next();  // Price is null
  number->SetNextFieldValue(0.5);
  EXPECT_DOUBLE_EQ(ds->FieldByName("Price")->AsFloat(), 0.5);
  ds->Cancel();
  grid->SetReadOnly(true);
  number->SetNextFieldValue(1.0);
  EXPECT_EQ(ds->State(), dsBrowse);
}

TEST_F(Columns, ImageColumnWithoutKeysStepsOnlyNumbers) {
  grid->SetDataSource(source);
  OpenWithRows();
  TImageList images(nullptr);
  TColumnX* id = grid->Columns()->Add();
  id->SetFieldName("Id");
  id->SetImageList(&images);
  ASSERT_EQ(id->GetColumnType(), ctKeyImageList);
  id->SetNextFieldValue(1.0);
  EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 2);
  ds->Cancel();
  TColumnX* code = grid->Columns()->Add();
  code->SetFieldName("Code");
  code->SetImageList(&images);
  code->SetNextFieldValue(1.0);
  EXPECT_EQ(ds->FieldByName("Code")->AsString(), "K0");
  ds->Cancel();
  id->SetImageList(nullptr);
  code->SetImageList(nullptr);
}

TEST_F(Columns, CheckBoxStatesForBooleansKeyListsAndNull) {
  grid->SetDataSource(source);
  OpenWithRows();
  TColumnX* done = Column(2);
  EXPECT_EQ(done->GetCheckboxState(), cbChecked);
  ds->Next();
  EXPECT_EQ(done->GetCheckboxState(), cbUnchecked);
  ds->Next();
  EXPECT_EQ(done->GetCheckboxState(), cbGrayed);  // Null
  ds->Edit();
  done->SetCheckboxState(cbChecked);
  EXPECT_TRUE(ds->FieldByName("Done")->AsBoolean());
  done->SetNextFieldValue(1.0);
  EXPECT_FALSE(ds->FieldByName("Done")->AsBoolean());
  done->SetCheckboxState(cbGrayed);
  EXPECT_TRUE(ds->FieldByName("Done")->IsNull());
  ds->Cancel();

  grid->Columns()->Clear();
  TColumnX* code = grid->Columns()->Add();
  code->SetFieldName("Code");
  code->SetCheckboxes(true);
  TField* f = ds->FieldByName("Code");
  ds->Edit();
  // No key list at all: nothing is checked or unchecked, and nothing is read past the list.
  f->SetAsString("");
  EXPECT_EQ(code->GetCheckboxState(), cbGrayed);
  f->SetAsString("Y");
  EXPECT_EQ(code->GetCheckboxState(), cbGrayed);
  code->SetCheckboxState(cbChecked);
  EXPECT_EQ(f->AsString(), "");
  code->GetKeyList()->SetText("Y;1;T\nN;0;F");
  f->SetAsString("t");
  EXPECT_EQ(code->GetCheckboxState(), cbChecked);
  f->SetAsString("0");
  EXPECT_EQ(code->GetCheckboxState(), cbUnchecked);
  f->SetAsString("maybe");
  EXPECT_EQ(code->GetCheckboxState(), cbGrayed);
  f->Clear();
  EXPECT_EQ(code->GetCheckboxState(), cbGrayed);
  code->SetCheckboxState(cbUnchecked);
  EXPECT_EQ(f->AsString(), "N");
  code->SetCheckboxState(cbChecked);
  EXPECT_EQ(f->AsString(), "Y");
  // One line only: what is not checked is grayed.
  code->GetKeyList()->SetText("Y");
  f->SetAsString("N");
  EXPECT_EQ(code->GetCheckboxState(), cbGrayed);
  code->SetCheckboxState(cbUnchecked);
  EXPECT_EQ(f->AsString(), "");
  ds->Cancel();
}

TEST_F(Columns, UpdateDataRunsTheHookFirstAndFillsTheRecentList) {
  grid->SetDataSource(source);
  OpenWithRows();
  TColumnX* name = Column(1);
  int calls = 0;
  name->OnUpdateData = [&](TObject*, std::string& Text, Variant&, bool&, bool& Handled) {
    ++calls;
    if (Text == "skip") Handled = true;
    Text = "[" + Text + "]";
  };
  ds->Edit();
  name->UpdateDataValues("x", Variant(), true);
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "[x]");
  name->UpdateDataValues("skip", Variant(), true);
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "[x]");
  EXPECT_EQ(calls, 2);
  name->OnUpdateData = nullptr;
  Column(0)->UpdateDataValues("", 42, false);
  EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 42);
  ds->Cancel();
}

TEST_F(Columns, DisplayFormatAndCellParameters) {
  grid->SetDataSource(source);
  OpenWithRows();
  TColumnX* price = Column(4);
  price->SetDisplayFormat("0.00");
  EXPECT_EQ(price->DisplayText(), "1.50");
  TColCellParamsX params;
  price->FillColCellParams(&params);
  EXPECT_EQ(params.Text, "1.50");
  EXPECT_EQ(params.Alignment, taRightJustify);
  EXPECT_EQ(params.Background, grid->Color());
  EXPECT_EQ(params.ImageIndex, -1);
  int seen = 0;
  price->OnGetCellParams = [&](TObject*, bool EditMode, TColCellParamsX* P) {
    seen += EditMode ? 10 : 1;
    P->Text = "changed";
  };
  price->GetColCellParams(true, &params);
  EXPECT_EQ(seen, 10);
  EXPECT_EQ(params.Text, "changed");
}

}  // namespace
}  // namespace lab::gridtest
