#pragma once
// The summing producer behind grid footers: a collection of aggregates (sum, average, count) over
// all records of a dataset, kept in step with the dataset while active. Values are fixed point with
// four decimals (Currency, ten-thousandths), so sums of amounts are exact; an average is rounded to
// the nearest ten-thousandth, and an average over no values is Null.
//
// The producer follows its dataset through a data link of its own: it calculates when the dataset
// opens and when its fields or visible records change wholesale (filters, new contents, a changed
// count); a posted or deleted record only adds and takes away its own old and new values, so the
// totals over a million records follow one edit at once. Moving through the records and cancelling
// an edit cost nothing. A dataset that reads its records in place (TMemDataSet) is summed from its
// storage without moving the cursor; another is walked record by record.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/classes/collection.h"
#include "platform/classes/component.h"
#include "platform/db/data_link.h"
#include "platform/db/dataset.h"
#include "platform/rtl/variant.h"

namespace lab {

class TDataSource;
class TDBSumListProducer;

enum TGroupOperation { goSum, goAvg, goCount };
LAB_ENUM_NAMES(TGroupOperation, "goSum", "goAvg", "goCount")

class TDBSum : public TCollectionItem {
  LAB_CLASS(TDBSum, TCollectionItem)
  LAB_PROPERTIES(TDBSum, TCollectionItem)
 public:
  explicit TDBSum(TCollection* Collection) : TCollectionItem(Collection) {}

  const std::string& FieldName() const noexcept { return field_name_; }
  void SetFieldName(const std::string& Value);
  TGroupOperation GroupOperation() const noexcept { return operation_; }
  void SetGroupOperation(TGroupOperation Value);

  // The aggregate as last calculated: a Currency, or Null when there is none (inactive producer,
  // no dataset, an average over no values).
  const Variant& SumValue() const noexcept { return value_; }

  void Assign(TPersistent* Source) override;

 private:
  friend class TDBSumListProducer;
  // The value from the running totals.
  void TakeTotals(std::int64_t Records);

  std::string field_name_;
  TGroupOperation operation_ = goSum;
  Variant value_ = Null();
  // Running totals behind the value: the field summed (nullptr for a count or a missing field),
  // the sum of its non-null values and how many there were.
  TField* field_ = nullptr;
  Currency total_;
  std::int64_t values_ = 0;
};

class TDBSumCollection : public TOwnedCollection {
  LAB_CLASS(TDBSumCollection, TOwnedCollection)
 public:
  explicit TDBSumCollection(TDBSumListProducer* AOwner);

  TDBSum* Items(int Index) const { return static_cast<TDBSum*>(TCollection::Items(Index)); }
  TDBSum* Add() { return static_cast<TDBSum*>(TCollection::Add()); }
  // The aggregate of that operation over that field (names compared without case); nullptr when none.
  TDBSum* FindSum(TGroupOperation Operation, std::string_view FieldName) const;

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  TDBSumListProducer* producer_;
};

class TDBSumListProducer : public TComponent {
  LAB_CLASS(TDBSumListProducer, TComponent)
 public:
  explicit TDBSumListProducer(TComponent* AOwner);
  ~TDBSumListProducer() override;

  // Turning it on calculates the aggregates when a dataset is set (while loading it only records
  // the wish; Loaded acts on it).
  bool Active() const noexcept { return active_; }
  void SetActive(bool Value);
  TDataSet* DataSet() const;
  void SetDataSet(TDataSet* Value);
  TDBSumCollection* SumCollection() const noexcept { return sums_.get(); }

  // Walks every record and recomputes each aggregate; the current record stays.
  void RecalcAll();

  // The dataset's record numbering, for scroll bars and odd/even row colours; false, 0 and 0
  // without an open dataset. Setting RecNo moves to that record.
  bool IsSequenced() const;
  int RecordCount() const;
  int RecNo() const;
  void SetRecNo(int Value);

  // Before and after every recalculation; SumListChanged after the values changed.
  TNotifyEvent OnRecalcAll;
  TNotifyEvent OnAfterRecalcAll;
  TNotifyEvent SumListChanged;

  void Loaded() override;

 protected:
  // A field summed over that is freed while its dataset stays open: see sum_list.cpp.
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Fire OnRecalcAll, OnAfterRecalcAll and SumListChanged; a producer that serves a control tells
  // it here, so the published events stay free for the form.
  virtual void DoRecalcAll();
  virtual void DoAfterRecalcAll();
  virtual void DoSumListChanged();

 private:
  class TSumLink;
  friend class TSumLink;
  friend class TDBSumCollection;

  bool Working() const;
  void ClearValues();
  void Changed();
  // Adds a posted or deleted record's change to the totals; false when the totals cannot follow
  // it (then they are counted again).
  bool FollowChange(const TRecordChange& Change);
  // Raises EDatabaseError naming the field when a post would give the totals a value they cannot
  // carry.
  void CheckPost(const TRecordChange& Change);
  void SumInPlace(TDataSet* DataSet);
  void SumByWalking(TDataSet* DataSet);

  bool active_ = false;
  bool recalculating_ = false;
  bool pending_ = false;  // a recalculation waits for the dataset to leave edit mode
  bool valid_ = false;    // the totals stand for the dataset's records
  std::int64_t records_ = 0;
  std::unique_ptr<TDBSumCollection> sums_;
  std::unique_ptr<TDataSource> source_;
  std::unique_ptr<TSumLink> link_;
};

}  // namespace lab
