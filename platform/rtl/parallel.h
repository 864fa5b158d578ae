#pragma once
// Work over many items shared among a few threads, for the long loops of a single call (making the
// collation keys of a million texts) where each item's work is independent of the others'.

#include <cstddef>
#include <functional>

namespace lab {

// Does Work(Range, Begin, End) for consecutive ranges that together cover [0, Count) once, each on a
// thread of its own (range 0 on the calling thread), and returns when all are done. Each range holds
// at least MinPerRange items and there are at most ParallelRanges() of them, so a count below twice
// MinPerRange runs as one range on the calling thread alone. Range numbers the ranges from 0 in the
// order of their items. What a range throws is raised again here once every range has ended (the
// first range's error where several throw).
using TRangeWork = std::function<void(std::size_t Range, std::size_t Begin, std::size_t End)>;
void ForRanges(std::size_t Count, std::size_t MinPerRange, const TRangeWork& Work);

// How many ranges ForRanges makes at most: the machine's cores, at most 4 (a sort in a program
// leaves the other cores to the rest of the desktop).
std::size_t ParallelRanges();

}  // namespace lab
