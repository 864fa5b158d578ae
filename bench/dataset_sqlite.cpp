// The yardstick of bench_dataset: SQLite's in-memory database doing the same work on the same
// records (dataset_records.h), with the text ordered by the same ICU collation as the dataset's
// (the process locale's collator at tertiary strength, ties by bytes) through a collation
// function. Run both and compare the benchmarks of the same name (bench/dataset.cpp gives the goals
// and the callgrind commands; here PostOnce and LocateOnce are counted alike).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unicode/ucol.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "bench/dataset_records.h"

namespace {

using lab::benchdata::Records;

void Check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) throw std::runtime_error(sqlite3_errmsg(db));
}

// The dataset's text order: the locale's collator (as the dataset reads LC_ALL, LC_COLLATE, LANG)
// at tertiary strength, then the bytes.
UCollator* Collator() {
  static UCollator* collator = [] {
    std::string locale;
    for (const char* name : {"LC_ALL", "LC_COLLATE", "LANG"}) {
      const char* value = std::getenv(name);
      if (!value || !*value) continue;
      locale = value;
      locale = locale.substr(0, locale.find_first_of(".@"));
      if (locale == "C" || locale == "POSIX") locale.clear();
      break;
    }
    UErrorCode status = U_ZERO_ERROR;
    UCollator* c = ucol_open(locale.c_str(), &status);
    ucol_setStrength(c, UCOL_TERTIARY);
    return c;
  }();
  return collator;
}

int IcuCompare(void*, int n1, const void* s1, int n2, const void* s2) {
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult r =
      ucol_strcollUTF8(Collator(), static_cast<const char*>(s1), n1, static_cast<const char*>(s2), n2, &status);
  if (r != UCOL_EQUAL) return r == UCOL_LESS ? -1 : 1;
  const int bytes = std::memcmp(s1, s2, static_cast<std::size_t>(std::min(n1, n2)));
  return bytes != 0 ? bytes : n1 - n2;
}

struct TDb {
  sqlite3* db = nullptr;
  TDb() {
    Check(sqlite3_open(":memory:", &db), db);
    Check(sqlite3_create_collation(db, "icu", SQLITE_UTF8, nullptr, IcuCompare), db);
    Exec("PRAGMA case_sensitive_like = ON");  // LIKE as the dataset's: with case
    Exec("CREATE TABLE t (Id INTEGER, Name TEXT COLLATE icu, City TEXT COLLATE icu, Age INTEGER, Score REAL)");
  }
  ~TDb() { sqlite3_close(db); }
  void Exec(const char* sql) { Check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), db); }
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* s = nullptr;
    Check(sqlite3_prepare_v2(db, sql, -1, &s, nullptr), db);
    return s;
  }
  // Steps through every row; answers the count.
  int Count(const char* sql) {
    sqlite3_stmt* s = Prepare(sql);
    int n = 0;
    while (sqlite3_step(s) == SQLITE_ROW) ++n;
    sqlite3_finalize(s);
    return n;
  }
};

void Load(TDb& d, int n) {
  const auto& r = Records(n);
  d.Exec("BEGIN");
  sqlite3_stmt* s = d.Prepare("INSERT INTO t VALUES (?, ?, ?, ?, ?)");
  for (std::size_t i = 0; i < r.Size(); ++i) {
    sqlite3_bind_int(s, 1, r.Id[i]);
    sqlite3_bind_text(s, 2, r.Name[i].data(), static_cast<int>(r.Name[i].size()), SQLITE_STATIC);
    sqlite3_bind_text(s, 3, r.City[i].data(), static_cast<int>(r.City[i].size()), SQLITE_STATIC);
    sqlite3_bind_int(s, 4, r.Age[i]);
    sqlite3_bind_double(s, 5, r.Score[i]);
    Check(sqlite3_step(s), d.db);
    sqlite3_reset(s);
  }
  sqlite3_finalize(s);
  d.Exec("COMMIT");
}

TDb& Shared(int n) {
  static std::map<int, std::unique_ptr<TDb>> cache;
  auto& d = cache[n];
  if (!d) {
    d = std::make_unique<TDb>();
    Load(*d, n);
  }
  return *d;
}

