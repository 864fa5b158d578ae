// Variants of every type (text taken from the input) converted to every other type and compared:
// a conversion either answers or raises the framework's error, and integers survive the way
// through their text.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/variant.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

lab::Variant Make(FuzzedDataProvider& in, int depth) {
  using namespace lab;
  switch (in.ConsumeIntegralInRange(0, depth < 2 ? 10 : 9)) {
    case 0: return Variant();
    case 1: return Null();
    case 2: return Variant(in.ConsumeBool());
    case 3: return Variant(in.ConsumeIntegral<std::int32_t>());
    case 4: return Variant(in.ConsumeIntegral<std::int64_t>());
    case 5: return Variant(in.ConsumeIntegral<std::uint64_t>());
    case 6: return Variant(in.ConsumeFloatingPoint<double>());
    case 7: return Variant(Currency::FromRaw(in.ConsumeIntegral<std::int64_t>()));
    case 8: return VarFromDateTime(in.ConsumeFloatingPoint<double>());
    case 9: return Variant(in.ConsumeRandomLengthString(32));
    default: {
      std::vector<Variant> items(in.ConsumeIntegralInRange(0, 3));
      for (Variant& v : items) v = Make(in, depth + 1);
      return VarArrayOf(std::move(items));
    }
  }
}

bool Inexact(const lab::Variant& v) {
  const lab::TVarType type = v.Type() & lab::varTypeMask;
  return lab::VarIsArray(v) || lab::VarIsNull(v) || type == lab::varDouble || type == lab::varDate;
}

template <class F>
void Try(F&& f) {
  try {
    f();
  } catch (const lab::Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  FuzzedDataProvider in(data, size);
  Variant a, b;
  try {
    a = Make(in, 0);
    b = Make(in, 0);
  } catch (const EVariantOverflowError&) {
    return 0;  // an unsigned value past Int64
  }
  for (const Variant* v : {&a, &b}) {
    Try([&] { v->AsInteger(); });
    Try([&] { v->AsInt64(); });
    Try([&] { v->AsDouble(); });
    Try([&] { v->AsBoolean(); });
    Try([&] { v->AsCurrency(); });
    Try([&] { v->AsDateTime(); });
    Try([&] {
      const std::string text = v->AsString();
      if (v->Type() == varInteger || v->Type() == varInt64)
        LAB_FUZZ_CHECK(Variant(text).AsInt64() == v->AsInt64());
    });
    VarTypeAsText(v->Type());
    // Equal to itself, but for values with NaN in them and Null (a test on Null is unknown).
    Try([&] { LAB_FUZZ_CHECK(*v == *v || Inexact(*v)); });
  }
  Try([&] { VarCompareValue(a, b); });
  Try([&] { (void)(a == b); });
  Variant copy = a;
  Try([&] { LAB_FUZZ_CHECK(copy == a || Inexact(a)); });
  return 0;
}
