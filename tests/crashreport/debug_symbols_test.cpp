#include <elf.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "crashreport/report/debug_symbols.h"
#include "test_files.h"

namespace lab {
namespace {

constexpr std::uintptr_t kBias = 0x7f00'0000'0000;

// The test library's file, whose symbol table the tests below damage one field at a time.
class TModuleImage {
 public:
  TModuleImage() {
    const std::string text = testing::ReadAll(LAB_CRTEST_PLAIN);
    bytes_.assign(text.begin(), text.end());
  }

  std::span<const std::uint8_t> Bytes() const { return bytes_; }

  // The symbol table's entry of Name, in place.
  Elf64_Sym& Symbol(const char* Name) {
    for (std::size_t i = 0; i < Header().e_shnum; ++i) {
      const Elf64_Shdr& table = Section(i);
      if (table.sh_type != SHT_SYMTAB) continue;
      const char* names = reinterpret_cast<const char*>(bytes_.data() + Section(table.sh_link).sh_offset);
      auto* symbols = reinterpret_cast<Elf64_Sym*>(bytes_.data() + table.sh_offset);
      for (std::size_t s = 0; s < table.sh_size / sizeof(Elf64_Sym); ++s)
        if (std::strcmp(names + symbols[s].st_name, Name) == 0) return symbols[s];
    }
    throw std::runtime_error(std::string("no symbol ") + Name);
  }

  const Elf64_Shdr& Section(std::size_t Index) const {
    return reinterpret_cast<const Elf64_Shdr*>(bytes_.data() + Header().e_shoff)[Index];
  }

 private:
  const Elf64_Ehdr& Header() const { return *reinterpret_cast<const Elf64_Ehdr*>(bytes_.data()); }

