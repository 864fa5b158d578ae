#include "grid/sum_list.h"

#include "grid/grid_services.h"
#include "platform/db/data_link.h"
#include "platform/db/data_source.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

void TDBSum::DeclareProperties(TPropertyDeclarer<TDBSum>& P) {
  P.Property("FieldName", &TDBSum::FieldName, &TDBSum::SetFieldName);
  P.Property("GroupOperation", &TDBSum::GroupOperation, &TDBSum::SetGroupOperation).Default(goSum);
}

void TDBSum::SetFieldName(const std::string& Value) {
  if (field_name_ == Value) return;
  field_name_ = Value;
  Changed(false);
}

void TDBSum::SetGroupOperation(TGroupOperation Value) {
  if (operation_ == Value) return;
  operation_ = Value;
  Changed(false);
}

void TDBSum::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TDBSum*>(Source)) {
    field_name_ = src->field_name_;
    operation_ = src->operation_;
    Changed(false);
    return;
  }
  TCollectionItem::Assign(Source);
}

TDBSumCollection::TDBSumCollection(TDBSumListProducer* AOwner)
    : TOwnedCollection(AOwner, MetaClass<TDBSum>()), producer_(AOwner) {}

TDBSum* TDBSumCollection::FindSum(TGroupOperation Operation, std::string_view FieldName) const {
  for (int i = 0; i < Count(); ++i) {
    TDBSum* sum = Items(i);
    if (sum->GroupOperation() == Operation && AnsiCompareTextX(sum->FieldName(), FieldName) == 0) return sum;
  }
  return nullptr;
}

void TDBSumCollection::Update(TCollectionItem*) {
  if (producer_->Working()) producer_->RecalcAll();
}

// Follows the dataset: see the header for when it recalculates.
class TDBSumListProducer::TSumLink : public TDataLink {
 public:
  explicit TSumLink(TDBSumListProducer* Owner) : owner_(Owner) {}

 protected:
  void ActiveChanged() override {
    if (owner_->recalculating_) return;
    if (Active()) Recalc();
    else owner_->ClearValues();
  }
  void EditingChanged() override {
    if (!Editing()) stale_ = true;
  }
  void DataSetChanged() override {
    if (owner_->recalculating_ || !Active()) return;
    if (stale_ || owner_->pending_ || DataSet()->RecordCount() != count_) Recalc();
  }
  void DataSetScrolled(int) override {}
  void LayoutChanged() override {
    if (!owner_->recalculating_ && Active()) Recalc();
  }

 private:
  void Recalc() {
    stale_ = false;
    if (owner_->Working()) owner_->RecalcAll();
    count_ = DataSet()->RecordCount();
  }

  TDBSumListProducer* owner_;
  bool stale_ = false;
  int count_ = -1;
};

TDBSumListProducer::TDBSumListProducer(TComponent* AOwner)
    : TComponent(AOwner),
      sums_(std::make_unique<TDBSumCollection>(this)),
      source_(std::make_unique<TDataSource>(nullptr)),
      link_(std::make_unique<TSumLink>(this)) {
  link_->SetDataSource(source_.get());
}

// Letting go of the dataset clears the values; nobody is told any more.
TDBSumListProducer::~TDBSumListProducer() {
  OnRecalcAll = nullptr;
  OnAfterRecalcAll = nullptr;
  SumListChanged = nullptr;
  link_->SetDataSource(nullptr);
}

TDataSet* TDBSumListProducer::DataSet() const { return source_->DataSet(); }

bool TDBSumListProducer::Working() const {
  return active_ && !ComponentState().Contains(csLoading) && DataSet() && DataSet()->Active();
}

void TDBSumListProducer::SetActive(bool Value) {
  if (active_ == Value) return;
  active_ = Value;
  if (ComponentState().Contains(csLoading)) return;
  if (Working()) RecalcAll();
  else ClearValues();
}

void TDBSumListProducer::SetDataSet(TDataSet* Value) {
  if (DataSet() == Value) return;
  source_->SetDataSet(Value);
  if (Working()) RecalcAll();
  else ClearValues();
}

void TDBSumListProducer::Loaded() {
  TComponent::Loaded();
  if (Working()) RecalcAll();
}

