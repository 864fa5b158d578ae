// The text a footer cell shows, by the footer's value type.
#include "grid/dbgrid.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/rtl/float_text.h"
#include "platform/rtl/numbers.h"

namespace lab {
namespace {

bool IsCurrencyType(TFieldType Type) { return Type == ftCurrency || Type == ftBCD || Type == ftFMTBcd; }

// An aggregate (fixed point) as the field it was taken over would show such a value: with the
// footer's DisplayFormat when set, else a currency field in the currency format, a float field in
// general format, and other fields plainly.
std::string FormatAggregate(Currency Value, const TField* Field, const std::string& DisplayFormat) {
  if (!DisplayFormat.empty()) return FormatFloat(DisplayFormat, Value.ToDouble());
  if (IsCurrencyType(Field->DataType()))
    return FloatToStrF(Value.ToDouble(), ffCurrency, 15, FormatSettings.CurrencyDecimals);
  if (Field->DataType() == ftFloat) return FloatToStrF(Value.ToDouble(), ffGeneral, 15, 0);
  return CurrToStr(Value);
}

}  // namespace

// An aggregate without a value (an average over no values) leaves the cell empty; one that the
// sum list does not hold (no such field, no sum list) shows "0".
std::string TCustomDBGridX::GetFooterValue(int Row, TColumnX* Column) {
  if (!Column) return {};
  TColumnFooterX* footer = Column->GetFooterAt(Row);
  TDataSet* ds = data_link_->DataSet();
  switch (footer->ValueType()) {
    case fvtSum:
    case fvtAvg: {
      const std::string name = footer->SumFieldName();
      TField* field = ds ? ds->FindField(name) : nullptr;
      TDBSum* sum = field && sum_list_
                        ? sum_list_->SumCollection()->FindSum(footer->ValueType() == fvtSum ? goSum : goAvg, name)
                        : nullptr;
      if (!sum) return "0";
      if (VarIsNull(sum->SumValue())) return {};
      return FormatAggregate(sum->SumValue().AsCurrency(), field, footer->DisplayFormat());
    }
    case fvtCount: {
      TDBSum* sum = sum_list_ ? sum_list_->SumCollection()->FindSum(goCount, "") : nullptr;
      if (!sum || VarIsNull(sum->SumValue())) return "0";
      const std::int64_t count = sum->SumValue().AsCurrency().Raw() / Currency::Scale;
      if (!footer->DisplayFormat().empty()) return FormatFloat(footer->DisplayFormat(), static_cast<double>(count));
      return std::to_string(count);
    }
    case fvtFieldValue: {
      if (!ds || !ds->Active()) return {};
      TField* field = ds->FindField(footer->SumFieldName());
      return field ? field->DisplayText() : std::string();
    }
    case fvtStaticText: return footer->Value();
    case fvtNon: break;
  }
  return {};
}

}  // namespace lab