  std::vector<std::uint8_t> bytes_;
};

bool Finds(const TModuleSymbols& symbols, const char* name) { return symbols.FindSymbol(name) != 0; }

TEST(ModuleSymbols, AModulesBytesReadAsItsFile) {
  const TModuleImage image;
  const TModuleSymbols from_file(LAB_CRTEST_PLAIN, kBias), from_bytes(image.Bytes(), kBias);
  const std::uintptr_t start = from_file.FindSymbol("crtest_plain_second");
  ASSERT_NE(start, 0u);
  EXPECT_EQ(from_bytes.FindSymbol("crtest_plain_second"), start);
  TRoutineSymbol a, b;
  ASSERT_TRUE(from_file.FindRoutine(start + 4, a));
  ASSERT_TRUE(from_bytes.FindRoutine(start + 4, b));
  EXPECT_EQ(a.Start, b.Start);
  EXPECT_EQ(a.Size, b.Size);
  EXPECT_EQ(a.Name, b.Name);
  ASSERT_TRUE(from_file.HasLines());
  ASSERT_TRUE(from_bytes.HasLines());
  std::string file_a, file_b;
  int line_a = 0, line_b = 0;
  ASSERT_TRUE(from_file.FindLine(start + 4, file_a, line_a));
  ASSERT_TRUE(from_bytes.FindLine(start + 4, file_b, line_b));
  EXPECT_EQ(file_a, file_b);
  EXPECT_EQ(line_a, line_b);

  // Bytes that are no ELF file, or none, give a module without routines or lines.
  const std::uint8_t text[] = {'n', 'o', ' ', 'E', 'L', 'F'};
  const TModuleSymbols no_elf(std::span<const std::uint8_t>(text), kBias);
  const TModuleSymbols empty(std::span<const std::uint8_t>(), kBias);
  EXPECT_FALSE(no_elf.FindRoutine(kBias + 8, a));
  EXPECT_FALSE(no_elf.HasLines());
  EXPECT_FALSE(empty.FindRoutine(kBias + 8, a));
  EXPECT_FALSE(empty.HasLines());
}

// A damaged symbol table must not give routines that cover code beyond their section, where a call
// stack would name the wrong routine.
TEST(ModuleSymbols, ARoutineThatLeavesItsSectionIsLeftOut) {
  TModuleImage image;
  Elf64_Sym& second = image.Symbol("crtest_plain_second");
  const Elf64_Shdr& text = image.Section(second.st_shndx);
  // Ending at the section's end is still inside; one byte further is not.
  second.st_value = text.sh_addr + text.sh_size - second.st_size;
  EXPECT_TRUE(Finds(TModuleSymbols(image.Bytes(), kBias), "crtest_plain_second"));
  second.st_value += 1;
  EXPECT_FALSE(Finds(TModuleSymbols(image.Bytes(), kBias), "crtest_plain_second"));
  second.st_value = text.sh_addr - 1;
  EXPECT_FALSE(Finds(TModuleSymbols(image.Bytes(), kBias), "crtest_plain_second"));

  // A size beyond the section, or beyond 32 bits, where it would have been cut short.
  second.st_value = text.sh_addr;
  second.st_size = text.sh_size + 1;
  EXPECT_FALSE(Finds(TModuleSymbols(image.Bytes(), kBias), "crtest_plain_second"));
  second.st_size = (std::uint64_t(1) << 32) + 16;
  EXPECT_FALSE(Finds(TModuleSymbols(image.Bytes(), kBias), "crtest_plain_second"));

  // An absolute symbol, or one naming a section the file does not have.
  second.st_size = 16;
  second.st_shndx = SHN_ABS;
  EXPECT_FALSE(Finds(TModuleSymbols(image.Bytes(), kBias), "crtest_plain_second"));
  second.st_shndx = 0xff00 - 1;
  EXPECT_FALSE(Finds(TModuleSymbols(image.Bytes(), kBias), "crtest_plain_second"));

  // The routines beside it stay.
  TModuleSymbols symbols(image.Bytes(), kBias);
  EXPECT_TRUE(Finds(symbols, "crtest_plain_first"));
}

TEST(ModuleSymbols, ARoutinePastTheTopOfTheAddressSpaceIsLeftOut) {
  TModuleImage image;
  const Elf64_Sym& second = image.Symbol("crtest_plain_second");
  // Moved by the bias, the routine ends exactly at the top: kept; one byte lower a bias would wrap.
  const std::uintptr_t top = ~std::uintptr_t(0) - second.st_value - second.st_size;
  const TModuleSymbols at_top(image.Bytes(), top);
  const std::uintptr_t start = at_top.FindSymbol("crtest_plain_second");
  ASSERT_EQ(start, ~std::uintptr_t(0) - second.st_size);
  TRoutineSymbol routine;
  ASSERT_TRUE(at_top.FindRoutine(~std::uintptr_t(0), routine));
  EXPECT_EQ(routine.Start, start);

  const TModuleSymbols end_wraps(image.Bytes(), top + 1);
  EXPECT_FALSE(Finds(end_wraps, "crtest_plain_second"));
  // A start that wraps would have claimed the lowest addresses.
  const TModuleSymbols start_wraps(image.Bytes(), ~std::uintptr_t(0) - second.st_value + 1);
  EXPECT_FALSE(Finds(start_wraps, "crtest_plain_second"));
  EXPECT_FALSE(start_wraps.FindRoutine(4, routine));
}

TEST(ModuleSymbols, ACloneNameGivesItsFunctionsName) {
  const struct {
    const char* Name;
    const char* Owner;
  } cases[] = {
      {"f.cold", "f"},
      {"f.part.0", "f"},
      {"f.isra.12", "f"},
      {"f.constprop.0.isra.0", "f"},
      {"f.part.0.cold", "f"},
      {"_ZN3lab16GetSymbolAddressERKSs.cold", "_ZN3lab16GetSymbolAddressERKSs"},
      {"f", "f"},
      {"f.localalias", "f.localalias"},  // the function itself under a second name
      {"f.lto_priv.0", "f.lto_priv.0"},
      {"f.0", "f.0"},
      {"f.cold.x", "f.cold.x"},
      {"f.", "f."},
      {".cold", ".cold"},
      {"_GLOBAL__sub_I_main.cpp", "_GLOBAL__sub_I_main.cpp"},
  };
  for (const auto& c : cases) EXPECT_EQ(CloneOwnerName(c.Name), c.Owner) << c.Name;
}

}  // namespace
}  // namespace lab
