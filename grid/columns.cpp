#include "grid/columns.h"

#include <algorithm>

#include "grid/dbgrid.h"
#include "grid/grid_services.h"
#include "grid/lookup_grid.h"
#include "platform/controls/menus.h"
#include "platform/db/data_source.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/numbers.h"
#include "platform/rtl/scope_exit.h"
#include "platform/win/gdi.h"

namespace lab {
namespace {

bool IsMemo(const TField* f) { return f->DataType() == ftMemo || f->DataType() == ftFmtMemo; }

bool IsIntegerLike(const TField* f) {
  switch (f->DataType()) {
    case ftSmallint: case ftInteger: case ftWord: case ftLargeint: case ftAutoInc: return true;
    default: return false;
  }
}

bool IsSteppable(const TField* f) {
  switch (f->DataType()) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd:
      return true;
    default: return false;
  }
}

// Whether Text is one of the ";"-separated values of Line (compared without case).
bool InValueList(const std::string& Text, const std::string& Line) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = Line.find(';', start);
    const std::string_view value = std::string_view(Line).substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (AnsiCompareTextX(Text, value) == 0) return true;
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

std::string FirstValue(const std::string& Line) { return Line.substr(0, Line.find(';')); }

// The text metrics a column width is computed from, in a memory context so no window is needed.
struct TFontMeasure {
  int Zero = 8;      // width of "0"
  int Overhang = 0;
  int AveChar = 8;
};

TFontMeasure Measure(TFont* Font) {
  TFontMeasure m;
  win::HDC dc = win::CreateCompatibleDC(nullptr);
  {
    TCanvas canvas;
    canvas.SetHandle(dc);
    canvas.SetFont(Font);
    m.Zero = std::max(1, canvas.TextWidth("0"));
    win::TEXTMETRIC tm{};
    win::GetTextMetrics(canvas.Handle(), &tm);
    m.Overhang = tm.tmOverhang;
    m.AveChar = tm.tmAveCharWidth;
    canvas.SetHandle(nullptr);
  }
  win::DeleteDC(dc);
  return m;
}

}  // namespace

// ---- TColCellParamsX ----

TColCellParamsX::TColCellParamsX() : Font(std::make_unique<TFont>()) {}
TColCellParamsX::~TColCellParamsX() = default;

// ---- Construction ----

// The grid's layout level batches what the construction changes; it is closed without laying out,
// since the column is not whole yet: the collection reports the new column once it is, and the
// grid lays out then.
TColumnX::TColumnX(TCollection* Collection) : TCollectionItem(Collection) {
  TCustomDBGridX* grid = GetGrid();
  if (grid) grid->BeginLayout();
  TScopeExit cancel_layout([&] {
    if (grid) grid->CancelLayout();
  });
  font_ = std::make_unique<TFont>();
  RefreshDefaultFont();
  font_->OnChange = [this](TObject*) { FontChanged(); };
  ime_name_.clear();
  title_ = CreateTitle();
  footer_ = CreateFooter();
  footers_ = CreateFooters();
  edit_buttons_ = CreateEditButtons();
  edit_buttons_->OnChanged = [this](TObject*) { Changed(false); };
  spec_row_ = std::make_unique<TSpecRowX>(this);
  spec_row_->OnChanged = [this](TObject*) { SpecRowChanged(); };
  drop_down_box_ = std::make_unique<TColumnDropDownBoxX>(this);
  st_filter_ = CreateSTFilter();
  mru_list_ = std::make_unique<TMRUListX>(this);
  image_change_link_ = std::make_unique<TChangeLink>();
  image_change_link_->OnChange = [this](TObject*) { ImageListChanged(); };
  init_width_ = Width();
}

// While the column is whole and still in the grid, its footers give their aggregates back to the
// grid's sum list and the grid hears of the leaving (it reads the title's sort place). The image
// change link leaves its list by itself.
TColumnX::~TColumnX() {
  if (footer_) footer_->DropSum();
  if (footers_)
    for (int i = 0; i < footers_->Count(); ++i) footers_->GetFooter(i)->DropSum();
  LeaveCollection();
}

std::unique_ptr<TColumnTitleX> TColumnX::CreateTitle() { return std::make_unique<TColumnTitleX>(this); }
std::unique_ptr<TColumnFooterX> TColumnX::CreateFooter() { return std::make_unique<TColumnFooterX>(this); }
std::unique_ptr<TColumnFootersX> TColumnX::CreateFooters() {
  return std::make_unique<TColumnFootersX>(this, MetaClass<TColumnFooterX>());
}
std::unique_ptr<TSTColumnFilterX> TColumnX::CreateSTFilter() { return std::make_unique<TSTColumnFilterX>(this); }
std::unique_ptr<TEditButtonsX> TColumnX::CreateEditButtons() {
  return std::make_unique<TEditButtonsX>(this, MetaClass<TVisibleEditButtonX>());
}

TCustomDBGridX* TColumnX::GetGrid() const {
  TCollection* c = Collection();
  return c && c->Is<TDBGridColumnsX>() ? static_cast<TDBGridColumnsX*>(c)->Grid() : nullptr;
}

std::string TColumnX::GetDisplayName() {
  return field_name_.empty() ? TCollectionItem::GetDisplayName() : field_name_;
}

bool TColumnX::LinkActive() const {
  TCustomDBGridX* grid = GetGrid();
  return grid && grid->DataLink()->Active();
}

bool TColumnX::InLinkLayout() const {
  TCustomDBGridX* grid = GetGrid();
  return grid && grid->InLinkLayout();
}

template <class T>
void TColumnX::SetAssigned(T& Field, const T& Value, TColumnXValue Flag) {
  if (Assigned(Flag) && Field == Value) return;
  Field = Value;
  Assign(Flag);
  Changed(false);
}

// ---- The field ----

TField* TColumnX::GetField() {
  if (field_ || field_name_.empty()) return field_;
  TCustomDBGridX* grid = GetGrid();
  TDataSet* ds = grid ? grid->DataLink()->DataSet() : nullptr;
  if (!ds) return nullptr;
  // A closed dataset's own fields are gone until it opens again.
  if (!ds->Active() && ds->DefaultFields()) return nullptr;
  TField* f = ds->FindField(field_name_);
  if (f != field_) {
    field_ = f;
    if (f) {
      field_name_ = f->FieldName();
      f->FreeNotification(grid);
    }
    ResetFooters();
  }
  return field_;
}

