#include "job_browser.h"

#include "grid/data_service.h"
#include "grid/grid_unit.h"
#include "lab_jobs.h"
#include "error_report.h"
#include "options_bar.h"
#include "platform/controls/input.h"
#include "platform/controls/menus.h"
#include "platform/db/fields.h"
#include "platform/graphics/bitmap.h"
#include "platform/rtl/datetime.h"

namespace showcase {
namespace {

using namespace lab;

// A status image: a round dot in the status colour on a white (masked) square.
void AddStatusImage(TImageList* Images, TColor Color) {
  const int size = Images->Width();
  TBitmap bmp(size, size);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(TRect{0, 0, size, size});
  c->Brush()->SetColor(Color);
  const double r = size / 2.0 - 2, m = (size - 1) / 2.0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      if ((x - m) * (x - m) + (y - m) * (y - m) <= r * r) c->FillRect(TRect{x, y, x + 1, y + 1});
  Images->AddMasked(&bmp, clWhite);
}

// Dates edited through a mask of fixed width: the locale's short date with two-digit days and
// months and four-digit years ("M/d/yyyy" is edited as "mm/dd/yyyy" in "!00/00/0000;1;_").
void MaskDates(TField* Field, TColumnX* Column) {
  std::string format, mask = "!";
  const std::string& shortDate = FormatSettings.ShortDateFormat;
  for (std::size_t i = 0; i < shortDate.size();) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(shortDate[i])));
    std::size_t run = 1;
    while (i + run < shortDate.size() && std::tolower(static_cast<unsigned char>(shortDate[i + run])) == c) ++run;
    if (c == 'd' || c == 'm' || c == 'y') {
      const std::string part = c == 'y' ? "yyyy" : std::string(2, c);
      format += part;
      mask += std::string(part.size(), '0');
    } else {
      format.append(shortDate, i, run);
      mask.append(shortDate, i, run);
    }
    i += run;
  }
  Column->SetEditMask(mask + ";1;_");
  Field->OnGetText = [format](TField* Sender, std::string& Text, bool DisplayText) {
    if (Sender->IsNull()) Text.clear();
    else Text = DisplayText ? DateToStr(Sender->AsDateTime()) : FormatDateTime(format, Sender->AsDateTime());
  };
}

}  // namespace

TJobBrowser::TJobBrowser(TComponent* AOwner, bool EveryJobARow) : TForm(AOwner) {
  SetCaption(EveryJobARow ? "Job browser: every job" : "Job browser");
  SetBounds(40, 40, 1100, 600);

  frames_ = new TMemDataSet(this);
  FillLabFrames(frames_);
  jobs_ = new TMemDataSet(this);
  FillLabJobs(jobs_, 5000, frames_);
  source_ = new TDataSource(this);
  source_->SetDataSet(jobs_);

  status_images_ = new TImageList(this, 16, 16);
  for (TColor c : {static_cast<TColor>(0xD08030), static_cast<TColor>(0x00A0F0), static_cast<TColor>(0x30A030),
                   static_cast<TColor>(0x3030D0)})
    AddStatusImage(status_images_, c);

  grid_ = new TDBGridX(this);
  grid_->SetParent(this);
  grid_->SetAlign(alClient);
  grid_->SetUseMultiTitle(true);
  grid_->SetFrozenCols(1);
  grid_->SetFooterRowCount(1);
  grid_->SetFooterColor(clBtnFace);
  grid_->SetEvenRowColor(clWindow);
  grid_->SetOddRowColor(static_cast<TColor>(0xF6EFE8));
  grid_->TitleFont()->SetStyle({fsBold});
  AddColumns();
  grid_->SetDataSource(source_);
  // The grid's sort markers order the jobs: the data service hands them to the dataset.
  DBGridXDataService()->ApplySorting(grid_);
  jobs_->First();
  grid_->SetOptions(grid_->Options() + dgMultiSelect);
  if (EveryJobARow) {
    grid_->SetFooterRowCount(0);
    OnShow = [this](TObject*) { ShowJobsHalfway(); };
  } else {
    SelectJobsOnScreen();
  }
  // Rows (and columns) move while the thumb is dragged, not only where it is let go.
  grid_->VertScrollBar()->SetTracking(true);
  grid_->HorzScrollBar()->SetTracking(true);
  // F5 turns the current column's sort marker on (down, up, off with Ctrl keeping the others).
  // F6 hides the footer row: then every one of the 5,000 jobs is a row of its own and the grid
  // scrolls its rows (record-set mode); with the footer row its rows follow the current job.
  SetKeyPreview(true);
  // Ctrl+A selects every job and Ctrl+C copies the selection (a block of cells made with Shift and
  // the arrows, or the jobs): a spreadsheet pastes it as tab-separated text, another grid as records.
  grid_->SetEditActions({geaCopyX, geaSelectAllX});
  // The bar above the grid switches its main options while the jobs show.
  auto* bar = new TGridOptionsBar(this, this, grid_);
  // Help: what a user sees when the program meets an error it survives.
  bar->AddButton("Help: &error report...", [](TObject*) { ShowCaughtError(); });
  // Crash: the faults a program may meet, each reported by the crash reporter (the framework has no
  // menu bar, so the menu pops up under its button).
  TPopupMenu* crash_menu = MakeCrashMenu(this);
  bar->AddButton("&Crash", [crash_menu](TObject* Sender) {
    auto* button = static_cast<TControl*>(Sender);
    const TPoint at = button->ClientToScreen(TPoint{0, button->Height()});
    crash_menu->Popup(at.X, at.Y);
  });
  OnKeyDown = [this](TObject*, win::WORD& Key, TShiftState Shift) {
    if (Key == win::VK_F5) {
      if (TColumnX* c = grid_->SelectedColumn()) {
        c->Title()->CycleSortMarker(Shift.Contains(ssCtrl));
        DBGridXDataService()->ApplySorting(grid_);
      }
      Key = 0;
    } else if (Key == win::VK_F6) {
      grid_->SetFooterRowCount(grid_->FooterRowCount() == 0 ? 1 : 0);
      Key = 0;
    }
  };
}