// As a program writes records by name: a named parameter found for every value.
void BM_LoadFieldByName(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto& r = Records(n);
  for (auto _ : state) {
    TDb d;
    d.Exec("BEGIN");
    sqlite3_stmt* s = d.Prepare("INSERT INTO t VALUES (:Id, :Name, :City, :Age, :Score)");
    for (std::size_t i = 0; i < r.Size(); ++i) {
      sqlite3_bind_int(s, sqlite3_bind_parameter_index(s, ":Id"), r.Id[i]);
      sqlite3_bind_text(s, sqlite3_bind_parameter_index(s, ":Name"), r.Name[i].data(),
                        static_cast<int>(r.Name[i].size()), SQLITE_STATIC);
      sqlite3_bind_text(s, sqlite3_bind_parameter_index(s, ":City"), r.City[i].data(),
                        static_cast<int>(r.City[i].size()), SQLITE_STATIC);
      sqlite3_bind_int(s, sqlite3_bind_parameter_index(s, ":Age"), r.Age[i]);
      sqlite3_bind_double(s, sqlite3_bind_parameter_index(s, ":Score"), r.Score[i]);
      Check(sqlite3_step(s), d.db);
      sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    d.Exec("COMMIT");
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_LoadFieldByName)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_LoadAppendPost(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Records(n);
  for (auto _ : state) {
    const sqlite3_int64 before = sqlite3_memory_used();
    TDb d;
    Load(d, n);
    state.PauseTiming();
    state.counters["bytes_per_record"] = static_cast<double>(sqlite3_memory_used() - before) / n;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_LoadAppendPost)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The order kept up to date, as a sorted dataset keeps it: an index.
void BM_SortText(benchmark::State& state) {
  TDb& d = Shared(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    d.Exec("CREATE INDEX by_name ON t (Name)");
    state.PauseTiming();
    d.Exec("DROP INDEX by_name");
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortText)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The order read once, without keeping it.
void BM_SortTextQuery(benchmark::State& state) {
  TDb& d = Shared(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(d.Count("SELECT rowid FROM t ORDER BY Name"));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortTextQuery)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_SortOneField(benchmark::State& state) {
  TDb& d = Shared(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    d.Exec("CREATE INDEX by_score ON t (Score)");
    state.PauseTiming();
    d.Exec("DROP INDEX by_score");
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortOneField)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_SortTwoFields(benchmark::State& state) {
  TDb& d = Shared(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    d.Exec("CREATE INDEX by_city_age ON t (City, Age DESC)");
    state.PauseTiming();
    d.Exec("DROP INDEX by_city_age");
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortTwoFields)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

[[gnu::noinline]] void PostOnce(TDb& d, sqlite3_stmt* s, sqlite3_int64 rowid, const std::string& name) {
  sqlite3_bind_text(s, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int64(s, 2, rowid);
  Check(sqlite3_step(s), d.db);
  sqlite3_reset(s);
}

// A record's text changed while the order is kept.
void BM_PostSortedEdit(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TDb d;
  Load(d, n);
  d.Exec("CREATE INDEX by_name ON t (Name)");
  sqlite3_stmt* s = d.Prepare("UPDATE t SET Name = ? WHERE rowid = ?");
  std::mt19937 random(5);
  std::uint32_t serial = 0;
  for (auto _ : state) {
    const auto rowid = static_cast<sqlite3_int64>(random() % static_cast<unsigned>(n)) + 1;
    PostOnce(d, s, rowid, lab::benchdata::FreshName(serial++));
  }
  sqlite3_finalize(s);
}
BENCHMARK(BM_PostSortedEdit)->Arg(1000000)->Unit(benchmark::kMicrosecond);

void Filter(benchmark::State& state, const char* sql) {
  TDb& d = Shared(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(d.Count(sql));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
void BM_FilterPrefix(benchmark::State& state) { Filter(state, "SELECT rowid FROM t WHERE Name LIKE 'ka%'"); }
void BM_FilterRange(benchmark::State& state) {
  Filter(state, "SELECT rowid FROM t WHERE Age >= 20 AND Age < 30 AND Score > 5000");
}
BENCHMARK(BM_FilterPrefix)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterRange)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_LocateSorted(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TDb& d = Shared(n);
  d.Exec("CREATE INDEX IF NOT EXISTS by_id ON t (Id)");
  sqlite3_stmt* s = d.Prepare("SELECT rowid FROM t WHERE Id = ?");
  std::mt19937 random(3);
  for (auto _ : state) {
    sqlite3_bind_int(s, 1, static_cast<int>(random() % static_cast<unsigned>(n)) + 1);
    if (sqlite3_step(s) != SQLITE_ROW) state.SkipWithError("not found");
    sqlite3_reset(s);
  }
  sqlite3_finalize(s);
}
BENCHMARK(BM_LocateSorted)->Arg(1000000);

[[gnu::noinline]] bool LocateOnce(sqlite3_stmt* s, int id) {
  sqlite3_bind_int(s, 1, id);
  const bool found = sqlite3_step(s) == SQLITE_ROW;
  sqlite3_reset(s);
  return found;
}

// The first search after the records were ordered by the key, with its statement prepared anew
// beforehand (a statement kept from before would be prepared again at its step, which costs SQLite
// several times the search).
void BM_LocateAfterSort(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TDb& d = Shared(n);
  d.Exec("CREATE INDEX IF NOT EXISTS by_id ON t (Id)");
  std::mt19937 random(3);
  for (auto _ : state) {
    state.PauseTiming();
    d.Exec("DROP INDEX by_id");
    d.Exec("CREATE INDEX by_id ON t (Id)");
    sqlite3_stmt* s = d.Prepare("SELECT rowid FROM t WHERE Id = ?");
    state.ResumeTiming();
    if (!LocateOnce(s, static_cast<int>(random() % static_cast<unsigned>(n)) + 1)) state.SkipWithError("not found");
    state.PauseTiming();
    sqlite3_finalize(s);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LocateAfterSort)->Arg(1000000)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