void TColumnX::SetField(TField* Value) {
  if (field_ == Value && (!Value || field_name_ == Value->FieldName())) return;
  field_ = Value;
  TCustomDBGridX* grid = GetGrid();
  if (Value) {
    field_name_ = Value->FieldName();
    if (grid) Value->FreeNotification(grid);
  }
  if (IsDefaultColumn()) {
    if (!Value) field_name_.clear();
    RestoreDefaults();
    init_width_ = Width();
  }
  ResetFooters();
  Changed(false);
}

void TColumnX::SetFieldName(const std::string& Value) {
  TCustomDBGridX* grid = GetGrid();
  TDataSet* ds = grid ? grid->DataLink()->DataSet() : nullptr;
  field_name_ = Value;
  field_ = nullptr;
  if (ds && !grid->ComponentState().Contains(csLoading)) {
    if (TField* f = (ds->Active() || !ds->DefaultFields()) ? ds->FindField(Value) : nullptr) {
      SetField(f);
      return;
    }
  }
  ResetFooters();
  Changed(false);
}

TDataSet* TColumnX::GetLookupDataSet() {
  TField* f = GetField();
  return f && f->Lookup() ? f->LookupDataSet() : nullptr;
}

TDataSet* TColumnX::GetListDataSet() {
  if (TDataSource* source = drop_down_box_->ListSource()) return source->DataSet();
  return GetLookupDataSet();
}

// ---- The drop-down grid ----

TPopupDataGridX* TColumnX::GetDataList() {
  if (data_list_) return data_list_.get();
  data_list_ = std::make_unique<TPopupDataGridX>(nullptr);
  TPopupDataGridX* list = data_list_.get();
  list->SetName("DataList");
  list->SetSpecRow(spec_row_.get());
  list->SetDataSource(drop_down_box_->ListSource());
  list->OnCheckButton = [this](TObject* Sender, int ACol, TColumnX* Column, bool& Enabled) {
    if (OnDropDownBoxCheckButton) OnDropDownBoxCheckButton(Sender, ACol, Column, Enabled);
  };
  list->OnDrawColumnCell = [this](TObject* Sender, const TRect& Rect, int DataCol, TColumnX* Column,
                                  TGridDrawState State) {
    if (OnDropDownBoxDrawColumnCell) OnDropDownBoxDrawColumnCell(Sender, Rect, DataCol, Column, State);
  };
  list->OnGetCellParams = [this](TObject* Sender, TColumnX* Column, TFont* AFont, TColor& Background,
                                 TGridDrawState State) {
    if (OnDropDownBoxGetCellParams) OnDropDownBoxGetCellParams(Sender, Column, AFont, Background, State);
  };
  list->OnSortMarkingChanged = [this](TObject* Sender) {
    if (OnDropDownBoxSortMarkingChanged) OnDropDownBoxSortMarkingChanged(Sender);
  };
  list->OnTitleBtnClick = [this](TObject* Sender, int ACol, TColumnX* Column) {
    if (OnDropDownBoxTitleBtnClick) OnDropDownBoxTitleBtnClick(Sender, ACol, Column);
  };
  return list;
}

TPopupDataGridX* TColumnX::PrepareDataList() {
  TPopupDataGridX* list = GetDataList();
  TField* f = GetField();
  TDataSource* source = drop_down_box_->ListSource();
  if (!source) {
    if (!lookup_source_) lookup_source_ = std::make_unique<TDataSource>(nullptr);
    lookup_source_->SetDataSet(GetLookupDataSet());
    source = lookup_source_.get();
  }
  list->SetDataSource(source);
  list->SetKeyFieldName(f && f->Lookup() ? f->LookupKeyFields() : std::string());
  list->SetListFieldName(LookupDisplayFields());
  TDBGridOptions options = list->TCustomDBGridX::Options() - dgTitles;
  if (DropDownShowTitles()) options.Include(dgTitles);
  list->TCustomDBGridX::SetOptions(options);
  list->SetAutoFitColWidths(drop_down_box_->AutoFitColWidths());
  list->SetUseMultiTitle(drop_down_box_->UseMultiTitle());
  return list;
}

void TColumnX::TakeDataListChoice() {
  TField* f = GetField();
  if (!data_list_ || !f || !f->Lookup()) return;
  Variant key;
  std::string text;
  switch (data_list_->Choice()) {
    case TDBLookupGridX::lcSpecRowX:
      key = spec_row_->Value();
      text = spec_row_->CellText(0);
      break;
    case TDBLookupGridX::lcRecordX: {
      key = data_list_->ChosenKey();
      TField* result = data_list_->DataLink()->DataSet()->FindField(f->LookupResultField());
      text = result ? result->EditText() : std::string();
      break;
    }
    default: return;
  }
  if (BeginFieldEdit(f)) UpdateDataValues(text, key, false);
}

void TColumnX::SetDropDownListSource(TDataSource* Value) {
  if (data_list_) data_list_->SetDataSource(Value);
  // The grid hears when the source goes, and clears it here (Notification).
  if (TCustomDBGridX* grid = GetGrid(); grid && Value) Value->FreeNotification(grid);
}

TCustomDBGridX* TColumnX::DropDownGrid() { return GetDataList(); }

// Without a drop-down grid yet, the options it would be made with.
TDBLookupGridXOptions TColumnX::DropDownOptions() {
  return data_list_ ? data_list_->Options() : TDBLookupGridXOptions{dlgColLinesX};
}

void TColumnX::SetDropDownOptions(TDBLookupGridXOptions Value) {
  if (Value == DropDownOptions()) return;
  GetDataList()->SetOptions(Value);
}

void TColumnX::ResetFooters() {
  if (footer_) footer_->BindSum();
  if (footers_)
    for (int i = 0; i < footers_->Count(); ++i) footers_->GetFooter(i)->BindSum();
}

void TColumnX::ForgetComponent(TComponent* AComponent) {
  if (field_ == AComponent) field_ = nullptr;
  if (popup_menu_ == AComponent) popup_menu_ = nullptr;
  if (drop_down_box_ && drop_down_box_->ListSource() == AComponent) drop_down_box_->SetListSource(nullptr);
  // A freed image list has already let go of the change link.
  if (image_list_ == AComponent) image_list_ = nullptr;
}

// ---- Fallbacks ----