void TDBSumListProducer::ClearValues() {
  bool changed = false;
  for (int i = 0; i < sums_->Count(); ++i) {
    TDBSum* sum = sums_->Items(i);
    if (!VarIsNull(sum->value_)) {
      sum->value_ = Null();
      changed = true;
    }
  }
  if (changed) Changed();
}

void TDBSumListProducer::Changed() { DoSumListChanged(); }

void TDBSumListProducer::DoRecalcAll() {
  if (OnRecalcAll) OnRecalcAll(this);
}

void TDBSumListProducer::DoAfterRecalcAll() {
  if (OnAfterRecalcAll) OnAfterRecalcAll(this);
}

void TDBSumListProducer::DoSumListChanged() {
  if (SumListChanged) SumListChanged(this);
}

namespace {

// A field's value in ten-thousandths: exact for currency and integer fields, rounded for floats.
std::int64_t RawValue(TField* Field) {
  switch (Field->DataType()) {
    case ftCurrency: case ftBCD: case ftFMTBcd: return Field->AsCurrency().Raw();
    case ftSmallint: case ftInteger: case ftWord: case ftLargeint: case ftAutoInc:
      return (Currency(Field->AsLargeInt())).Raw();
    default: return Round(Field->AsFloat() * Currency::Scale);
  }
}

struct TAccumulator {
  TField* Field = nullptr;
  Currency Sum;
  std::int64_t Count = 0;
};

}  // namespace

void TDBSumListProducer::RecalcAll() {
  if (recalculating_) return;
  if (!Working()) {
    ClearValues();
    return;
  }
  TDataSet* ds = DataSet();
  // Records cannot be walked while one is edited; the link recalculates once it is posted.
  if (ds->State() != dsBrowse) {
    pending_ = true;
    return;
  }
  pending_ = false;
  DoRecalcAll();
  std::vector<TAccumulator> acc(static_cast<std::size_t>(sums_->Count()));
  for (int i = 0; i < sums_->Count(); ++i) {
    TDBSum* sum = sums_->Items(i);
    if (sum->GroupOperation() != goCount) acc[static_cast<std::size_t>(i)].Field = ds->FindField(sum->FieldName());
  }
  std::int64_t records = 0;
  {
    TBookmark mark;
    recalculating_ = true;
    ds->DisableControls();
    TScopeExit restore([&] {
      // A record that went away in between is no reason to fail the sums.
      try {
        if (!mark.empty() && ds->BookmarkValid(mark)) ds->GotoBookmark(mark);
      } catch (...) {
      }
      ds->EnableControls();
      recalculating_ = false;
    });
    mark = ds->Bookmark();
    for (ds->First(); !ds->Eof(); ds->Next()) {
      ++records;
      for (TAccumulator& a : acc) {
        if (!a.Field || a.Field->IsNull()) continue;
        a.Sum += Currency::FromRaw(RawValue(a.Field));
        ++a.Count;
      }
    }
  }
  for (int i = 0; i < sums_->Count(); ++i) {
    TDBSum* sum = sums_->Items(i);
    const TAccumulator& a = acc[static_cast<std::size_t>(i)];
    switch (sum->GroupOperation()) {
      case goCount: sum->value_ = Currency(records); break;
      case goSum: sum->value_ = a.Field ? Variant(a.Sum) : Null(); break;
      case goAvg:
        sum->value_ = a.Count > 0 ? Variant(a.Sum / Currency(a.Count)) : Null();
        break;
    }
  }
  DoAfterRecalcAll();
  Changed();
}

bool TDBSumListProducer::IsSequenced() const {
  TDataSet* ds = DataSet();
  return ds && ds->Active() && ds->IsSequenced();
}

int TDBSumListProducer::RecordCount() const {
  TDataSet* ds = DataSet();
  return ds && ds->Active() ? ds->RecordCount() : 0;
}

int TDBSumListProducer::RecNo() const {
  TDataSet* ds = DataSet();
  return ds && ds->Active() ? ds->RecNo() : 0;
}

void TDBSumListProducer::SetRecNo(int Value) {
  TDataSet* ds = DataSet();
  if (ds && ds->Active()) ds->SetRecNo(Value);
}

}  // namespace lab