// A selection of several jobs, made in code: the urgent ones and those on hold among the first rows.
void TJobBrowser::SelectJobsOnScreen() {
  TField* urgent = jobs_->FieldByName("Urgent");
  TField* status = jobs_->FieldByName("Status");
  jobs_->DisableControls();
  for (int i = 0; i < 24 && !jobs_->Eof(); ++i, jobs_->Next())
    if (urgent->AsBoolean() || status->AsInteger() == jsOnHold) grid_->SelectedRows()->SetCurrentRowSelected(true);
  jobs_->First();
  jobs_->EnableControls();
}

// Halfway down the jobs, as if the thumb had been dragged there: a run of five jobs and the urgent
// ones around it selected, made in code, and the current job among them.
void TJobBrowser::ShowJobsHalfway() {
  const int middle = jobs_->RecordCount() / 2;
  TField* urgent = jobs_->FieldByName("Urgent");
  jobs_->DisableControls();
  jobs_->SetRecNo(middle);
  for (int i = 0; i < 20 && !jobs_->Eof(); ++i, jobs_->Next())
    if ((i >= 3 && i < 8) || urgent->AsBoolean()) grid_->SelectedRows()->SetCurrentRowSelected(true);
  jobs_->SetRecNo(middle + 5);
  jobs_->EnableControls();
  grid_->Perform(win::WM_VSCROLL, win::MAKEWPARAM(win::SB_THUMBPOSITION, static_cast<win::WORD>(middle)), 0);
}