TAlignment TColumnX::DefaultAlignment() {
  TField* f = GetField();
  return f ? f->Alignment() : taLeftJustify;
}

TColor TColumnX::DefaultColor() const {
  TCustomDBGridX* grid = GetGrid();
  return grid ? grid->Color() : clWindow;
}

bool TColumnX::DefaultCheckboxes() {
  TField* f = GetField();
  return f && f->DataType() == ftBoolean;
}

bool TColumnX::DefaultReadOnly() {
  TCustomDBGridX* grid = GetGrid();
  if (grid && grid->ReadOnly()) return true;
  TField* f = GetField();
  return f && f->ReadOnly();
}

bool TColumnX::DefaultWordWrap() {
  TField* f = GetField();
  if (!f) return false;
  switch (f->DataType()) {
    case ftString: case ftMemo: case ftFmtMemo: case ftWideString: return true;
    default: return false;
  }
}

TImeMode TColumnX::DefaultImeMode() const {
  TCustomDBGridX* grid = GetGrid();
  return grid ? grid->ImeMode() : imDontCare;
}

std::string TColumnX::DefaultImeName() const {
  TCustomDBGridX* grid = GetGrid();
  return grid ? grid->ImeName() : std::string();
}

std::string TColumnX::DefaultLookupDisplayFields() {
  TField* f = GetField();
  return f && f->Lookup() ? f->LookupResultField() : std::string();
}

TBiDiMode TColumnX::DefaultBiDiMode() const {
  TCustomDBGridX* grid = GetGrid();
  return grid ? grid->BiDiMode() : bdLeftToRight;
}

void TColumnX::RefreshDefaultFont() {
  if (Assigned(cvFont) || refreshing_font_) return;
  refreshing_font_ = true;
  TCustomDBGridX* grid = GetGrid();
  if (grid) {
    font_->Assign(grid->Font());
  } else {
    TFont plain;
    font_->Assign(&plain);
  }
  refreshing_font_ = false;
}

int TColumnX::DefaultWidth() {
  TCustomDBGridX* grid = GetGrid();
  if (!grid) return 64;
  TField* f = GetField();
  if (!f) return grid->DefaultColWidth();
  const TFontMeasure m = Measure(Font());
  return (m.Zero - m.Overhang) * f->DisplayWidth() + m.Overhang + 4;
}

// ---- Overridable properties ----

TAlignment TColumnX::Alignment() { return Assigned(cvAlignment) ? alignment_ : DefaultAlignment(); }

void TColumnX::SetAlignment(TAlignment Value) {
  if (IsDefaultColumn() && LinkActive()) {
    if (TField* f = GetField()) {
      f->SetAlignment(Value);
      return;
    }
  }
  SetAssigned(alignment_, Value, cvAlignment);
}

#define LAB_COLUMN_DEFAULT_FLAG(Name, Member, Flag)                                  \
  bool TColumnX::Name() const {                                                     \
    if (Assigned(Flag)) return Member;                                              \
    TCustomDBGridX* grid = GetGrid();                                               \
    return grid && grid->ColumnDefValues()->Name();                                 \
  }                                                                                 \
  void TColumnX::Set##Name(bool Value) { SetAssigned(Member, Value, Flag); }

LAB_COLUMN_DEFAULT_FLAG(AlwaysShowEditButton, always_show_edit_button_, cvAlwaysShowEditButton)
LAB_COLUMN_DEFAULT_FLAG(AutoDropDown, auto_drop_down_, cvAutoDropDown)
LAB_COLUMN_DEFAULT_FLAG(DblClickNextVal, dbl_click_next_val_, cvDblClickNextVal)
LAB_COLUMN_DEFAULT_FLAG(DropDownShowTitles, drop_down_show_titles_, cvDropDownShowTitles)
LAB_COLUMN_DEFAULT_FLAG(DropDownSizing, drop_down_sizing_, cvDropDownSizing)
LAB_COLUMN_DEFAULT_FLAG(EndEllipsis, end_ellipsis_, cvEndEllipsis)
LAB_COLUMN_DEFAULT_FLAG(ToolTips, tool_tips_, cvToolTips)
#undef LAB_COLUMN_DEFAULT_FLAG

bool TColumnX::HighlightRequired() const {
  if (Assigned(cvHighlightRequired)) return highlight_required_;
  TCustomDBGridX* grid = GetGrid();
  return grid && grid->ColumnDefValues()->HighlightRequired();
}
void TColumnX::SetHighlightRequired(bool Value) { SetAssigned(highlight_required_, Value, cvHighlightRequired); }

TTextLayout TColumnX::Layout() const {
  if (Assigned(cvLayout)) return layout_;
  TCustomDBGridX* grid = GetGrid();
  return grid ? grid->ColumnDefValues()->Layout() : tlTop;
}
void TColumnX::SetLayout(TTextLayout Value) { SetAssigned(layout_, Value, cvLayout); }

TBiDiMode TColumnX::BiDiMode() const { return Assigned(cvBiDiMode) ? bidi_mode_ : DefaultBiDiMode(); }
void TColumnX::SetBiDiMode(TBiDiMode Value) { SetAssigned(bidi_mode_, Value, cvBiDiMode); }

bool TColumnX::Checkboxes() { return Assigned(cvCheckboxes) ? checkboxes_ : DefaultCheckboxes(); }
void TColumnX::SetCheckboxes(bool Value) { SetAssigned(checkboxes_, Value, cvCheckboxes); }

TColor TColumnX::Color() const { return Assigned(cvColor) ? color_ : DefaultColor(); }
void TColumnX::SetColor(TColor Value) { SetAssigned(color_, Value, cvColor); }

TFont* TColumnX::Font() {
  RefreshDefaultFont();
  return font_.get();
}

void TColumnX::SetFont(TFont* Value) { font_->Assign(Value); }

void TColumnX::FontChanged() {
  if (refreshing_font_) return;
  Assign(cvFont);
  if (title_) title_->RefreshDefaultFont();
  Changed(false);
}

TImeMode TColumnX::ImeMode() const { return Assigned(cvImeMode) ? ime_mode_ : DefaultImeMode(); }
void TColumnX::SetImeMode(TImeMode Value) { SetAssigned(ime_mode_, Value, cvImeMode); }

std::string TColumnX::ImeName() const { return Assigned(cvImeName) ? ime_name_ : DefaultImeName(); }
void TColumnX::SetImeName(const std::string& Value) { SetAssigned(ime_name_, Value, cvImeName); }

