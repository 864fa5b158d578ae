#include "lab_jobs.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "platform/db/field_kinds.h"
#include "platform/db/fields.h"
#include "platform/rtl/datetime.h"

namespace showcase {
namespace {

using namespace lab;

// A small generator of its own, so the jobs are the same on every machine.
class TJobRandom {
 public:
  explicit TJobRandom(std::uint64_t Seed) : state_(Seed) {}
  std::uint32_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state_ >> 33);
  }
  int Below(int N) { return static_cast<int>(Next() % static_cast<std::uint32_t>(N)); }
  template <class T, std::size_t N>
  const T& Pick(const std::array<T, N>& Items) { return Items[static_cast<std::size_t>(Below(N))]; }

 private:
  std::uint64_t state_;
};

constexpr std::array<const char*, 16> kFirstNames = {"Anna", "Ben", "Clara", "David", "Elena", "Farid", "Greta", "Hugo",
                                                     "Ines", "Jonas", "Katrin", "Luis", "Maja", "Nils", "Olga", "Paul"};
constexpr std::array<const char*, 16> kLastNames = {"Berger", "Costa", "Dvorak", "Eriksen", "Fischer", "Garcia",
                                                    "Huber", "Ivanova", "Jansen", "Keller", "Lindqvist", "Moreau",
                                                    "Novak", "Olsen", "Petrov", "Weber"};
constexpr std::array<const char*, 3> kOrderTypes = {"Pair", "Right", "Left"};
constexpr std::array<const char*, 6> kMaterials = {"CR-39", "Polycarbonate", "Trivex", "Hi-index 1.67",
                                                   "Hi-index 1.74", "Glass 1.5"};
// The frames the lab fits, by number from 1, and what each is made of.
constexpr std::array<const char*, 8> kFrames = {"Aviator 54", "Round 48", "Cat-eye 52", "Rimless 50",
                                                "Browline 53", "Rectangle 55", "Oval 51", "Sport wrap 60"};
constexpr std::array<const char*, 8> kFrameMaterials = {"Metal",   "Metal",   "Acetate",  "Titanium",
                                                        "Acetate", "Acetate", "Titanium", "Nylon"};

// A prescription value in quarter dioptres, as the lab writes it.
double Dioptres(TJobRandom& R, int Lowest, int Highest) { return (Lowest + R.Below(Highest - Lowest + 1)) * 0.25; }

}  // namespace

std::vector<const char*> LabMaterials() { return {kMaterials.begin(), kMaterials.end()}; }

void FillLabFrames(TMemDataSet* Frames) {
  Frames->FieldDefs().Add("FrameNo", ftInteger);
  Frames->FieldDefs().Add("Name", ftString, 16);
  Frames->FieldDefs().Add("Material", ftString, 12);
  Frames->Open();
  for (std::size_t i = 0; i < kFrames.size(); ++i) {
    Frames->Append();
    Frames->Fields()[0]->SetAsInteger(static_cast<int>(i) + 1);
    Frames->Fields()[1]->SetAsString(kFrames[i]);
    Frames->Fields()[2]->SetAsString(kFrameMaterials[i]);
    Frames->Post();
  }
  Frames->First();
}

void FillLabJobs(TMemDataSet* DataSet, int Count, TDataSet* Frames) {
  TFieldDefs& defs = DataSet->FieldDefs();
  defs.Add("OrderNo", ftInteger);
  defs.Add("Patient", ftString, 32);
  defs.Add("OrderType", ftString, 8);
  defs.Add("RSphere", ftFloat);
  defs.Add("RCylinder", ftFloat);
  defs.Add("RAxis", ftInteger);
  defs.Add("LSphere", ftFloat);
  defs.Add("LCylinder", ftFloat);
  defs.Add("LAxis", ftInteger);
  defs.Add("Material", ftString, 16);
  defs.Add("FrameNo", ftInteger);
  defs.Add("Urgent", ftBoolean);
  defs.Add("Status", ftInteger);
  defs.Add("OrderDate", ftDate);
  defs.Add("Price", ftCurrency);
  // Fields of its own, so the frame's name can be looked up by its number beside them.
  for (int i = 0; i < defs.Count(); ++i) {
    TField* f = CreateFieldOfType(defs[i].DataType(), DataSet, defs[i].Name());
    if (defs[i].DataType() == ftString) f->SetSize(defs[i].Size());
    f->SetDataSet(DataSet);
  }
  auto* frame = new TStringField(DataSet);
  frame->SetFieldName("Frame");
  frame->SetSize(16);
  frame->SetLookup(true);
  frame->SetKeyFields("FrameNo");
  frame->SetLookupDataSet(Frames);
  frame->SetLookupKeyFields("FrameNo");
  frame->SetLookupResultField("Name");
  frame->SetDataSet(DataSet);
  DataSet->Open();
  // Messages about a field name it as the column titles do.
  static constexpr const char* kLabels[] = {"Order",  "Patient",   "Type",     "Sphere", "Cylinder",
                                            "Axis",   "Sphere",    "Cylinder", "Axis",   "Material",
                                            "Frame number", "Urgent", "Status", "Ordered", "Price", "Frame"};
  for (int i = 0; i < 16; ++i) DataSet->Fields()[i]->SetDisplayLabel(kLabels[i]);
  TJobRandom r(20240611);
  const TDateTime first = EncodeDate(2024, 1, 2);
  TField* fields[15];
  for (int i = 0; i < 15; ++i) fields[i] = DataSet->Fields()[i];
  DataSet->DisableControls();
  for (int n = 0; n < Count; ++n) {
    DataSet->Append();
    const std::string type = r.Pick(kOrderTypes);
    fields[0]->SetAsInteger(100001 + n);
    fields[1]->SetAsString(std::string(r.Pick(kLastNames)) + ", " + r.Pick(kFirstNames));
    fields[2]->SetAsString(type);
    if (type != "Left") {
      fields[3]->SetAsFloat(Dioptres(r, -32, 16));
      fields[4]->SetAsFloat(Dioptres(r, -12, 0));
      fields[5]->SetAsInteger(r.Below(180) + 1);
    }
    if (type != "Right") {
      fields[6]->SetAsFloat(Dioptres(r, -32, 16));
      fields[7]->SetAsFloat(Dioptres(r, -12, 0));
      fields[8]->SetAsInteger(r.Below(180) + 1);
    }
    fields[9]->SetAsString(r.Pick(kMaterials));
    fields[10]->SetAsInteger(r.Below(static_cast<int>(kFrames.size())) + 1);
    fields[11]->SetAsBoolean(r.Below(7) == 0);
    fields[12]->SetAsInteger(r.Below(jsStatusCount));
    fields[13]->SetAsDateTime(first + n / 12);
    // The lens price by material, a pair twice a single lens, plus a coating now and then.
    const std::string material = fields[9]->AsString();
    const int base = 40 + 15 * static_cast<int>(std::find(kMaterials.begin(), kMaterials.end(), material) -
                                                kMaterials.begin());
    fields[14]->SetAsCurrency(Currency((type == "Pair" ? 2 : 1) * base) + Currency::FromRaw(r.Below(4) * 49500));
    DataSet->Post();
  }
  DataSet->First();
  DataSet->EnableControls();
}

}  // namespace showcase
