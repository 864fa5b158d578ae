#pragma once
// The records the dataset benchmarks load, the same for the in-memory dataset and for the SQLite
// baseline beside it: Id (shuffled 1..n), Name (n distinct words of four syllables, some
// capitalised, some with accents), City (one of 1000 names), Age (0..99) and Score (random).

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace lab::benchdata {

struct TRecords {
  std::vector<int> Id;
  std::vector<std::string> Name;
  std::vector<std::string> City;
  std::vector<int> Age;
  std::vector<double> Score;
  std::size_t Size() const { return Id.size(); }
};

// 32 syllables, each two code points, so four of them spell each number below 2^20 once.
inline const char* const kSyllables[32] = {
    "ka", "lo", "mi", "nu", "pe", "ra", "si", "to", "vu", "we", "za", "bo", "ce", "di", "fa", "gu",
    "ha", "je", "ki", "ly", "mo", "né", "pi", "qu", "ré", "sa", "tö", "ul", "vé", "xi", "yo", "äz"};

// A distinct word for every Number below 2^20; larger numbers get more syllables.
inline std::string NameOf(std::uint32_t Number, bool Capital) {
  std::string s;
  for (int i = 0; i < 4 || Number > 0; ++i) {
    s += kSyllables[Number & 31];
    Number >>= 5;
  }
  if (Capital && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 'a' + 'A');
  return s;
}

inline const TRecords& Records(int Count) {
  static std::map<int, TRecords> cache;  // a map, so the records handed out never move
  if (auto it = cache.find(Count); it != cache.end()) return it->second;
  TRecords& r = cache[Count];
  const auto n = static_cast<std::size_t>(Count);
  std::mt19937 random(42);
  r.Id.resize(n);
  for (std::size_t i = 0; i < n; ++i) r.Id[i] = static_cast<int>(i) + 1;
  std::shuffle(r.Id.begin(), r.Id.end(), random);
  std::vector<std::uint32_t> names(n);
  for (std::size_t i = 0; i < n; ++i) names[i] = static_cast<std::uint32_t>(i);
  std::shuffle(names.begin(), names.end(), random);
  for (std::size_t i = 0; i < n; ++i) {
    r.Name.push_back(NameOf(names[i], random() % 4 == 0));
    r.City.push_back("City" + std::to_string(random() % 1000));
    r.Age.push_back(static_cast<int>(random() % 100));
    r.Score.push_back(static_cast<double>(random() % 100000) / 7.0);
  }
  return r;
}

// A name no record has, for edits: numbers from 2^21 up.
inline std::string FreshName(std::uint32_t Serial) { return NameOf((1u << 21) + Serial, Serial % 3 == 0); }

}  // namespace lab::benchdata