std::string TColumnX::LookupDisplayFields() {
  return Assigned(cvLookupDisplayFields) ? lookup_display_fields_ : DefaultLookupDisplayFields();
}
void TColumnX::SetLookupDisplayFields(const std::string& Value) {
  SetAssigned(lookup_display_fields_, Value, cvLookupDisplayFields);
}

bool TColumnX::ReadOnly() { return Assigned(cvReadOnly) ? read_only_ : DefaultReadOnly(); }

void TColumnX::SetReadOnly(bool Value) {
  if (IsDefaultColumn() && LinkActive()) {
    if (TField* f = GetField()) {
      f->SetReadOnly(Value);
      return;
    }
  }
  SetAssigned(read_only_, Value, cvReadOnly);
}

bool TColumnX::WordWrap() { return Assigned(cvWordWrap) ? word_wrap_ : DefaultWordWrap(); }
void TColumnX::SetWordWrap(bool Value) { SetAssigned(word_wrap_, Value, cvWordWrap); }

int TColumnX::Width() { return Assigned(cvWidth) ? width_ : DefaultWidth(); }

void TColumnX::SetWidth(int Value) {
  TCustomDBGridX* grid = GetGrid();
  TField* f = GetField();
  if (IsDefaultColumn() && grid && grid->HandleAllocated() && f) {
    const TFontMeasure m = Measure(Font());
    f->SetDisplayWidth((Value + m.AveChar / 2 - m.Overhang - 3) / m.Zero);
  }
  if (InLinkLayout() && !Assigned(cvWidth)) return;
  if (!Assigned(cvWidth) && Value == DefaultWidth()) {
    Changed(false);
    return;
  }
  if (Value != -1) {
    width_ = Value;
    Assign(cvWidth);
  }
  if (max_width_ >= 1 && width_ > max_width_) width_ = max_width_;
  if (width_ < min_width_) width_ = min_width_;
  Changed(false);
}

int TColumnX::ClampWidth(int Width) const {
  if (min_width_ > 0 && Width < min_width_) Width = min_width_;
  if (max_width_ > 0 && Width > max_width_) Width = max_width_;
  return Width;
}

// ---- Plain properties ----

void TColumnX::SetAutoFitColWidth(bool Value) {
  if (auto_fit_col_width_ == Value) return;
  auto_fit_col_width_ = Value;
  TCustomDBGridX* grid = GetGrid();
  if (grid && grid->AutoFitColWidths() && !grid->ComponentState().Contains(csLoading) &&
      !grid->ComponentState().Contains(csDesigning))
    SetWidth(init_width_);
  else
    Changed(false);
}

void TColumnX::SetButtonStyle(TColumnButtonStyleX Value) {
  if (button_style_ == Value) return;
  button_style_ = Value;
  Changed(false);
}

void TColumnX::SetDisplayFormat(const std::string& Value) {
  if (display_format_ == Value) return;
  display_format_ = Value;
  Changed(false);
}

void TColumnX::SetDropDownRows(int Value) { drop_down_rows_ = Value < 0 ? 0 : Value; }

void TColumnX::SetDropDownWidth(int Value) {
  if (drop_down_width_ == Value) return;
  drop_down_width_ = Value;
  Changed(false);
}

void TColumnX::SetEditMask(const std::string& Value) { edit_mask_ = Value; }

void TColumnX::SetHideDuplicates(bool Value) {
  if (hide_duplicates_ == Value) return;
  hide_duplicates_ = Value;
  Changed(false);
}

void TColumnX::SetImageList(TCustomImageList* Value) {
  if (image_list_ == Value) return;
  if (image_list_) image_list_->UnRegisterChanges(image_change_link_.get());
  image_list_ = Value;
  if (Value) {
    Value->RegisterChanges(image_change_link_.get());
    if (TCustomDBGridX* grid = GetGrid()) Value->FreeNotification(grid);
  }
  Changed(false);
}

void TColumnX::ImageListChanged() {
  if (TCustomDBGridX* grid = GetGrid())
    if (grid->HandleAllocated()) grid->Invalidate();
}

void TColumnX::SetIncrement(double Value) { increment_ = Value; }

void TColumnX::SetMaxWidth(int Value) {
  max_width_ = Value;
  if (Value > 0 && Width() > Value) SetWidth(Value);
}

void TColumnX::SetMinWidth(int Value) {
  min_width_ = Value;
  if (Value > 0 && Width() < Value) SetWidth(Value);
}

void TColumnX::SetNotInKeyListIndex(int Value) {
  if (not_in_key_list_index_ == Value) return;
  not_in_key_list_index_ = Value;
  Changed(false);
}

void TColumnX::SetPopupMenu(TPopupMenu* Value) {
  popup_menu_ = Value;
  if (Value)
    if (TCustomDBGridX* grid = GetGrid()) Value->FreeNotification(grid);
}

void TColumnX::SetShowImageAndText(bool Value) {
  if (show_image_and_text_ == Value) return;
  show_image_and_text_ = Value;
  Changed(false);
}

void TColumnX::SetVisible(bool Value) {
  if (visible_ == Value) return;
  visible_ = Value;
  Changed(true);
}

// ---- Lists ----

TStrings* TColumnX::GetPickList() {
  if (!pick_list_) pick_list_ = std::make_unique<TStringList>();
  return pick_list_.get();
}

void TColumnX::SetPickList(TStrings* Value) {
  if (!Value) pick_list_.reset();
  else GetPickList()->Assign(Value);
  Changed(false);
}

TStrings* TColumnX::GetKeyList() {
  if (!key_list_) key_list_ = std::make_unique<TStringList>();
  return key_list_.get();
}

void TColumnX::SetKeyList(TStrings* Value) {
  if (!Value) key_list_.reset();
  else GetKeyList()->Assign(Value);
  Changed(false);
}

TColumnFooterX* TColumnX::GetFooterAt(int Index) const {
  if (Index >= 0 && Index < footers_->Count()) return footers_->GetFooter(Index);
  return footer_.get();
}

// ---- Kinds and display ----

TColumnKindX TColumnX::GetColumnType() {
  if (Checkboxes()) return ctCheckboxes;
  TField* f = GetField();
  if (f && f->Lookup()) return ctLookupField;
  if (HasPickList() && !HasKeyList()) return ctPickList;
  if (image_list_ && !show_image_and_text_) return ctKeyImageList;
  if (HasKeyList() && HasPickList()) return ctKeyPickList;
  return ctCommon;
}