void TJobBrowser::AddColumns() {
  struct TColumnSpec {
    const char* Field;
    const char* Caption;
    int Width;
  };
  static constexpr TColumnSpec specs[] = {
      {"OrderNo", "Order", 64},          {"Patient", "Patient", 150},        {"OrderType", "Type", 48},
      {"RSphere", "Right|Sphere", 56},    {"RCylinder", "Right|Cylinder", 60}, {"RAxis", "Right|Axis", 40},
      {"LSphere", "Left|Sphere", 56},     {"LCylinder", "Left|Cylinder", 60},  {"LAxis", "Left|Axis", 40},
      {"Material", "Lens|Material", 120}, {"Frame", "Frame", 96},             {"Urgent", "Urgent", 48},
      {"Status", "Status", 48},           {"OrderDate", "Ordered", 92},       {"Price", "Price", 80},
  };
  for (const TColumnSpec& s : specs) {
    TColumnX* c = grid_->Columns()->Add();
    c->SetFieldName(s.Field);
    c->Title()->SetCaption(s.Caption);
    c->SetWidth(s.Width);
  }
  TDBGridColumnsX* columns = grid_->Columns();
  for (int i = 3; i <= 8; ++i) {
    if (i == 5 || i == 8) continue;
    columns->GetColumn(i)->SetDisplayFormat("+0.00;-0.00;0.00");
  }
  columns->GetColumn(12)->SetImageList(status_images_);
  columns->GetColumn(12)->SetAlignment(taCenter);
  // The footer row: how many jobs, and the mean sphere of each eye.
  columns->GetColumn(0)->Footer()->SetValueType(fvtCount);
  columns->GetColumn(1)->Footer()->SetValueType(fvtStaticText);
  columns->GetColumn(1)->Footer()->SetValue("jobs in all");
  for (int i : {3, 6}) {
    TColumnFooterX* f = columns->GetColumn(i)->Footer();
    f->SetValueType(fvtAvg);
    f->SetDisplayFormat("+0.00;-0.00;0.00");
    f->SetAlignment(taRightJustify);
  }
  columns->GetColumn(2)->Footer()->SetValueType(fvtStaticText);
  columns->GetColumn(2)->Footer()->SetValue("mean:");
  // And what the jobs come to.
  columns->GetColumn(14)->SetDisplayFormat("#,##0.00");
  columns->GetColumn(14)->Footer()->SetValueType(fvtSum);
  columns->GetColumn(14)->Footer()->SetDisplayFormat("#,##0.00");
  columns->GetColumn(14)->Footer()->SetAlignment(taRightJustify);
  grid_->SumList()->SetActive(true);
  // Edited in place from the keyboard: typing opens a cell's editor, Enter takes the text. The
  // order number and the price are not the user's to change; the order type and the material are
  // chosen from their lists (F4 or the button drops them down); the date is typed into a mask.
  columns->GetColumn(0)->SetReadOnly(true);
  columns->GetColumn(14)->SetReadOnly(true);
  // Patients are named in the job window, not here: typing in the Patient column finds the job by
  // the first letters of the name (the search ends a moment after the last key).
  columns->GetColumn(1)->SetReadOnly(true);
  grid_->SetOptionsX(grid_->OptionsX() + dgxIncSearch);
  // Ctrl+F opens the find dialog (a text in one column or all, down or up); the program's grids
  // start an incremental search with Ctrl+Shift+F instead (typing in the Patient column still does).
  DBGridXResources().IncSearchStartKey = ShortCut('F', {ssCtrl, ssShift});
  // Column edges are dragged with the columns following at once; a double click on one fits the
  // column to its widest text.
  grid_->SetOptionsX(grid_->OptionsX() + dgxTraceColSizing + dgxDblClickOptimizeColWidth);
  columns->GetColumn(2)->GetPickList()->SetText("Pair\nRight\nLeft");
  TStrings* materials = columns->GetColumn(9)->GetPickList();
  for (const char* m : LabMaterials()) materials->Add(m);
  columns->GetColumn(9)->SetAlwaysShowEditButton(true);
  // The frame is chosen from the frames table: its button (or F4) drops down a grid of the frames
  // with their materials; Enter or a click stores the frame's number.
  TColumnX* frame = columns->GetColumn(10);
  frame->SetLookupDisplayFields("Name;Material");
  frame->SetDropDownShowTitles(true);
  frame->SetDropDownWidth(200);
  MaskDates(jobs_->FieldByName("OrderDate"), columns->GetColumn(13));
  // The jobs are sorted by date, newest first, then by number. A click on a title sorts by its
  // column (again: the other way round); Ctrl+click adds the column as the next level, sorted when
  // Ctrl is let go.
  grid_->ColumnDefValues()->Title()->SetTitleButton(true);
  grid_->SetOptionsX(grid_->OptionsX() + dgxMultiSortMarking + dgxAutoSortMarking);
  columns->GetColumn(13)->Title()->SetSortMarker(smUpX);
  columns->GetColumn(0)->Title()->SetSortMarker(smDownX);
  // The filter row under the titles: "Mo*" under Patient narrows the jobs to those patients (Up
  // above the first job or a click enters it, Enter filters); the material's drop-down offers the
  // materials the jobs have, and "(Order by ...)" sorts by the column.
  grid_->STFilter()->SetVisible(true);
  // Names and materials cut off by their columns show whole when the mouse rests on them.
  grid_->SetShowHint(true);
  for (int i : {1, 9, 10}) columns->GetColumn(i)->SetToolTips(true);
  columns->GetColumn(1)->Title()->SetHint("The patient's name|Type the first letters under the title and Enter");
}

}  // namespace showcase
