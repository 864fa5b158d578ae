#pragma once
// The grid's column model: TColumnX (what one column shows and how), TDBGridColumnX (the
// published column of a grid), TDBGridColumnsX (the column collection), TColumnsXList (a list of
// columns it does not own) and TColCellParamsX (the values of one cell handed to events).
//
// Overridable column properties keep an "assigned" flag each: an unassigned property answers its
// fallback (the field's, the grid's or the grid-wide defaults) and is not written into forms.
// Default columns (Stored false) are built by the grid from the dataset's fields and are never
// written; once the first column is stored the collection is customised and keeps its columns.

#include <memory>
#include <string>
#include <vector>

#include "grid/column_filter.h"
#include "grid/column_footers.h"
#include "grid/column_title.h"
#include "grid/columns_list.h"
#include "grid/dbgrid_types.h"
#include "grid/drop_down_box.h"
#include "grid/edit_buttons.h"
#include "grid/mru_list.h"
#include "grid/special_row.h"
#include "platform/classes/collection.h"
#include "platform/controls/control_types.h"
#include "platform/graphics/graphics_objects.h"
#include "platform/graphics/image_list.h"
#include "platform/rtl/string_list.h"

namespace lab {

class TCustomDBGridX;
class TColumnDefValuesX;
class TDBGridColumnsX;
class TDataSet;
class TField;
class TPopupMenu;
class TPopupDataGridX;

// The button a column shows at the right of its cells: none, the ellipsis, up and down arrows, or
// a drop-down arrow for a pick list, a lookup list or a plain drop-down.
enum TEditButtonKindX { ebkNoneX, ebkEllipsisX, ebkUpDownX, ebkPickListX, ebkDataListX, ebkDropDownX };

// One flag per overridable property of a column and its title (4 bytes).
enum TColumnXValue {
  cvColor, cvWidth, cvFont, cvAlignment, cvReadOnly, cvTitleColor, cvTitleCaption, cvTitleAlignment,
  cvTitleFont, cvTitleButton, cvTitleEndEllipsis, cvTitleToolTips, cvTitleOrientation, cvImeMode, cvImeName,
  cvWordWrap, cvLookupDisplayFields, cvCheckboxes, cvAlwaysShowEditButton, cvEndEllipsis, cvAutoDropDown,
  cvDblClickNextVal, cvToolTips, cvDropDownSizing, cvDropDownShowTitles, cvLayout, cvHighlightRequired,
  cvBiDiMode
};
using TColumnXValues = TSet<TColumnXValue>;

// The values of one cell, for a column's OnGetCellParams and for drawing.
class TColCellParamsX : public TObject {
  LAB_CLASS(TColCellParamsX, TObject)
 public:
  TColCellParamsX();
  ~TColCellParamsX() override;
  TColCellParamsX(const TColCellParamsX&) = delete;
  TColCellParamsX& operator=(const TColCellParamsX&) = delete;

  TAlignment Alignment = taLeftJustify;
  TColor Background = clWindow;
  TCheckBoxState CheckboxState = cbUnchecked;
  std::unique_ptr<TFont> Font;
  int ImageIndex = -1;
  bool ReadOnly = false;
  std::string Text;
  // Filled by the drawing code.
  TGridDrawState State;
  int Col = -1;
  int Row = -1;
};

class TColumnX : public TCollectionItem, public IColumnDropDownOwnerX {
  LAB_CLASS(TColumnX, TCollectionItem)
  LAB_PROPERTIES(TColumnX, TCollectionItem)
 public:
  explicit TColumnX(TCollection* Collection);
  ~TColumnX() override;

  // ---- Place ----
  // The grid of the collection, or nullptr outside a grid's columns.
  TCustomDBGridX* GetGrid() const;
  TCustomDBGridX* Grid() const { return GetGrid(); }
  // True for a persistent column, false for one built from a field.
  bool Stored() const noexcept { return stored_; }
  void SetStored(bool Value) { stored_ = Value; }
  virtual bool IsDefaultColumn() const { return !stored_; }
  TColumnXValues AssignedValues() const noexcept { return assigned_; }
  bool Assigned(TColumnXValue V) const noexcept { return assigned_.Contains(V); }