std::string TColumnX::DisplayText() {
  std::string text;
  GetDisplayText(text);
  return text;
}

void TColumnX::GetDisplayText(std::string& Text) {
  Text.clear();
  TField* f = GetField();
  if (!f || GetColumnType() == ctKeyImageList) return;
  if (HasKeyList()) {
    const int i = key_list_->IndexOf(f->EditText());
    const int picks = pick_list_ ? pick_list_->Count() : 0;
    if (i >= 0 && i < picks) Text = pick_list_->Strings(i);
    else if (not_in_key_list_index_ >= 0 && not_in_key_list_index_ < picks)
      Text = pick_list_->Strings(not_in_key_list_index_);
    return;
  }
  TCustomDBGridX* grid = GetGrid();
  if (grid && grid->DrawMemoText() && IsMemo(f)) {
    Text = f->AsString();
    return;
  }
  if (f->Lookup() && spec_row_->Visible() && f->DataSet()) {
    const Variant key = f->DataSet()->FieldValues(f->KeyFields());
    bool special = VariantsEqual(key, spec_row_->Value());
    if (!special && spec_row_->ShowIfNotInKeyList() && f->LookupDataSet())
      special = VarIsNull(f->LookupDataSet()->Lookup(f->LookupKeyFields(), key, f->LookupKeyFields()));
    if (special) {
      Text = spec_row_->CellText(0);
      return;
    }
  }
  if (!display_format_.empty() && !f->IsNull()) {
    switch (f->DataType()) {
      case ftSmallint: case ftInteger: case ftWord: case ftLargeint: case ftAutoInc: case ftFloat:
      case ftCurrency: case ftBCD: case ftFMTBcd:
        Text = FormatFloat(display_format_, f->AsFloat());
        return;
      case ftDate: case ftTime: case ftDateTime: case ftTimeStamp:
        DateTimeToString(Text, display_format_, f->AsDateTime());
        return;
      default: break;
    }
  }
  Text = f->DisplayText();
}

int TColumnX::GetImageIndex() {
  TField* f = GetField();
  if (!f) return -1;
  int result = -1;
  if (HasKeyList()) result = key_list_->IndexOf(f->EditText());
  else if (HasPickList()) result = pick_list_->IndexOf(f->EditText());
  else if (IsIntegerLike(f) && !f->IsNull()) result = f->AsInteger();
  return result == -1 ? not_in_key_list_index_ : result;
}

TCheckBoxState TColumnX::GetCheckboxState() {
  TField* f = GetField();
  if (!f || f->IsNull()) return cbGrayed;
  if (f->DataType() == ftBoolean) return f->AsBoolean() ? cbChecked : cbUnchecked;
  // A missing line is an empty set of values, so nothing matches it (and the text, formatted
  // for every painted cell, is not worth making).
  const int lines = key_list_ ? key_list_->Count() : 0;
  if (lines == 0) return cbGrayed;
  const std::string text = f->EditText();
  if (lines >= 1 && InValueList(text, key_list_->Strings(0))) return cbChecked;
  if (lines < 2) return cbGrayed;
  if (InValueList(text, key_list_->Strings(1))) return cbUnchecked;
  return cbGrayed;
}

void TColumnX::SetCheckboxState(TCheckBoxState State) {
  TField* f = GetField();
  if (!f) return;
  if (State == cbGrayed) {
    UpdateDataValues("", Null(), false);
    return;
  }
  if (f->DataType() == ftBoolean) {
    UpdateDataValues("", State == cbChecked, false);
    return;
  }
  const int line = State == cbChecked ? 0 : 1;
  const std::string text = key_list_ && key_list_->Count() > line ? FirstValue(key_list_->Strings(line)) : "";
  UpdateDataValues(text, Variant(), true);
}

// ---- Editing ----

bool TColumnX::CanEditField(TField* F) {
  TCustomDBGridX* grid = GetGrid();
  if (!grid || !F) return false;
  TGridDataLinkX* link = grid->DataLink();
  if (grid->ReadOnly() || link->ReadOnly() || !link->Active() || ReadOnly()) return false;
  if (F->Lookup()) {
    std::vector<TField*> keys;
    if (!F->DataSet() || F->KeyFields().empty()) return false;
    F->DataSet()->GetFieldList(keys, F->KeyFields());
    for (TField* k : keys)
      if (!k->CanModify()) return false;
  }
  if (!F->CanModify()) return false;
  if (F->IsBlob()) return IsMemo(F) && grid->DrawMemoText() && grid->CanModifyRecord();
  return grid->CanModifyRecord();
}

bool TColumnX::CanModify(bool TryEdit) {
  TField* f = GetField();
  if (!CanEditField(f)) return false;
  if (!TryEdit) return true;
  TGridDataLinkX* link = GetGrid()->DataLink();
  const bool editing = link->Edit();
  if (editing) link->SetModified();
  return editing;
}

void TColumnX::UpdateDataValues(const std::string& Text, const Variant& Value, bool UseText) {
  std::string text = Text;
  Variant value = Value;
  bool use_text = UseText, handled = false;
  if (OnUpdateData) OnUpdateData(this, text, value, use_text, handled);
  TField* f = GetField();
  TCustomDBGridX* grid = GetGrid();
  if (!handled && f) {
    if (use_text) {
      if (grid && grid->DrawMemoText() && IsMemo(f)) f->SetAsString(text);
      else f->SetText(text);
    } else if (f->Lookup() && !f->KeyFields().empty() && f->DataSet()) {
      f->DataSet()->SetFieldValues(f->KeyFields(), value);
    } else {
      f->SetValue(value);
    }
  }
  if (mru_list_->Active() && mru_list_->AutoAdd() && grid && grid->EditorShowing()) mru_list_->Add(text);
}

std::string TColumnX::CurrentEditText() {
  TCustomDBGridX* grid = GetGrid();
  if (grid && grid->EditorModified()) return grid->EditorText();
  TField* f = GetField();
  return f ? f->EditText() : std::string();
}

bool TColumnX::BeginFieldEdit(TField* F) {
  if (!CanEditField(F)) return false;
  TGridDataLinkX* link = GetGrid()->DataLink();
  if (!link->Edit()) return false;
  link->SetModified();
  return true;
}

