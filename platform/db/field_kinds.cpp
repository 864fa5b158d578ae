// How each kind of field shows and reads its value.
#include "platform/db/field_kinds.h"

#include "platform/db/db_errors.h"
#include "platform/rtl/float_text.h"
#include "platform/rtl/numbers.h"
#include "platform/rtl/strutils.h"

namespace lab {

TNumericField::TNumericField(TComponent* AOwner, TFieldType Type) : TField(AOwner, Type) {
  SetAlignment(taRightJustify);
}

void TNumericField::SetAsStringValue(const std::string& Value) {
  if (Trim(Value).empty())
    Clear();
  else
    TField::SetAsStringValue(Value);
}

std::string TFloatField::GetAsString() const { return IsNull() ? std::string() : FloatToStr(AsFloat()); }

std::string TFloatField::GetText(bool /*DisplayText*/) const {
  return IsNull() ? std::string() : FloatToStrF(AsFloat(), ffGeneral, 15, 0);
}

std::string TCurrencyField::GetAsString() const { return IsNull() ? std::string() : CurrToStr(AsCurrency()); }

std::string TCurrencyField::GetText(bool DisplayText) const {
  if (IsNull()) return {};
  const double value = AsCurrency().ToDouble();
  return FloatToStrF(value, DisplayText ? ffCurrency : ffFixed, 15, FormatSettings.CurrencyDecimals);
}

std::string TBooleanField::GetAsString() const {
  if (IsNull()) return {};
  return AsBoolean() ? "True" : "False";
}

void TBooleanField::SetAsStringValue(const std::string& Value) {
  if (Trim(Value).empty())
    Clear();
  else
    TField::SetAsStringValue(Value);
}

std::string TDateTimeField::GetAsString() const {
  if (IsNull()) return {};
  const TDateTime value = AsDateTime();
  switch (DataType()) {
    case ftDate: return DateToStr(value);
    case ftTime: return TimeToStr(value);
    default: return DateTimeToStr(value);
  }
}

void TDateTimeField::SetAsStringValue(const std::string& Value) {
  if (Trim(Value).empty())
    Clear();
  else
    TField::SetAsStringValue(Value);
}

std::string TBlobField::GetText(bool /*DisplayText*/) const {
  const bool memo = DataType() == ftMemo;
  if (IsNull()) return memo ? "(Memo)" : "(Blob)";
  return memo ? "(MEMO)" : "(BLOB)";
}

TField* CreateFieldOfType(TFieldType Type, TComponent* AOwner, const std::string& Name) {
  TField* field;
  switch (Type) {
    case ftString: field = new TStringField(AOwner); break;
    case ftSmallint: field = new TSmallintField(AOwner); break;
    case ftInteger: field = new TIntegerField(AOwner); break;
    case ftLargeint: field = new TLargeintField(AOwner); break;
    case ftFloat: field = new TFloatField(AOwner); break;
    case ftCurrency: field = new TCurrencyField(AOwner); break;
    case ftBoolean: field = new TBooleanField(AOwner); break;
    case ftDate: field = new TDateField(AOwner); break;
    case ftTime: field = new TTimeField(AOwner); break;
    case ftDateTime: field = new TDateTimeField(AOwner); break;
    case ftMemo: field = new TMemoField(AOwner); break;
    case ftBlob: field = new TBlobField(AOwner); break;
    default: DatabaseErrorFmt(dbmsg::SUnknownFieldType, AOwner, Name);
  }
  field->SetFieldName(Name);
  return field;
}

}  // namespace lab
