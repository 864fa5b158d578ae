#pragma once
// The field classes by kind of value. Each shows its value in the framework's way: integers as
// digits, floats in general format (currency with the currency format when displayed and fixed
// decimals when edited), Booleans as "True"/"False", dates with the locale's formats, memo and blob
// fields as "(Memo)"/"(MEMO)" and "(Blob)"/"(BLOB)" (empty or holding data) while AsString gives
// their contents.

#include "platform/db/fields.h"

namespace lab {

class TStringField : public TField {
  LAB_CLASS(TStringField, TField)
 public:
  // Size 20 until set; a longer value raises an error naming the field (nothing is cut off).
  explicit TStringField(TComponent* AOwner) : TField(AOwner, ftString, 20) {}

 protected:
  int DefaultWidth() const override { return Size() > 0 ? Size() : 20; }
};

class TNumericField : public TField {
  LAB_CLASS(TNumericField, TField)
 protected:
  TNumericField(TComponent* AOwner, TFieldType Type);
  void SetAsStringValue(const std::string& Value) override;
};

class TIntegerField : public TNumericField {
  LAB_CLASS(TIntegerField, TNumericField)
 public:
  explicit TIntegerField(TComponent* AOwner) : TNumericField(AOwner, ftInteger) {}

 protected:
  TIntegerField(TComponent* AOwner, TFieldType Type) : TNumericField(AOwner, Type) {}
  int DefaultWidth() const override { return 11; }
};

class TSmallintField : public TIntegerField {
  LAB_CLASS(TSmallintField, TIntegerField)
 public:
  explicit TSmallintField(TComponent* AOwner) : TIntegerField(AOwner, ftSmallint) {}

 protected:
  int DefaultWidth() const override { return 6; }
};

class TLargeintField : public TNumericField {
  LAB_CLASS(TLargeintField, TNumericField)
 public:
  explicit TLargeintField(TComponent* AOwner) : TNumericField(AOwner, ftLargeint) {}

 protected:
  int DefaultWidth() const override { return 15; }
};

class TFloatField : public TNumericField {
  LAB_CLASS(TFloatField, TNumericField)
 public:
  explicit TFloatField(TComponent* AOwner) : TNumericField(AOwner, ftFloat) {}

 protected:
  std::string GetAsString() const override;
  std::string GetText(bool DisplayText) const override;
};

// Kept exactly, as fixed point with four decimals.
class TCurrencyField : public TNumericField {
  LAB_CLASS(TCurrencyField, TNumericField)
 public:
  explicit TCurrencyField(TComponent* AOwner) : TNumericField(AOwner, ftCurrency) {}

 protected:
  std::string GetAsString() const override;
  std::string GetText(bool DisplayText) const override;
};

class TBooleanField : public TField {
  LAB_CLASS(TBooleanField, TField)
 public:
  explicit TBooleanField(TComponent* AOwner) : TField(AOwner, ftBoolean) {}

 protected:
  int DefaultWidth() const override { return 5; }
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& Value) override;
};

class TDateTimeField : public TField {
  LAB_CLASS(TDateTimeField, TField)
 public:
  explicit TDateTimeField(TComponent* AOwner) : TField(AOwner, ftDateTime) {}

 protected:
  TDateTimeField(TComponent* AOwner, TFieldType Type) : TField(AOwner, Type) {}
  int DefaultWidth() const override { return 18; }
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& Value) override;
};

class TDateField : public TDateTimeField {
  LAB_CLASS(TDateField, TDateTimeField)
 public:
  explicit TDateField(TComponent* AOwner) : TDateTimeField(AOwner, ftDate) {}

 protected:
  int DefaultWidth() const override { return 10; }
};

class TTimeField : public TDateTimeField {
  LAB_CLASS(TTimeField, TDateTimeField)
 public:
  explicit TTimeField(TComponent* AOwner) : TDateTimeField(AOwner, ftTime) {}

 protected:
  int DefaultWidth() const override { return 10; }
};

class TBlobField : public TField {
  LAB_CLASS(TBlobField, TField)
 public:
  explicit TBlobField(TComponent* AOwner) : TField(AOwner, ftBlob) {}
  bool IsBlob() const override { return true; }

 protected:
  TBlobField(TComponent* AOwner, TFieldType Type) : TField(AOwner, Type) {}
  std::string GetText(bool DisplayText) const override;
};

class TMemoField : public TBlobField {
  LAB_CLASS(TMemoField, TBlobField)
 public:
  explicit TMemoField(TComponent* AOwner) : TBlobField(AOwner, ftMemo) {}
};

// A new field of the class that keeps values of Type, owned by AOwner; EDatabaseError
// "Field '%s' is of an unknown type" (with Name) for a type without one.
TField* CreateFieldOfType(TFieldType Type, TComponent* AOwner, const std::string& Name);

}  // namespace lab