  // ---- The field ----
  // Found lazily by FieldName in the grid's dataset (nullptr without one, or for a closed
  // dataset with default fields); the name then takes the field's own spelling.
  TField* GetField();
  TField* Field() { return GetField(); }
  virtual void SetField(TField* Value);
  const std::string& FieldName() const noexcept { return field_name_; }
  void SetFieldName(const std::string& Value);
  // The lookup dataset of a lookup field, or nullptr.
  TDataSet* GetLookupDataSet();
  // The dataset a drop-down list shows: DropDownBox.ListSource's, else the lookup field's lookup
  // dataset.
  TDataSet* GetListDataSet();

  // ---- Overridable properties (fallbacks in brackets) ----
  TAlignment Alignment();  // the field's Alignment; taLeftJustify
  virtual void SetAlignment(TAlignment Value);
  bool AlwaysShowEditButton() const;  // grid defaults
  void SetAlwaysShowEditButton(bool Value);
  bool AutoDropDown() const;
  void SetAutoDropDown(bool Value);
  TBiDiMode BiDiMode() const;  // the grid's
  void SetBiDiMode(TBiDiMode Value);
  bool Checkboxes();  // a Boolean field
  void SetCheckboxes(bool Value);
  TColor Color() const;  // the grid's Color; clWindow
  void SetColor(TColor Value);
  bool DblClickNextVal() const;
  void SetDblClickNextVal(bool Value);
  bool DropDownShowTitles() const;
  void SetDropDownShowTitles(bool Value);
  bool DropDownSizing() const;
  void SetDropDownSizing(bool Value);
  bool EndEllipsis() const;
  void SetEndEllipsis(bool Value);
  TFont* Font();  // the grid's Font
  void SetFont(TFont* Value);
  bool HighlightRequired() const;
  virtual void SetHighlightRequired(bool Value);
  TImeMode ImeMode() const;
  virtual void SetImeMode(TImeMode Value);
  std::string ImeName() const;
  virtual void SetImeName(const std::string& Value);
  TTextLayout Layout() const;
  void SetLayout(TTextLayout Value);
  std::string LookupDisplayFields();  // the lookup field's LookupResultField
  virtual void SetLookupDisplayFields(const std::string& Value);
  bool ReadOnly();  // the grid's ReadOnly, then the field's
  virtual void SetReadOnly(bool Value);
  bool ToolTips() const;
  void SetToolTips(bool Value);
  int Width();  // measured from the field's DisplayWidth
  virtual void SetWidth(int Value);
  bool WordWrap();  // string and memo fields
  virtual void SetWordWrap(bool Value);

  // ---- Plain properties ----
  bool AutoFitColWidth() const noexcept { return auto_fit_col_width_; }
  virtual void SetAutoFitColWidth(bool Value);
  TColumnButtonStyleX ButtonStyle() const noexcept { return button_style_; }
  void SetButtonStyle(TColumnButtonStyleX Value);
  const std::string& DisplayFormat() const noexcept { return display_format_; }
  void SetDisplayFormat(const std::string& Value);
  int DropDownRows() const noexcept { return drop_down_rows_; }
  void SetDropDownRows(int Value);
  int DropDownWidth() const noexcept { return drop_down_width_; }
  void SetDropDownWidth(int Value);
  const std::string& EditMask() const noexcept { return edit_mask_; }
  void SetEditMask(const std::string& Value);
  bool HideDuplicates() const noexcept { return hide_duplicates_; }
  virtual void SetHideDuplicates(bool Value);
  TCustomImageList* ImageList() const noexcept { return image_list_; }
  void SetImageList(TCustomImageList* Value);
  double Increment() const noexcept { return increment_; }
  void SetIncrement(double Value);
  int MaxWidth() const noexcept { return max_width_; }
  void SetMaxWidth(int Value);
  int MinWidth() const noexcept { return min_width_; }
  void SetMinWidth(int Value);
  int NotInKeyListIndex() const noexcept { return not_in_key_list_index_; }
  void SetNotInKeyListIndex(int Value);
  TPopupMenu* PopupMenu() const noexcept { return popup_menu_; }
  void SetPopupMenu(TPopupMenu* Value);
  bool ShowImageAndText() const noexcept { return show_image_and_text_; }
  void SetShowImageAndText(bool Value);
  int Tag() const noexcept { return tag_; }
  void SetTag(int Value) { tag_ = Value; }
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool Value);
  // The width before auto-fitting, the base every fit scales from.
  int InitWidth() const noexcept { return init_width_; }
  void SetInitWidth(int Value) { init_width_ = Value; }