void TColumnX::SetNextFieldValue(double Increment) {
  TField* f = GetField();
  if (!BeginFieldEdit(f)) return;
  const std::string text = CurrentEditText();
  const bool forward = Increment == 1.0;
  const TColumnKindX kind = GetColumnType();
  auto step = [forward](int i, int count) {
    if (forward) return i == -1 || i == count - 1 ? 0 : i + 1;
    return i == -1 || i == 0 ? count - 1 : i - 1;
  };
  auto step_number = [&] {
    if (!IsSteppable(f)) return;
    UpdateDataValues(text, (f->IsNull() ? 0.0 : f->AsFloat()) + Increment, false);
  };
  switch (kind) {
    case ctCheckboxes:
      SetCheckboxState(GetCheckboxState() == cbChecked ? cbUnchecked : cbChecked);
      return;
    case ctPickList: {
      const int count = pick_list_->Count();
      const int i = pick_list_->IndexOf(text);
      const int next = step(i, count);
      const bool wraps = forward ? (i == -1 || i == count - 1) : (i == -1 || i == 0);
      if (wraps) f->SetText(pick_list_->Strings(next));
      else UpdateDataValues(pick_list_->Strings(next), Variant(), true);
      return;
    }
    case ctKeyPickList:
    case ctKeyImageList: {
      // An image column without key values steps its number, as a plain numeric column would.
      if (!HasKeyList()) {
        step_number();
        return;
      }
      const int count = key_list_->Count();
      const std::string key = key_list_->Strings(step(key_list_->IndexOf(text), count));
      UpdateDataValues(key, key, false);
      return;
    }
    case ctLookupField: {
      TDataSet* list = GetListDataSet();
      if (!list || !list->Active() || !f->DataSet()) return;
      const Variant key = f->DataSet()->FieldValues(f->KeyFields());
      if (!VarIsNull(key) && list->Locate(f->LookupKeyFields(), key, {})) {
        if (forward) {
          list->Next();
          if (list->Eof()) list->First();
        } else {
          list->Prior();
          if (list->Bof()) list->Last();
        }
      } else {
        list->First();
      }
      if (list->IsEmpty()) return;
      UpdateDataValues(list->FieldByName(f->LookupResultField())->EditText(),
                       list->FieldValues(f->LookupKeyFields()), false);
      return;
    }
    case ctCommon:
      step_number();
      return;
  }
}

void TColumnX::FillColCellParams(TColCellParamsX* Params) {
  Params->Font->Assign(Font());
  Params->Background = Color();
  Params->Alignment = Alignment();
  Params->ImageIndex = GetImageIndex();
  GetDisplayText(Params->Text);
  Params->CheckboxState = GetCheckboxState();
  Params->ReadOnly = ReadOnly();
  Params->State = {};
  Params->Col = -1;
  Params->Row = -1;
}

void TColumnX::GetColCellParams(bool EditMode, TColCellParamsX* Params) {
  if (OnGetCellParams) OnGetCellParams(this, EditMode, Params);
}

// The mode first: every painted cell asks, and the locale is read from the environment.
bool TColumnX::UseRightToLeftAlignment() const {
  return BiDiMode() != bdLeftToRight && SysLocaleMiddleEast();
}

bool TColumnX::UseRightToLeftReading() const {
  return BiDiMode() == bdRightToLeft && SysLocaleMiddleEast();
}

// Fitting a column to its contents measures every record; that belongs to the grid's layout.
void TColumnX::OptimizeWidth() {
  if (TCustomDBGridX* grid = GetGrid()) grid->OptimizeColumnWidth(this);
}

void TColumnX::SpecRowChanged() {
  Changed(false);
  if (data_list_) data_list_->SetSpecRow(spec_row_.get());
}

void TColumnX::RestoreDefaults() {
  const bool font_assigned = Assigned(cvFont);
  title_->RestoreDefaults();
  assigned_ = {};
  RefreshDefaultFont();
  pick_list_.reset();
  button_style_ = cbsAuto;
  Changed(font_assigned);
  key_list_.reset();
}

void TColumnX::SetIndex(int Value) {
  TCustomDBGridX* grid = GetGrid();
  TField* f = GetField();
  if (grid && f && grid->DataLink()->Active() && !f->DataSet()->DefaultFields()) {
    TDataSet* ds = f->DataSet();
    const int from = Index();
    if (Value >= 0 && Value < Collection()->Count() && Value != from) {
      if (TField* other = static_cast<TColumnX*>(Collection()->Items(Value))->GetField())
        f->SetIndex(ds->Fields().IndexOf(other));
    }
  }
  TCollectionItem::SetIndex(Value);
}

void TColumnX::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TColumnX*>(Source);
  if (!src) {
    TCollectionItem::Assign(Source);
    return;
  }
  TCustomDBGridX* grid = GetGrid();
  if (grid) grid->BeginLayout();
  TScopeExit end_layout([&] {
    if (grid) grid->EndLayout();
  });
  RestoreDefaults();
  field_name_ = src->field_name_;
  field_ = nullptr;
  assigned_ = src->assigned_;
  alignment_ = src->alignment_;
  checkboxes_ = src->checkboxes_;
  color_ = src->color_;
  ime_mode_ = src->ime_mode_;
  ime_name_ = src->ime_name_;
  read_only_ = src->read_only_;
  width_ = src->width_;
  word_wrap_ = src->word_wrap_;
  end_ellipsis_ = src->end_ellipsis_;
  tool_tips_ = src->tool_tips_;
  always_show_edit_button_ = src->always_show_edit_button_;
  auto_drop_down_ = src->auto_drop_down_;
  dbl_click_next_val_ = src->dbl_click_next_val_;
  drop_down_sizing_ = src->drop_down_sizing_;
  drop_down_show_titles_ = src->drop_down_show_titles_;
  highlight_required_ = src->highlight_required_;
  layout_ = src->layout_;
  bidi_mode_ = src->bidi_mode_;
  lookup_display_fields_ = src->lookup_display_fields_;
  if (src->Assigned(cvFont)) {
    refreshing_font_ = true;
    font_->Assign(src->font_.get());
    refreshing_font_ = false;
  }
  button_style_ = src->button_style_;
  display_format_ = src->display_format_;
  drop_down_rows_ = src->drop_down_rows_;
  drop_down_width_ = src->drop_down_width_;
  edit_mask_ = src->edit_mask_;
  hide_duplicates_ = src->hide_duplicates_;
  increment_ = src->increment_;
  max_width_ = src->max_width_;
  min_width_ = src->min_width_;
  not_in_key_list_index_ = src->not_in_key_list_index_;
  popup_menu_ = src->popup_menu_;
  show_image_and_text_ = src->show_image_and_text_;
  tag_ = src->tag_;
  visible_ = src->visible_;
  auto_fit_col_width_ = src->auto_fit_col_width_;
  init_width_ = src->init_width_;
  SetImageList(src->image_list_);
  if (src->pick_list_) GetPickList()->Assign(src->pick_list_.get());
  if (src->key_list_) GetKeyList()->Assign(src->key_list_.get());
  title_->Assign(src->title_.get());
  footer_->Assign(src->footer_.get());
  footers_->Assign(src->footers_.get());
  // The field may have changed under footers whose type did not: their aggregates follow it.
  ResetFooters();
  edit_buttons_->Assign(src->edit_buttons_.get());
  spec_row_->Assign(src->spec_row_.get());
  drop_down_box_->Assign(src->drop_down_box_.get());
  st_filter_->Assign(src->st_filter_.get());
  mru_list_->Assign(src->mru_list_.get());
  Changed(false);
}

