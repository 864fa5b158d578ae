#include "grid/sum_list.h"

#include "grid/grid_services.h"
#include <algorithm>

#include "platform/db/data_source.h"
#include "platform/db/db_errors.h"
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
  explicit TSumLink(TDBSumListProducer* Owner) : owner_(Owner) { SetObservesRecords(true); }

 protected:
  void ActiveChanged() override {
    if (owner_->recalculating_) return;
    if (Active()) Recalc();
    else owner_->ClearValues();
  }
  void DataSetChanged() override {
    if (owner_->recalculating_ || !Active()) return;
    if (stale_ || owner_->pending_ || DataSet()->RecordCount() != count_) Recalc();
  }
  void DataSetScrolled(int) override {}
  void CheckPost(const TRecordChange& Change) override { owner_->CheckPost(Change); }
  void LayoutChanged() override {
    if (!owner_->recalculating_ && Active()) Recalc();
  }
  // Told in the middle of a post, before the display links see the new window: the totals follow
  // here, or are counted again at the next change of the dataset, once it is browsing again.
  void RecordsChanged(const TRecordChange& Change) override {
    if (owner_->recalculating_) return;
    bool followed = false;
    try {
      followed = Change.Described && owner_->FollowChange(Change);
    } catch (const Exception&) {
      // A total out of range must not fail the post: the recount reports it.
    }
    if (!followed) {
      stale_ = true;
      return;
    }
    count_ = DataSet()->RecordCount();
  }

 public:
  // Counts again at the dataset's next change.
  void MarkStale() { stale_ = true; }

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

// An open dataset may lose a field of its own: the totals over it can no longer follow a post
// (its pointer is gone), and are counted again at the dataset's next change.
void TDBSumListProducer::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove || !sums_) return;
  bool lost = false;
  for (int i = 0; i < sums_->Count(); ++i) {
    TDBSum* sum = sums_->Items(i);
    if (sum->field_ && sum->field_ == AComponent) {
      sum->field_ = nullptr;
      lost = true;
    }
  }
  if (!lost) return;
  valid_ = false;
  if (link_) link_->MarkStale();
}