  // ---- Owned parts ----
  TColumnTitleX* Title() const noexcept { return title_.get(); }
  void SetTitle(TColumnTitleX* Value) { title_->Assign(Value); }
  TColumnFooterX* Footer() const noexcept { return footer_.get(); }
  void SetFooter(TColumnFooterX* Value) { footer_->Assign(Value); }
  TColumnFootersX* Footers() const noexcept { return footers_.get(); }
  void SetFooters(TColumnFootersX* Value) { footers_->Assign(Value); }
  // Footers[Index] when there is one, else Footer.
  TColumnFooterX* GetFooterAt(int Index) const;
  TEditButtonsX* EditButtons() const noexcept { return edit_buttons_.get(); }
  void SetEditButtons(TEditButtonsX* Value) { edit_buttons_->Assign(Value); }
  TMRUListX* MRUList() const noexcept { return mru_list_.get(); }
  void SetMRUList(TMRUListX* Value) { mru_list_->Assign(Value); }
  TSpecRowX* DropDownSpecRow() const noexcept { return spec_row_.get(); }
  void SetDropDownSpecRow(TSpecRowX* Value) { spec_row_->Assign(Value); }
  // The column's condition in the grid's filter row.
  TSTColumnFilterX* STFilter() const noexcept { return st_filter_.get(); }
  void SetSTFilter(TSTColumnFilterX* Value) { st_filter_->Assign(Value); }
  TColumnDropDownBoxX* DropDownBox() const noexcept { return drop_down_box_.get(); }
  void SetDropDownBox(TColumnDropDownBoxX* Value) { drop_down_box_->Assign(Value); }
  // The drop-down grid, named "DataList", made on first use with the column's special row and
  // list source; its events run the column's OnDropDownBox* handlers.
  TPopupDataGridX* GetDataList();
  TPopupDataGridX* DataList() { return GetDataList(); }
  // DataList set to open for the field as it is now: the list (DropDownBox's ListSource, else the
  // lookup dataset), its key and list fields (LookupDisplayFields), titles and column fitting.
  TPopupDataGridX* PrepareDataList();
  // DataList's choice goes into the lookup field's key fields, as the user's edit of the cell.
  void TakeDataListChoice();
  // Created empty on first read; setting assigns the lines (nullptr frees the list).
  TStrings* GetPickList();
  TStrings* PickList() { return GetPickList(); }
  void SetPickList(TStrings* Value);
  TStrings* GetKeyList();
  TStrings* KeyList() { return GetKeyList(); }
  void SetKeyList(TStrings* Value);
  bool HasPickList() const { return pick_list_ && pick_list_->Count() > 0; }
  bool HasKeyList() const { return key_list_ && key_list_->Count() > 0; }

  // ---- What a cell shows and how it is edited ----
  TColumnKindX GetColumnType();
  // The column's own edit button (by ButtonStyle, and for cbsAuto by its kind), and the pixels it
  // and the visible EditButtons take at the right of a cell.
  TEditButtonKindX GetEditButtonKind();
  int EditButtonsWidth();
  // The text shown for the current record.
  void GetDisplayText(std::string& Text);
  std::string DisplayText();
  int GetImageIndex();
  TCheckBoxState GetCheckboxState();
  void SetCheckboxState(TCheckBoxState State);
  // Whether the current record's value may be changed here; with TryEdit the dataset is put into
  // edit mode.
  bool CanModify(bool TryEdit);
  // Writes an edited value (as text, or as a value) through OnUpdateData into the field.
  void UpdateDataValues(const std::string& Text, const Variant& Value, bool UseText);
  // Steps the value: forward for Increment 1.0, backward for any other list step.
  void SetNextFieldValue(double Increment);
  void FillColCellParams(TColCellParamsX* Params);
  virtual void GetColCellParams(bool EditMode, TColCellParamsX* Params);
  // Width limited by MinWidth and MaxWidth (0 = no limit).
  int ClampWidth(int Width) const;
  int DefaultWidth();
  bool UseRightToLeftAlignment() const;
  virtual bool UseRightToLeftReading() const;
  virtual void OptimizeWidth();
  virtual void RestoreDefaults();
  // The title's or the footers' change: this column (or all) changed.
  void Changed(bool AllItems) { TCollectionItem::Changed(AllItems); }
  virtual void SpecRowChanged();
  // Binds Footer and every item of Footers to their aggregates of the grid's sum list anew (the
  // field or a footer's type changed).
  void ResetFooters();