// ---- Storing ----

bool TColumnX::IsAlignmentStored() { return Assigned(cvAlignment) && alignment_ != DefaultAlignment(); }
bool TColumnX::IsColorStored() const { return Assigned(cvColor) && color_ != DefaultColor(); }
bool TColumnX::IsReadOnlyStored() { return Assigned(cvReadOnly) && read_only_ != DefaultReadOnly(); }
bool TColumnX::IsWidthStored() { return Assigned(cvWidth) && width_ != DefaultWidth(); }
bool TColumnX::IsWordWrapStored() { return Assigned(cvWordWrap) && word_wrap_ != DefaultWordWrap(); }
bool TColumnX::IsImeModeStored() const { return Assigned(cvImeMode) && ime_mode_ != DefaultImeMode(); }
bool TColumnX::IsImeNameStored() const { return Assigned(cvImeName) && ime_name_ != DefaultImeName(); }
bool TColumnX::IsLookupDisplayFieldsStored() {
  return Assigned(cvLookupDisplayFields) && lookup_display_fields_ != DefaultLookupDisplayFields();
}
bool TColumnX::IsBiDiModeStored() const { return Assigned(cvBiDiMode) && bidi_mode_ != DefaultBiDiMode(); }

// ---- TColumnX publishes nothing itself; TDBGridColumnX publishes the column's properties ----

void TColumnX::DeclareProperties(TPropertyDeclarer<TColumnX>&) {}

bool TColumnX::DefaultFlag(bool (TColumnDefValuesX::*Get)() const) const {
  TCustomDBGridX* grid = GetGrid();
  return grid && (grid->ColumnDefValues()->*Get)();
}

