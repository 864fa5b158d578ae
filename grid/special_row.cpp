#include "grid/special_row.h"

#include "grid/grid_services.h"
#include "platform/classes/filer.h"

namespace lab {

void TSpecRowX::DeclareProperties(TPropertyDeclarer<TSpecRowX>& P) {
  P.Property("CellsText", &TSpecRowX::CellsText, &TSpecRowX::SetCellsText);
  P.Property("ShowIfNotInKeyList", &TSpecRowX::ShowIfNotInKeyList, &TSpecRowX::SetShowIfNotInKeyList)
      .Default(true);
  P.Property("Visible", &TSpecRowX::Visible, &TSpecRowX::SetVisible).Default(false);
}

void TSpecRowX::SetValue(const Variant& V) {
  if (VarType(V) == VarType(value_) && VariantsEqual(V, value_)) return;
  value_ = V;
  Changed();
}

void TSpecRowX::SetVisible(bool V) {
  if (visible_ == V) return;
  visible_ = V;
  Changed();
}

void TSpecRowX::SetShowIfNotInKeyList(bool V) {
  if (show_if_not_in_key_list_ == V) return;
  show_if_not_in_key_list_ = V;
  Changed();
}

void TSpecRowX::SetCellsText(const std::string& V) {
  if (cells_text_ == V) return;
  cells_text_ = V;
  Changed();
}

std::string TSpecRowX::CellText(int Index) const {
  if (Index < 0) return {};
  std::size_t start = 0;
  for (int i = 0; i < Index; ++i) {
    start = cells_text_.find(';', start);
    if (start == std::string::npos) return {};
    ++start;
  }
  const std::size_t end = cells_text_.find(';', start);
  return cells_text_.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

void TSpecRowX::Changed() {
  if (OnChanged) OnChanged(this);
}

void TSpecRowX::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TSpecRowX*>(Source)) {
    value_ = src->value_;
    visible_ = src->visible_;
    show_if_not_in_key_list_ = src->show_if_not_in_key_list_;
    cells_text_ = src->cells_text_;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

namespace {

void WriteVariant(TWriter& W, const Variant& V) {
  switch (VarType(V) & ~varArray) {
    case varNull: W.WriteIdent("Null"); return;
    case varBoolean: W.WriteBoolean(V.AsBoolean()); return;
    case varInteger:
    case varInt64: W.WriteInteger(V.AsInt64()); return;
    case varDouble:
    case varCurrency:
    case varDate: W.WriteFloat(V.AsDouble()); return;
    default: break;
  }
  if (VarIsArray(V)) {
    W.WriteListBegin();
    for (int i = VarArrayLowBound(V); i <= VarArrayHighBound(V); ++i) WriteVariant(W, V[i]);
    W.WriteListEnd();
    return;
  }
  W.WriteString(V.AsString());
}

Variant ReadVariant(TReader& R) {
  switch (R.NextValue()) {
    case vaIdent: {
      const std::string ident = R.ReadIdent();
      if (ident == "Null") return Null();
      throw EReadError("Invalid property value");
    }
    case vaFalse:
    case vaTrue: return R.ReadBoolean();
    case vaInt32:
    case vaInt64: {
      const std::int64_t v = R.ReadInt64();
      if (v >= INT32_MIN && v <= INT32_MAX) return static_cast<std::int32_t>(v);
      return v;
    }
    case vaExtended: return R.ReadFloat();
    case vaList: {
      std::vector<Variant> items;
      R.ReadListBegin();
      while (!R.EndOfList()) items.push_back(ReadVariant(R));
      R.ReadListEnd();
      return VarArrayOf(std::move(items));
    }
    default: return R.ReadString();
  }
}

}  // namespace

void TSpecRowX::DefineProperties(TFiler& Filer) {
  TPersistent::DefineProperties(Filer);
  Filer.DefineProperty(
      "Value", [this](TReader& R) { SetValue(ReadVariant(R)); }, [this](TWriter& W) { WriteVariant(W, value_); },
      !VarIsNull(value_));
}

}  // namespace lab