  // ---- Fallbacks ----
  TAlignment DefaultAlignment();
  TColor DefaultColor() const;
  bool DefaultCheckboxes();
  bool DefaultReadOnly();
  bool DefaultWordWrap();
  TImeMode DefaultImeMode() const;
  std::string DefaultImeName() const;
  std::string DefaultLookupDisplayFields();
  TBiDiMode DefaultBiDiMode() const;
  // Takes the grid's font into the own font object without change events.
  void RefreshDefaultFont();

  void Assign(TPersistent* Source) override;
  void SetIndex(int Value) override;

  TGetColCellParamsEventX OnGetCellParams;
  TColCellUpdateDataEventX OnUpdateData;
  // Fired by the drop-down grid's events of the same stem.
  TCheckTitleXBtnEvent OnDropDownBoxCheckButton;
  TDrawColumnXCellEvent OnDropDownBoxDrawColumnCell;
  TGetCellXParamsEvent OnDropDownBoxGetCellParams;
  TNotifyEvent OnDropDownBoxSortMarkingChanged;
  TTitleXClickEvent OnDropDownBoxTitleBtnClick;
  TOnColumnCheckDrawRequiredStateEventX OnCheckDrawRequiredState;
  TButtonClickEventX OnEditButtonClick;
  TButtonDownEventX OnEditButtonDown;
  TNotInListEventX OnNotInList;

 protected:
  // The drop-down owner: the list source, grid and options of DataList.
  void SetDropDownListSource(TDataSource* Value) override;
  TCustomDBGridX* DropDownGrid() override;
  TDBLookupGridXOptions DropDownOptions() override;
  void SetDropDownOptions(TDBLookupGridXOptions Value) override;
  bool DropDownGridMade() const override { return data_list_ != nullptr; }

  std::string GetDisplayName() override;
  virtual std::unique_ptr<TEditButtonsX> CreateEditButtons();
  virtual std::unique_ptr<TColumnFooterX> CreateFooter();
  virtual std::unique_ptr<TColumnFootersX> CreateFooters();
  virtual std::unique_ptr<TSTColumnFilterX> CreateSTFilter();
  virtual std::unique_ptr<TColumnTitleX> CreateTitle();

 private:
  friend class TColumnTitleX;
  friend class TDBGridColumnsX;
  friend class TDBGridColumnX;
  friend class TCustomDBGridX;

  bool DefaultFlag(bool (TColumnDefValuesX::*Get)() const) const;

  void Assign(TColumnXValue V) { assigned_.Include(V); }
  template <class T>
  void SetAssigned(T& Field, const T& Value, TColumnXValue Flag);
  void FontChanged();
  void ImageListChanged();
  // Forgets a removed component it refers to.
  void ForgetComponent(TComponent* AComponent);
  bool InLinkLayout() const;
  bool LinkActive() const;
  // The text a step starts from: the editor's when it was changed, else the field's edit text.
  std::string CurrentEditText();
  bool CanEditField(TField* F);
  // Whether F may change now; the record goes into edit state with the grid's edit pending.
  bool BeginFieldEdit(TField* F);

  bool IsAlignmentStored();
  bool IsColorStored() const;
  bool IsFontStored() const { return Assigned(cvFont); }
  bool IsReadOnlyStored();
  bool IsWidthStored();
  bool IsWordWrapStored();
  bool IsCheckboxesStored() const { return Assigned(cvCheckboxes); }
  bool IsImeModeStored() const;
  bool IsImeNameStored() const;
  bool IsLookupDisplayFieldsStored();
  bool IsBiDiModeStored() const;
  bool IsIncrementStored() const { return increment_ != 1.0; }