void TDBGridColumnX::DeclareProperties(TPropertyDeclarer<TDBGridColumnX>& P) {
  using C = TDBGridColumnX;
  using D = TColumnDefValuesX;
  P.Property("Alignment", &C::Alignment, &C::SetAlignment).Stored(&C::IsAlignmentStored);
  P.Property("AlwaysShowEditButton", &C::AlwaysShowEditButton, &C::SetAlwaysShowEditButton).Stored([](C& c) {
    return c.Assigned(cvAlwaysShowEditButton) && c.always_show_edit_button_ != c.DefaultFlag(&D::AlwaysShowEditButton);
  });
  P.Property("AutoDropDown", &C::AutoDropDown, &C::SetAutoDropDown).Stored([](C& c) {
    return c.Assigned(cvAutoDropDown) && c.auto_drop_down_ != c.DefaultFlag(&D::AutoDropDown);
  });
  P.Property("AutoFitColWidth", &C::AutoFitColWidth, &C::SetAutoFitColWidth).Default(true);
  P.Property("BiDiMode", &C::BiDiMode, &C::SetBiDiMode).Stored(&C::IsBiDiModeStored);
  P.Property("ButtonStyle", &C::ButtonStyle, &C::SetButtonStyle).Default(cbsAuto);
  P.Property("Checkboxes", &C::Checkboxes, &C::SetCheckboxes).Stored(&C::IsCheckboxesStored);
  P.Property("Color", &C::Color, &C::SetColor).Idents("TColor").Stored(&C::IsColorStored);
  P.Property("DblClickNextVal", &C::DblClickNextVal, &C::SetDblClickNextVal).Stored([](C& c) {
    return c.Assigned(cvDblClickNextVal) && c.dbl_click_next_val_ != c.DefaultFlag(&D::DblClickNextVal);
  });
  P.Property("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat).Stored([](C& c) {
    return !c.display_format_.empty();
  });
  P.Property("DropDownBox", &C::DropDownBox, &C::SetDropDownBox);
  P.Property("DropDownRows", &C::DropDownRows, &C::SetDropDownRows).Default(7);
  P.Property("DropDownShowTitles", &C::DropDownShowTitles, &C::SetDropDownShowTitles).Stored([](C& c) {
    return c.Assigned(cvDropDownShowTitles) && c.drop_down_show_titles_ != c.DefaultFlag(&D::DropDownShowTitles);
  });
  P.Property("DropDownSizing", &C::DropDownSizing, &C::SetDropDownSizing).Stored([](C& c) {
    return c.Assigned(cvDropDownSizing) && c.drop_down_sizing_ != c.DefaultFlag(&D::DropDownSizing);
  });
  P.Property("DropDownSpecRow", &C::DropDownSpecRow, &C::SetDropDownSpecRow);
  P.Property("DropDownWidth", &C::DropDownWidth, &C::SetDropDownWidth).Default(0);
  P.Property("EditButtons", &C::EditButtons, &C::SetEditButtons);
  P.Property("EditMask", &C::EditMask, &C::SetEditMask).Stored([](C& c) { return !c.edit_mask_.empty(); });
  P.Property("EndEllipsis", &C::EndEllipsis, &C::SetEndEllipsis).Stored([](C& c) {
    return c.Assigned(cvEndEllipsis) && c.end_ellipsis_ != c.DefaultFlag(&D::EndEllipsis);
  });
  P.Property("FieldName", &C::FieldName, &C::SetFieldName).Stored([](C& c) { return !c.field_name_.empty(); });
  P.Property("Font", &C::Font, &C::SetFont).Stored(&C::IsFontStored);
  P.Property("Footer", &C::Footer, &C::SetFooter);
  P.Property("Footers", &C::Footers, &C::SetFooters);
  P.Property("HideDuplicates", &C::HideDuplicates, &C::SetHideDuplicates).Default(false);
  P.Property("HighlightRequired", &C::HighlightRequired, &C::SetHighlightRequired).Stored([](C& c) {
    return c.Assigned(cvHighlightRequired) && c.highlight_required_ != c.DefaultFlag(&D::HighlightRequired);
  });
  P.Property("ImageList", &C::ImageList, &C::SetImageList);
  P.Property("ImeMode", &C::ImeMode, &C::SetImeMode).Stored(&C::IsImeModeStored);
  P.Property("ImeName", &C::ImeName, &C::SetImeName).Stored(&C::IsImeNameStored);
  P.Property("Increment", &C::Increment, &C::SetIncrement).Stored(&C::IsIncrementStored);
  P.Property("KeyList", &C::GetKeyList, &C::SetKeyList).Stored([](C& c) { return c.HasKeyList(); });
  P.Property("Layout", &C::Layout, &C::SetLayout).Stored([](C& c) {
    if (!c.Assigned(cvLayout)) return false;
    TCustomDBGridX* grid = c.GetGrid();
    return c.layout_ != (grid ? grid->ColumnDefValues()->Layout() : tlTop);
  });
  P.Property("LookupDisplayFields", &C::LookupDisplayFields, &C::SetLookupDisplayFields)
      .Stored(&C::IsLookupDisplayFieldsStored);
  P.Property("MaxWidth", &C::MaxWidth, &C::SetMaxWidth).Default(0);
  P.Property("MinWidth", &C::MinWidth, &C::SetMinWidth).Default(0);
  P.Property("MRUList", &C::MRUList, &C::SetMRUList);
  P.Property("NotInKeyListIndex", &C::NotInKeyListIndex, &C::SetNotInKeyListIndex).Default(-1);
  P.Property("PickList", &C::GetPickList, &C::SetPickList).Stored([](C& c) { return c.HasPickList(); });
  P.Property("PopupMenu", &C::PopupMenu, &C::SetPopupMenu);
  P.Property("ReadOnly", &C::ReadOnly, &C::SetReadOnly).Stored(&C::IsReadOnlyStored);
  P.Property("ShowImageAndText", &C::ShowImageAndText, &C::SetShowImageAndText).Default(false);
  P.Property("STFilter", &C::STFilter, &C::SetSTFilter);
  P.Property("Tag", &C::Tag, &C::SetTag).Default(0);
  P.Property("Title", &C::Title, &C::SetTitle);
  P.Property("ToolTips", &C::ToolTips, &C::SetToolTips).Stored([](C& c) {
    return c.Assigned(cvToolTips) && c.tool_tips_ != c.DefaultFlag(&D::ToolTips);
  });
  P.Property("Visible", &C::Visible, &C::SetVisible).Default(true);
  P.Property("Width", &C::Width, &C::SetWidth).Stored(&C::IsWidthStored);
  P.Property("WordWrap", &C::WordWrap, &C::SetWordWrap).Stored(&C::IsWordWrapStored);
  P.Property("OnCheckDrawRequiredState", &C::OnCheckDrawRequiredState);
  P.Property("OnDropDownBoxCheckButton", &C::OnDropDownBoxCheckButton);
  P.Property("OnDropDownBoxDrawColumnCell", &C::OnDropDownBoxDrawColumnCell);
  P.Property("OnDropDownBoxGetCellParams", &C::OnDropDownBoxGetCellParams);
  P.Property("OnDropDownBoxSortMarkingChanged", &C::OnDropDownBoxSortMarkingChanged);
  P.Property("OnDropDownBoxTitleBtnClick", &C::OnDropDownBoxTitleBtnClick);
  P.Property("OnEditButtonClick", &C::OnEditButtonClick);
  P.Property("OnEditButtonDown", &C::OnEditButtonDown);
  P.Property("OnGetCellParams", &C::OnGetCellParams);
  P.Property("OnNotInList", &C::OnNotInList);
  P.Property("OnUpdateData", &C::OnUpdateData);
}

// ---- TDBGridColumnsX ----

TDBGridColumnsX::TDBGridColumnsX(TCustomDBGridX* AGrid, TColumnXClass ColumnClass)
    : TCollection(ColumnClass), grid_(AGrid) {}

TPersistent* TDBGridColumnsX::GetOwner() { return grid_; }

TColumnX* TDBGridColumnsX::Add() {
  // A stored column makes the collection customised; the columns built from fields would be
  // rebuilt over it at the next layout, so they go first, within one layout level so that no
  // layout runs between.
  if (grid_) grid_->BeginLayout();
  TScopeExit end_layout([&] {
    if (grid_) grid_->EndLayout();
  });
  if (Count() > 0 && !Customized()) Clear();
  return static_cast<TColumnX*>(TCollection::Add());
}

TColumnX* TDBGridColumnsX::AddDefaultColumn() {
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  auto* c = static_cast<TColumnX*>(TCollection::Add());
  c->SetStored(false);
  return c;
}

int TDBGridColumnsX::GetState() const { return Count() > 0 && GetColumn(0)->Stored() ? 1 : 0; }

// Columns hold no interface of the dataset's services yet; nothing to release.
// The filter row's drop-down values were the old dataset's.
void TDBGridColumnsX::ReleaseColumnLinks() {
  for (int i = 0; i < Count(); ++i) GetColumn(i)->STFilter()->SetValueList(nullptr);
}

void TDBGridColumnsX::RestoreDefaults() {
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  for (int i = 0; i < Count(); ++i) GetColumn(i)->RestoreDefaults();
}

void TDBGridColumnsX::Update(TCollectionItem* Item) {
  if (!grid_) return;
  grid_->ColumnsUpdated(static_cast<TColumnX*>(Item));
}

void TDBGridColumnsX::Notify(TCollectionItem* Item, TCollectionNotification Action) {
  if (grid_ && Action != cnAdded) grid_->ColumnRemoved(static_cast<TColumnX*>(Item));
}

}  // namespace lab
