#include "trace_queue.h"

#include <string>

#include "platform/db/fields.h"
#include "platform/rtl/datetime.h"

namespace showcase {

using namespace lab;

TTraceQueue::TTraceQueue(TComponent* AOwner) : TForm(AOwner) {
  SetCaption("Trace queue");
  SetBounds(120, 120, 640, 420);

  traces_ = new TMemDataSet(this);
  FillTraces();
  source_ = new TDataSource(this);
  source_->SetDataSet(traces_);

  grid_ = new TDBGridX(this);
  grid_->SetParent(this);
  grid_->SetAlign(alClient);
  grid_->SetReadOnly(true);
  struct TColumnSpec {
    const char* Field;
    int Width;
  };
  static constexpr TColumnSpec specs[] = {{"Item", 230}, {"Received", 130}, {"Side", 40},
                                          {"Points", 56}, {"Circumference", 120}, {"DBL", 48}};
  for (const TColumnSpec& s : specs) {
    TColumnX* c = grid_->Columns()->Add();
    c->SetFieldName(s.Field);
    c->SetWidth(s.Width);
  }
  grid_->Columns()->GetColumn(4)->SetDisplayFormat("0.0");
  grid_->Columns()->GetColumn(5)->SetDisplayFormat("0.0");
  grid_->SetDataSource(source_);
  traces_->First();
}

// Three devices with a few queued jobs each; a pair has a right and a left trace, a single lens
// one. The first two devices are open, the first job's traces shown.
void TTraceQueue::FillTraces() {
  TFieldDefs& defs = traces_->FieldDefs();
  defs.Add("Id", ftInteger);
  defs.Add("Parent", ftInteger);
  defs.Add("Item", ftString, 40);
  defs.Add("Received", ftDateTime);
  defs.Add("Side", ftString, 1);
  defs.Add("Points", ftInteger);
  defs.Add("Circumference", ftFloat);
  defs.Add("DBL", ftFloat);
  traces_->Open();
  traces_->FieldByName("Item")->SetDisplayLabel("Device, job, trace");
  traces_->FieldByName("Circumference")->SetDisplayLabel("Circumference mm");
  traces_->SetTreeFields("Id", "Parent");

  int id = 0;
  auto add = [this, &id](int Parent, const std::string& Item, auto&& Fill) {
    traces_->Append();
    traces_->FieldByName("Id")->SetAsInteger(++id);
    if (Parent != 0) traces_->FieldByName("Parent")->SetAsInteger(Parent);
    traces_->FieldByName("Item")->SetAsString(Item);
    Fill();
    traces_->Post();
    return id;
  };
  static constexpr const char* kDevices[] = {"Tracer 1 on COM1", "Tracer 2 on COM2", "Remote tracer R-17"};
  static constexpr const char* kTypes[] = {"Pair", "Right", "Pair", "Left", "Pair"};
  const TDateTime morning = EncodeDate(2025, 2, 21) + EncodeTime(8, 0, 0, 0);
  int job = 105001;
  for (int d = 0; d < 3; ++d) {
    const int device = add(0, kDevices[d], [] {});
    for (int j = 0; j < 3 + d; ++j, ++job) {
      const std::string type = kTypes[(job + d) % 5];
      const double dbl = 16 + (job % 7);
      const TDateTime received = morning + (d * 41 + j * 17) / (24.0 * 60);
      const int parent = add(device, "Job " + std::to_string(job) + " (" + type + ")", [&] {
        traces_->FieldByName("Received")->SetAsDateTime(received);
        traces_->FieldByName("Side")->SetAsString(type == "Pair" ? "B" : type.substr(0, 1));
        traces_->FieldByName("DBL")->SetAsFloat(dbl);
      });
      for (const char* side : {"R", "L"}) {
        if (type != "Pair" && type.substr(0, 1) != side) continue;
        add(parent, side[0] == 'R' ? "Right trace" : "Left trace", [&] {
          traces_->FieldByName("Side")->SetAsString(side);
          traces_->FieldByName("Points")->SetAsInteger(job % 2 == 0 ? 400 : 1000);
          traces_->FieldByName("Circumference")->SetAsFloat(150.0 + (job % 13) * 1.7 + (side[0] == 'L' ? 0.4 : 0));
        });
      }
    }
  }
  for (const char* open : {"Tracer 1 on COM1", "Tracer 2 on COM2"}) {
    traces_->Locate("Item", open, {});
    traces_->TreeExpand();
  }
  traces_->Locate("Item", "Tracer 1 on COM1", {});
  traces_->Next();
  traces_->TreeExpand();
}

}  // namespace showcase