  TColumnXValues assigned_;
  TAlignment alignment_ = taLeftJustify;
  TColumnButtonStyleX button_style_ = cbsAuto;
  bool checkboxes_ = false;
  TColor color_ = clWindow;
  std::string display_format_;
  int drop_down_rows_ = 7;
  std::unique_ptr<TSpecRowX> spec_row_;
  std::unique_ptr<TColumnDropDownBoxX> drop_down_box_;
  std::unique_ptr<TSTColumnFilterX> st_filter_;
  // Feeds the drop-down grid the lookup dataset when DropDownBox has no list source; it outlives
  // the grid that reads it.
  std::unique_ptr<TDataSource> lookup_source_;
  std::unique_ptr<TPopupDataGridX> data_list_;
  std::unique_ptr<TEditButtonsX> edit_buttons_;
  std::string edit_mask_;
  TField* field_ = nullptr;
  std::string field_name_;
  std::unique_ptr<TFont> font_;
  bool refreshing_font_ = false;
  std::unique_ptr<TColumnFooterX> footer_;
  std::unique_ptr<TColumnFootersX> footers_;
  bool hide_duplicates_ = false;
  TCustomImageList* image_list_ = nullptr;
  std::unique_ptr<TChangeLink> image_change_link_;
  TImeMode ime_mode_ = imDontCare;
  std::string ime_name_;
  double increment_ = 1.0;
  std::unique_ptr<TStringList> key_list_;
  int max_width_ = 0, min_width_ = 0;
  std::unique_ptr<TMRUListX> mru_list_;
  int not_in_key_list_index_ = -1;
  std::unique_ptr<TStringList> pick_list_;
  TPopupMenu* popup_menu_ = nullptr;
  bool read_only_ = false;
  bool stored_ = true;
  int tag_ = 0;
  std::unique_ptr<TColumnTitleX> title_;
  bool visible_ = true;
  int width_ = 0;
  bool auto_fit_col_width_ = true;
  int drop_down_width_ = 0;
  int init_width_ = 0;
  std::string lookup_display_fields_;
  bool word_wrap_ = false, end_ellipsis_ = false, tool_tips_ = false, always_show_edit_button_ = false;
  bool auto_drop_down_ = false, dbl_click_next_val_ = false, drop_down_sizing_ = false;
  bool drop_down_show_titles_ = false, highlight_required_ = false, show_image_and_text_ = false;
  TTextLayout layout_ = tlTop;
  TBiDiMode bidi_mode_ = bdLeftToRight;
};

// The column class a grid's collection holds; it publishes the column's properties.
class TDBGridColumnX : public TColumnX {
  LAB_CLASS(TDBGridColumnX, TColumnX)
  LAB_PROPERTIES(TDBGridColumnX, TColumnX)
 public:
  explicit TDBGridColumnX(TCollection* Collection) : TColumnX(Collection) {}
};

using TColumnXClass = TCollectionItemClass;

class TDBGridColumnsX : public TCollection {
  LAB_CLASS(TDBGridColumnsX, TCollection)
 public:
  TDBGridColumnsX(TCustomDBGridX* AGrid, TColumnXClass ColumnClass);

  TCustomDBGridX* Grid() const noexcept { return grid_; }
  TColumnX* GetColumn(int Index) const { return static_cast<TColumnX*>(Items(Index)); }
  TColumnX* operator[](int Index) const { return GetColumn(Index); }
  void SetColumn(int Index, TColumnX* Value) { SetItem(Index, Value); }
  // A stored (persistent) column; columns built from fields are dropped first.
  TColumnX* Add();
  // A column built from a field, never written into forms.
  TColumnX* AddDefaultColumn();
  // Customised (1) when the first column is stored, else default (0; also without columns).
  int GetState() const;
  bool Customized() const { return GetState() == 1; }
  // Releases what the columns hold of the dataset's services while the link's activity changes.
  void ReleaseColumnLinks();
  // Puts every column back to its fallbacks.
  void RestoreDefaults();

  TPersistent* GetOwner() override;

 protected:
  void Update(TCollectionItem* Item) override;
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override;

 private:
  TCustomDBGridX* grid_;
};

}  // namespace lab