void TDBSumListProducer::ClearValues() {
  valid_ = false;
  bool changed = false;
  for (int i = 0; i < sums_->Count(); ++i) {
    TDBSum* sum = sums_->Items(i);
    sum->field_ = nullptr;
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

// A stored value in ten-thousandths: exact for currency and integer fields, rounded for floats.
std::int64_t RawValue(const Variant& Value, TFieldType Type) {
  switch (Type) {
    case ftCurrency: case ftBCD: case ftFMTBcd: return Value.AsCurrency().Raw();
    case ftSmallint: case ftInteger: case ftWord: case ftLargeint: case ftAutoInc:
      return Currency(Value.AsInt64()).Raw();
    default: return Round(Value.AsDouble() * Currency::Scale);
  }
}

// A stored field whose values the dataset hands out by FieldNo.
bool IsStored(const TField* Field) { return Field->FieldKind() == fkData && Field->FieldNo() > 0; }

}  // namespace

void TDBSum::TakeTotals(std::int64_t Records) {
  switch (operation_) {
    case goCount: value_ = Currency(Records); break;
    case goSum: value_ = field_ ? Variant(total_) : Null(); break;
    case goAvg: value_ = values_ > 0 ? Variant(total_ / Currency(values_)) : Null(); break;
  }
}

void TDBSumListProducer::RecalcAll() {
  if (recalculating_) return;
  if (!Working()) {
    ClearValues();
    return;
  }
  TDataSet* ds = DataSet();
  bool in_place = ds->CanReadRecordValues();
  for (int i = 0; i < sums_->Count(); ++i) {
    TDBSum* sum = sums_->Items(i);
    sum->field_ = sum->GroupOperation() == goCount ? nullptr : ds->FindField(sum->FieldName());
    if (sum->field_) sum->field_->FreeNotification(this);
    sum->total_ = Currency();
    sum->values_ = 0;
    if (sum->field_ && !IsStored(sum->field_)) in_place = false;
  }
  // Records cannot be walked while one is edited; the link recalculates once it is posted.
  if (!in_place && ds->State() != dsBrowse) {
    pending_ = true;
    return;
  }
  pending_ = false;
  DoRecalcAll();
  {
    recalculating_ = true;
    TScopeExit done([this] { recalculating_ = false; });
    if (in_place) SumInPlace(ds);
    else SumByWalking(ds);
  }
  valid_ = true;
  for (int i = 0; i < sums_->Count(); ++i) sums_->Items(i)->TakeTotals(records_);
  DoAfterRecalcAll();
  Changed();
}

// Straight from the dataset's storage: the cursor and the record window stay as they are.
void TDBSumListProducer::SumInPlace(TDataSet* DataSet) {
  const int n = DataSet->RecordCount();
  records_ = n;
  for (int i = 0; i < sums_->Count(); ++i) {
    TDBSum* sum = sums_->Items(i);
    if (!sum->field_) continue;
    const TFieldType type = sum->field_->DataType();
    for (int r = 1; r <= n; ++r) {
      const Variant v = DataSet->RecordValue(r, sum->field_);
      if (VarIsNull(v)) continue;
      sum->total_ += Currency::FromRaw(RawValue(v, type));
      ++sum->values_;
    }
  }
}

void TDBSumListProducer::SumByWalking(TDataSet* DataSet) {
  TBookmark mark;
  DataSet->DisableControls();
  TScopeExit restore([&] {
    // A record that went away in between is no reason to fail the sums.
    try {
      if (!mark.empty() && DataSet->BookmarkValid(mark)) DataSet->GotoBookmark(mark);
    } catch (...) {
    }
    DataSet->EnableControls();
  });
  mark = DataSet->Bookmark();
  records_ = 0;
  for (DataSet->First(); !DataSet->Eof(); DataSet->Next()) {
    ++records_;
    for (int i = 0; i < sums_->Count(); ++i) {
      TDBSum* sum = sums_->Items(i);
      if (!sum->field_ || sum->field_->IsNull()) continue;
      sum->total_ += Currency::FromRaw(RawValue(sum->field_->Value(), sum->field_->DataType()));
      ++sum->values_;
    }
  }
}

bool TDBSumListProducer::FollowChange(const TRecordChange& Change) {
  if (!valid_ || pending_ || !Working()) return false;
  for (int i = 0; i < sums_->Count(); ++i) {
    const TField* f = sums_->Items(i)->field_;
    if (f && (!IsStored(f) || static_cast<std::size_t>(f->FieldNo()) > std::max(Change.OldValues.size(), Change.NewValues.size())))
      return false;
  }
  auto apply = [this](const std::vector<Variant>& Values, int Sign) {
    if (Values.empty()) return;
    records_ += Sign;
    for (int i = 0; i < sums_->Count(); ++i) {
      TDBSum* sum = sums_->Items(i);
      if (!sum->field_) continue;
      const auto at = static_cast<std::size_t>(sum->field_->FieldNo() - 1);
      if (at >= Values.size() || VarIsNull(Values[at])) continue;
      const Currency v = Currency::FromRaw(RawValue(Values[at], sum->field_->DataType()));
      if (Sign > 0) sum->total_ += v;
      else sum->total_ -= v;
      sum->values_ += Sign;
    }
  };
  apply(Change.OldValues, -1);
  apply(Change.NewValues, 1);
  for (int i = 0; i < sums_->Count(); ++i) sums_->Items(i)->TakeTotals(records_);
  Changed();
  return true;
}

// A value the totals cannot carry is refused while the post can still be turned back; a footer
// that kept its old total under a stored value would be wrong.
void TDBSumListProducer::CheckPost(const TRecordChange& Change) {
  if (!Working()) return;
  const bool follows = valid_ && !pending_ && Change.Described;
  for (int i = 0; i < sums_->Count(); ++i) {
    TDBSum* sum = sums_->Items(i);
    TField* f = sum->field_;
    if (!f || !IsStored(f)) continue;
    const auto at = static_cast<std::size_t>(f->FieldNo() - 1);
    auto value = [&](const std::vector<Variant>& Values) {
      return at < Values.size() && !VarIsNull(Values[at]) ? Currency::FromRaw(RawValue(Values[at], f->DataType()))
                                                           : Currency();
    };
    try {
      const Currency added = value(Change.NewValues);
      // As FollowChange will add it up: EOverflow when the total leaves the range.
      if (follows) static_cast<void>(sum->total_ - value(Change.OldValues) + added);
    } catch (const Exception&) {
      DatabaseErrorFmt("%s: %s is out of the range of the sum", nullptr, f->DisplayName(), f->DisplayText());
    }
  }
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
