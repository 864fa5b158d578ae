// The record-id list under the in-memory dataset's orders, against a plain vector doing the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/db/record_list.h"

namespace lab {
namespace {

void ExpectSame(const TRecordList& list, const std::vector<TRecordId>& model, TRecordId id_count) {
  ASSERT_EQ(list.Size(), model.size());
  EXPECT_EQ(list.ToVector(), model);
  for (std::size_t i = 0; i < model.size(); ++i) ASSERT_EQ(list.At(i), model[i]) << i;
  std::vector<std::int64_t> place(id_count + 1, -1);
  for (std::size_t i = 0; i < model.size(); ++i) place[model[i]] = static_cast<std::int64_t>(i);
  for (TRecordId id = 0; id <= id_count; ++id) ASSERT_EQ(list.Find(id), place[id]) << id;
}

TEST(DbRecordList, AppendedIdsStayASequenceUntilChangedElsewhere) {
  TRecordList list;
  std::vector<TRecordId> model;
  for (TRecordId id = 0; id < 600; ++id) {
    list.PushBack(id);
    model.push_back(id);
  }
  list.Erase(599);  // the last one: still 0 .. n-1
  model.pop_back();
  ExpectSame(list, model, 600);
  list.Insert(10, 599);  // anywhere else: stored from now on
  model.insert(model.begin() + 10, 599);
  ExpectSame(list, model, 600);
  list.Erase(0);
  model.erase(model.begin());
  ExpectSame(list, model, 600);
  list.PushBack(700);  // an id past the ones seen
  model.push_back(700);
  ExpectSame(list, model, 700);
  list.Assign({0, 1, 2});
  ExpectSame(list, {0, 1, 2}, 700);
  list.Clear();
  ExpectSame(list, {}, 10);
  list.Insert(0, 5);  // an empty list takes any id
  ExpectSame(list, {5}, 10);
  list.Erase(0);
  ExpectSame(list, {}, 10);
}

// Ids: how many ids there are; the list starts with the first Initial of them shuffled. Past 64
// blocks (about 12,000 ids) the blocks fall into several groups.
void RandomChangesMatchAVector(TRecordId Ids, std::size_t Initial) {
  std::mt19937 random(11);
  TRecordList list;
  std::vector<TRecordId> model;
  std::vector<TRecordId> ids(Ids);
  for (TRecordId i = 0; i < ids.size(); ++i) ids[i] = i;
  std::shuffle(ids.begin(), ids.end(), random);
  list.Assign(std::vector<TRecordId>(ids.begin(), ids.begin() + static_cast<std::ptrdiff_t>(Initial)));
  model.assign(ids.begin(), ids.begin() + static_cast<std::ptrdiff_t>(Initial));
  std::vector<TRecordId> spare(ids.begin() + static_cast<std::ptrdiff_t>(Initial), ids.end());
  for (int step = 0; step < 20000; ++step) {
    // Grow, then shrink to nothing, then grow again: blocks split, empty and merge.
    const bool grow = (step / 4000) % 2 == 0 ? random() % 4 != 0 : random() % 10 == 0;
    if ((grow || model.empty()) && !spare.empty()) {
      // Runs at one place as well as scattered ones, and the ends.
      const std::size_t pos = step % 7 == 0 ? model.size() : step % 11 == 0 ? 0 : random() % (model.size() + 1);
      list.Insert(pos, spare.back());
      model.insert(model.begin() + static_cast<std::ptrdiff_t>(pos), spare.back());
      spare.pop_back();
    } else if (!model.empty()) {
      const std::size_t pos = step % 5 == 0 ? 0 : random() % model.size();
      list.Erase(pos);
      spare.push_back(model[pos]);
      model.erase(model.begin() + static_cast<std::ptrdiff_t>(pos));
    }
    if (step % 997 == 0) ExpectSame(list, model, Ids);
    if (step % 499 == 0) {
      // A search by position finds every cut, at block starts and ends too, after blocks came and went.
      std::vector<std::size_t> at(Ids);
      for (std::size_t i = 0; i < model.size(); ++i) at[model[i]] = i;
      for (std::size_t cut = 0; cut <= model.size(); ++cut)
        ASSERT_EQ(list.PartitionPoint([&](TRecordId id) { return at[id] < cut; }), cut) << step;
    }
    const std::size_t probe = model.empty() ? 0 : random() % model.size();
    if (!model.empty()) {
      ASSERT_EQ(list.At(probe), model[probe]);
    }
  }
  ExpectSame(list, model, Ids);
}

TEST(DbRecordList, RandomChangesMatchAVector) {
  RandomChangesMatchAVector(5000, 2000);
  RandomChangesMatchAVector(40000, 25000);
}

// A list made whole fills 64 blocks of 192; ids put at its end split the last block, whose new half
// begins the next group of blocks; taken out again, that group goes.
TEST(DbRecordList, TheLastBlockSplitsIntoANewGroupAndMergesBack) {
  std::vector<TRecordId> model(64 * 192);
  for (TRecordId i = 0; i < model.size(); ++i) model[i] = static_cast<TRecordId>(model.size()) - 1 - i;
  TRecordList list;
  list.Assign(model);
  for (TRecordId id = 20000; id < 20100; ++id) {
    list.PushBack(id);
    model.push_back(id);
  }
  ExpectSame(list, model, 20100);
  while (model.size() > 64 * 192 - 10) {
    list.Erase(model.size() - 1);
    model.pop_back();
  }
  ExpectSame(list, model, 20100);
}

TEST(DbRecordList, PartitionPointAtEveryBoundary) {
  std::vector<TRecordId> ids(1000);
  for (TRecordId i = 0; i < ids.size(); ++i) ids[i] = 999 - i;  // descending: stored, not a sequence
  TRecordList stored, sequence;
  stored.Assign(ids);
  for (TRecordId i = 0; i < 1000; ++i) sequence.PushBack(i);
  // Blocks made from a whole list end at 192, 384, ...; 256 is a full block's size.
  for (TRecordId limit : {0u, 1u, 191u, 192u, 193u, 255u, 256u, 257u, 384u, 500u, 999u, 1000u}) {
    EXPECT_EQ(stored.PartitionPoint([&](TRecordId id) { return id >= limit; }), 1000 - limit) << limit;
    EXPECT_EQ(sequence.PartitionPoint([&](TRecordId id) { return id < limit; }), limit) << limit;
  }
  TRecordList empty;
  EXPECT_EQ(empty.PartitionPoint([](TRecordId) { return true; }), 0u);
}

// Values ascending along the list with many ties of their keys (value / 4, shifted past 32 bits), 0
// among them: a search by key lands where a search by value does, after ids came and went and
// values changed in place.
TEST(DbRecordList, KeyedSearchFollowsChanges) {
  std::mt19937 random(23);
  std::vector<std::uint32_t> value(4000);
  std::vector<TRecordId> model(3000);
  for (TRecordId i = 0; i < model.size(); ++i) model[i] = i;
  std::shuffle(model.begin(), model.end(), random);
  // Keys 0 and 1 among them, which tie where the list raises 0 to 1.
  for (std::size_t i = 0; i < model.size(); ++i) value[model[i]] = static_cast<std::uint32_t>(i / 2 * 2);
  TRecordList list;
  list.Assign(model);
  std::vector<TRecordId> spare;
  for (TRecordId id = 3000; id < 4000; ++id) spare.push_back(id);
  int reads = 0;
  // Keys past 32 bits, as a text's are.
  const auto key_of = [&](TRecordId id) {
    ++reads;
    return std::uint64_t{value[id] / 4} << 30;
  };
  const auto check = [&](std::uint32_t target) {
    const auto before = [&](TRecordId id) { return value[id] < target; };
    const auto expected = static_cast<std::size_t>(
        std::partition_point(model.begin(), model.end(), before) - model.begin());
    ASSERT_EQ(list.KeyedPartitionPoint(std::uint64_t{target / 4} << 30, key_of, before), expected) << target;
  };
  for (std::uint32_t target = 0; target <= 3010; ++target) check(target);
  // The blocks' first keys were kept: a search reads keys inside its block only (8 at most).
  reads = 0;
  int searches = 0;
  for (std::uint32_t target = 0; target <= 3010; target += 7, ++searches) check(target);
  EXPECT_LE(reads, 8 * searches);
  for (int step = 0; step < 3000; ++step) {
    const std::size_t pos = random() % model.size();
    const TRecordId id = model[pos];
    const std::uint32_t low = pos == 0 ? 0 : value[model[pos - 1]];
    const std::uint32_t high = pos + 1 == model.size() ? 3000 : value[model[pos + 1]];
    switch (step % 3) {
      case 0:  // a new value within its neighbours', so the id stays
        value[id] = low + static_cast<std::uint32_t>(random() % (high - low + 1));
        list.ForgetKey(id);
        break;
      case 1:
        list.Erase(pos);
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(pos));
        spare.push_back(id);
        break;
      case 2: {
        const TRecordId fresh = spare.back();
        spare.pop_back();
        value[fresh] = low + static_cast<std::uint32_t>(random() % (value[id] - low + 1));
        list.Insert(pos, fresh);
        model.insert(model.begin() + static_cast<std::ptrdiff_t>(pos), fresh);
        break;
      }
    }
    check(low);
    check(value[id]);
    check(static_cast<std::uint32_t>(random() % 3010));
    if (step % 500 == 0)
      for (std::uint32_t target = 0; target <= 3010; target += 3) check(target);
  }
  list.ForgetKeys();
  for (TRecordId id : model) value[id] += 8;  // every key changed: only forgetting them all tells
  for (std::uint32_t target = 0; target <= 3020; ++target) check(target);
  TRecordList empty;
  EXPECT_EQ(empty.KeyedPartitionPoint(0, key_of, [](TRecordId) { return true; }), 0u);
}

}  // namespace
}  // namespace lab
