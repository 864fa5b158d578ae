// The in-memory dataset's visible records under random appends, inserts, edits and deletes while
// sorted and filtered, against a plain model of its rules: a posted record keeps its place while it
// stays in order, else it goes after its equals; an inserted record goes before the current one in
// the stored order; a new sort or filter orders the stored records stably.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>

#include "platform/rtl/strutils.h"
#include "tests/platform/db_test_support.h"

namespace lab {
namespace {

struct TModelRecord {
  int id;
  std::string name;
  std::optional<double> score;
};

struct TModel {
  std::vector<TModelRecord> stored;  // stored order
  std::vector<int> view;             // ids in view order
  std::string sort;                  // "", "Name" or "Score DESC;Name"
  bool filtered = false;             // "Score > 40"

  const TModelRecord& Get(int id) const {
    return *std::find_if(stored.begin(), stored.end(), [&](const TModelRecord& r) { return r.id == id; });
  }
  bool Passes(const TModelRecord& r) const { return !filtered || (r.score && *r.score > 40); }
  // Negative, 0 or positive by the sort keys; nulls first, text by the locale.
  int Compare(int a, int b) const {
    const TModelRecord &x = Get(a), &y = Get(b);
    auto names = [&] { return AnsiCompareStr(x.name, y.name); };
    if (sort == "Name") return names();
    if (sort.empty()) return 0;
    if (x.score != y.score) {
      if (!x.score || !y.score) return x.score ? -1 : 1;  // descending: nulls last
      return *x.score > *y.score ? -1 : 1;
    }
    return names();
  }
  void Rebuild() {
    view.clear();
    for (const TModelRecord& r : stored)
      if (Passes(r)) view.push_back(r.id);
    std::stable_sort(view.begin(), view.end(), [&](int a, int b) { return Compare(a, b) < 0; });
  }
  std::size_t AfterEquals(int id) const {
    return static_cast<std::size_t>(
        std::upper_bound(view.begin(), view.end(), id, [&](int a, int b) { return Compare(a, b) < 0; }) - view.begin());
  }
};

std::vector<int> Visible(TMemDataSet& ds) {
  std::vector<int> ids;
  const TBookmark mark = ds.Bookmark();
  for (ds.First(); !ds.Eof(); ds.Next()) ids.push_back(dbtest::CurrentId(ds));
  if (!mark.empty()) ds.GotoBookmark(mark);
  return ids;
}

TEST(DbViewModel, RandomEditsWhileSortedAndFiltered) {
  TMemDataSet ds(nullptr);
  ds.FieldDefs().Add("Id", ftInteger);
  ds.FieldDefs().Add("Name", ftString, 10);
  ds.FieldDefs().Add("Score", ftFloat);
  ds.Open();
  TModel model;
  std::mt19937 random(17);
  const char* names[] = {"a", "B", "b", "ä", "c", "C", "d"};
  auto random_name = [&] { return std::string(names[random() % 7]) + names[random() % 7]; };
  auto random_score = [&]() -> std::optional<double> {
    if (random() % 6 == 0) return std::nullopt;
    return static_cast<double>(random() % 10 * 10);  // many equal scores
  };
  auto write = [&](const TModelRecord& r) {
    ds.FieldByName("Id")->SetAsInteger(r.id);
    ds.FieldByName("Name")->SetAsString(r.name);
    if (r.score) ds.FieldByName("Score")->SetAsFloat(*r.score);
    else ds.FieldByName("Score")->Clear();
  };
  int next_id = 1;
  for (int step = 0; step < 2500; ++step) {
    SCOPED_TRACE(step);
    const unsigned op = random() % 20;
    const bool empty = model.view.empty();
    const int current = empty ? 0 : dbtest::CurrentId(ds);
    if (op < 6 || (empty && op < 12)) {
      // Append, or insert before the current record.
      const bool append = op < 3 || empty;
      TModelRecord r{next_id++, random_name(), random_score()};
      if (append) ds.Append();
      else ds.Insert();
      write(r);
      ds.Post();
      std::size_t stored_at = model.stored.size(), view_at = model.view.size();
      if (!append) {
        stored_at = static_cast<std::size_t>(std::find_if(model.stored.begin(), model.stored.end(),
                                                          [&](const TModelRecord& m) { return m.id == current; }) -
                                             model.stored.begin());
        view_at = static_cast<std::size_t>(std::find(model.view.begin(), model.view.end(), current) - model.view.begin());
      } else if (empty && model.stored.empty()) {
        stored_at = view_at = 0;
      }
      model.stored.insert(model.stored.begin() + static_cast<std::ptrdiff_t>(stored_at), r);
      if (model.Passes(r)) {
        const std::size_t at = model.sort.empty() ? view_at : model.AfterEquals(r.id);
        model.view.insert(model.view.begin() + static_cast<std::ptrdiff_t>(at), r.id);
      }
    } else if (op < 12 && !empty) {
      // Edit the current record.
      TModelRecord& r = *std::find_if(model.stored.begin(), model.stored.end(), [&](const TModelRecord& m) { return m.id == current; });
      if (random() % 2) r.name = random_name();
      if (random() % 2) r.score = random_score();
      ds.Edit();
      write(r);
      ds.Post();
      const auto pos = static_cast<std::size_t>(std::find(model.view.begin(), model.view.end(), current) - model.view.begin());
      const bool in_order = (pos == 0 || model.Compare(model.view[pos - 1], current) <= 0) &&
                            (pos + 1 == model.view.size() || model.Compare(current, model.view[pos + 1]) <= 0);
      if (!model.Passes(r) || !in_order) {
        model.view.erase(model.view.begin() + static_cast<std::ptrdiff_t>(pos));
        if (model.Passes(r)) model.view.insert(model.view.begin() + static_cast<std::ptrdiff_t>(model.AfterEquals(current)), current);
      }
    } else if (op < 15 && !empty) {
      ds.Delete();
      model.view.erase(std::find(model.view.begin(), model.view.end(), current));
      model.stored.erase(std::find_if(model.stored.begin(), model.stored.end(), [&](const TModelRecord& m) { return m.id == current; }));
    } else if (op < 18) {
      if (!empty) ds.SetRecNo(static_cast<int>(random() % model.view.size()) + 1);
    } else if (op == 18) {
      const char* sorts[] = {"", "Name", "Score DESC;Name"};
      model.sort = sorts[random() % 3];
      ds.SetSortFields(model.sort);
      model.Rebuild();
    } else {
      model.filtered = !model.filtered;
      ds.SetFilter("Score > 40");
      ds.SetFiltered(model.filtered);
      model.Rebuild();
    }
    ASSERT_EQ(ds.RecordCount(), static_cast<int>(model.view.size()));
    if (!model.view.empty()) {
      const int id = dbtest::CurrentId(ds);
      ASSERT_EQ(ds.RecNo(), std::find(model.view.begin(), model.view.end(), id) - model.view.begin() + 1);
    }
    if (step % 25 == 0) {
      ASSERT_EQ(Visible(ds), model.view);
    }
  }
  ASSERT_EQ(Visible(ds), model.view);
  // Whatever the view, the stored order keeps every record.
  TMemDataSet copy(nullptr);
  copy.LoadFromCSV(ds.SaveToCSV());
  std::vector<int> stored;
  for (copy.First(); !copy.Eof(); copy.Next()) stored.push_back(std::stoi(copy.FieldByName("Id")->AsString()));
  std::vector<int> expected;
  for (const TModelRecord& r : model.stored) expected.push_back(r.id);
  EXPECT_EQ(stored, expected);
}

TEST(DbViewModel, AHandlerThatTurnsARecordAwayKeepsItStored) {
  TMemDataSet ds(nullptr);
  dbtest::FillPeople(ds, 4);
  ds.SetFiltered(true);  // no filter text yet: every record shows
  ds.OnFilterRecord = [](TDataSet* d, bool& accept) { accept = d->FieldByName("Age")->AsInteger() != 99; };
  ds.SetRecNo(2);
  ds.Edit();
  ds.FieldByName("Age")->SetAsInteger(99);
  ds.Post();
  EXPECT_EQ(Visible(ds), (std::vector<int>{1, 3, 4}));
  ds.Insert();
  ds.FieldByName("Id")->SetAsInteger(5);
  ds.FieldByName("Age")->SetAsInteger(99);
  ds.Post();
  EXPECT_EQ(Visible(ds), (std::vector<int>{1, 3, 4}));
  ds.SetFiltered(false);
  EXPECT_EQ(Visible(ds), (std::vector<int>{1, 2, 5, 3, 4}));  // inserted before 3, the current one then
}

}  // namespace
}  // namespace lab
