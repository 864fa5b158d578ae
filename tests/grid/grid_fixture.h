#pragma once
// Shared set-up of the grid tests: the headless back-end, a form holding a grid bound to an
// in-memory dataset of a few typed fields, and message pumping.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "grid/dbgrid.h"
#include "platform/backend/headless.h"
#include "platform/controls/application.h"
#include "platform/controls/clock.h"
#include "platform/controls/forms.h"
#include "platform/controls/message_queue.h"
#include "platform/db/data_source.h"
#include "platform/db/fields.h"
#include "platform/db/mem_dataset.h"

namespace lab::gridtest {

class GridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetBackend(CreateHeadlessBackend());
    SetClock(&clock);
    form = new TForm(nullptr);
    form->SetName("Form1");
    form->SetBounds(0, 0, 400, 300);
    ds = new TMemDataSet(form);
    ds->SetName("Data1");
    ds->FieldDefs().Add("Id", ftInteger);
    ds->FieldDefs().Add("Name", ftString, 20);
    ds->FieldDefs().Add("Done", ftBoolean);
    ds->FieldDefs().Add("Code", ftString, 5);
    ds->FieldDefs().Add("Price", ftFloat);
    source = new TDataSource(form);
    source->SetName("Source1");
    source->SetDataSet(ds);
    grid = new TDBGridX(form);
    grid->SetName("Grid1");
    grid->SetParent(form);
  }
  void TearDown() override {
    delete form;
    Pump();
    SetClock(nullptr);
  }

  // Dispatches what waits in the queue (a bounded number of turns).
  int Pump(int turns = 100) {
    int n = 0;
    win::MSG m;
    while (turns-- > 0 && wm::PeekMessage(m, nullptr, 0, 0, wm::PM_REMOVE)) {
      wm::TranslateMessage(m);
      wm::DispatchMessage(m);
      ++n;
    }
    return n;
  }
  // How many deferred layouts wait for the grid.
  int QueuedLayouts() {
    int n = 0;
    win::MSG m;
    std::vector<win::MSG> kept;
    while (wm::PeekMessage(m, grid->Handle(), WM_DEFERLAYOUTX, WM_DEFERLAYOUTX, wm::PM_REMOVE)) {
      ++n;
      kept.push_back(m);
    }
    for (const win::MSG& k : kept) wm::PostMessage(k.hwnd, k.message, k.wParam, k.lParam);
    return n;
  }

  void AddRow(int id, const char* name, Variant done, const char* code, Variant price) {
    ds->Append();
    ds->FieldByName("Id")->SetAsInteger(id);
    ds->FieldByName("Name")->SetAsString(name);
    ds->FieldByName("Done")->SetValue(done);
    ds->FieldByName("Code")->SetAsString(code);
    ds->FieldByName("Price")->SetValue(price);
    ds->Post();
  }
  void OpenWithRows() {
    ds->Open();
    AddRow(1, "one", true, "K0", 1.5);
    AddRow(2, "two", false, "K1", Null());
    AddRow(3, "three", Null(), "zz", 2.0);
    ds->First();
  }
  TColumnX* Column(int i) { return grid->Columns()->GetColumn(i); }
  int Id() { return ds->FieldByName("Id")->AsInteger(); }
  // The ids of the selected records, in order.
  std::vector<int> SelectedIds() {
    std::vector<int> ids;
    const TBookmark here = ds->Bookmark();
    for (int i = 0; i < grid->SelectedRows()->Count(); ++i) {
      ds->GotoBookmark(grid->SelectedRows()->Items(i));
      ids.push_back(Id());
    }
    ds->GotoBookmark(here);
    return ids;
  }

  TManualClock clock;
  TForm* form = nullptr;
  TMemDataSet* ds = nullptr;
  TDataSource* source = nullptr;
  TDBGridX* grid = nullptr;
};

}  // namespace lab::gridtest
