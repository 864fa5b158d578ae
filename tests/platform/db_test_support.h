#pragma once
// Shared pieces of the dataset tests: a people table and a data link that records what it hears.

#include <string>
#include <vector>

#include "platform/db/data_link.h"
#include "platform/db/data_source.h"
#include "platform/db/db_errors.h"
#include "platform/db/field_kinds.h"
#include "platform/db/mem_dataset.h"
#include "platform/rtl/format.h"

namespace lab::dbtest {

// Records every notification as text ("scroll 1", "changed", "record Name", "editing 1", ...).
class TRecordingLink : public TDataLink {
 public:
  std::vector<std::string> Events;
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    out.swap(Events);
    return out;
  }

 protected:
  void ActiveChanged() override { Events.push_back(Format("active %d", Active() ? 1 : 0)); }
  void CheckBrowseMode() override { Events.push_back("check"); }
  void DataSetChanged() override { Events.push_back("changed"); }
  void DataSetScrolled(int Distance) override { Events.push_back(Format("scroll %d", Distance)); }
  void EditingChanged() override { Events.push_back(Format("editing %d", Editing() ? 1 : 0)); }
  void LayoutChanged() override { Events.push_back("layout"); }
  void RecordChanged(TField* Field) override {
    Events.push_back(Field ? "record " + Field->FieldName() : std::string("record"));
  }
  void UpdateData() override { Events.push_back("update"); }
};

// Ids 1..Count with names "N1".. and ages (Id * 7) mod 50.
inline void FillPeople(TMemDataSet& ds, int Count) {
  ds.FieldDefs().Add("Id", ftInteger);
  ds.FieldDefs().Add("Name", ftString, 20);
  ds.FieldDefs().Add("Age", ftInteger);
  ds.Open();
  for (int i = 1; i <= Count; ++i) {
    ds.Append();
    ds.FieldByName("Id")->SetAsInteger(i);
    std::string name = "N";
    name += std::to_string(i);
    ds.FieldByName("Name")->SetAsString(name);
    ds.FieldByName("Age")->SetAsInteger(i * 7 % 50);
    ds.Post();
  }
  ds.First();
}

inline int CurrentId(TDataSet& ds) { return ds.FieldByName("Id")->AsInteger(); }

}  // namespace lab::dbtest
