// A grid over an in-memory dataset. A click on a title sorts by its column (again: the other way
// round); under the titles the filter row narrows the rows ("C*" under Name, then Enter).
#include "grid/dbgrid.h"
#include "platform/controls/application.h"
#include "platform/controls/forms.h"
#include "platform/db/data_source.h"
#include "platform/db/mem_dataset.h"

using namespace lab;

int main() {
  Application->Initialize();
  TForm* form;
  Application->CreateForm(form);
  form->SetCaption("Lenses");
  form->SetBounds(100, 100, 480, 260);

  auto* lenses = new TMemDataSet(form);
  lenses->FieldDefs().Add("Name", ftString, 24);
  lenses->FieldDefs().Add("Index", ftFloat);
  lenses->FieldDefs().Add("Price", ftCurrency);
  lenses->Open();
  const struct { const char* Name; double Index, Price; } rows[] = {
      {"CR-39", 1.50, 18.0}, {"Polycarbonate", 1.59, 32.5}, {"Trivex", 1.53, 41.0}, {"High index", 1.74, 96.0}};
  for (const auto& row : rows) {
    lenses->Append();
    lenses->FieldByName("Name")->SetAsString(row.Name);
    lenses->FieldByName("Index")->SetAsFloat(row.Index);
    lenses->FieldByName("Price")->SetAsFloat(row.Price);
    lenses->Post();
  }
  lenses->First();
  auto* source = new TDataSource(form);
  source->SetDataSet(lenses);

  auto* grid = new TDBGridX(form);
  grid->SetParent(form);
  grid->SetAlign(alClient);
  grid->SetDataSource(source);
  grid->ColumnDefValues()->Title()->SetTitleButton(true);  // titles are buttons ...
  grid->SetOptionsX(grid->OptionsX() + dgxAutoSortMarking);  // ... and a click sorts
  grid->STFilter()->SetVisible(true);                        // the filter row
  grid->VertScrollBar()->SetTracking(true);                  // rows follow the thumb as it is dragged

  Application->Run();
}
