#include <algorithm>
#include <memory>

#include "platform/classes/class_registry.h"
#include "platform/classes/collection.h"
#include "platform/classes/component.h"
#include "platform/classes/filer.h"
#include "platform/classes/property_access.h"
#include "platform/rtl/format.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/utf8.h"

namespace lab {

namespace {

constexpr const char* kLineBreak = "\r\n";
// Long strings are split into pieces of this many characters, joined by '+' across lines.
constexpr std::size_t kStringPiece = 64;
// Binary values are written this many bytes to a line.
constexpr std::size_t kBinaryLine = 32;

// One piece of a string: printable ASCII between quotes (a quote doubled), everything else as
// #<code point>.
std::string EncodePiece(std::u32string_view CodePoints) {
  std::string s;
  bool quoted = false;
  for (char32_t c : CodePoints) {
    if (c >= 32 && c < 127) {
      if (!quoted) s += '\'';
      quoted = true;
      s += static_cast<char>(c);
      if (c == '\'') s += '\'';
    } else {
      if (quoted) s += '\'';
      quoted = false;
      s += '#';
      s += std::to_string(static_cast<std::uint32_t>(c));
    }
  }
  if (quoted) s += '\'';
  return s.empty() ? "''" : s;
}

bool IsSubComponentValue(TPersistent* Instance, const TPropInfo* Prop) {
  auto* value = static_cast<TComponent*>(Prop->GetObject(Instance));
  return value && value->IsSubComponent();
}

}  // namespace

// ---- string lists: their lines are the defined property "Strings"

void TFiler::DefineAll(TPersistent* Instance) {
  Instance->DefineProperties(*this);
  auto* strings = dynamic_cast<TStrings*>(Instance);
  if (!strings) return;
  auto* ancestor = dynamic_cast<TStrings*>(ancestor_);
  const bool has_data = ancestor_ ? !(ancestor && strings->Equals(ancestor)) : strings->Count() > 0;
  DefineProperty(
      "Strings",
      [strings](TReader& Reader) {
        Reader.ReadListBegin();
        {
          TStringsUpdate update(*strings);
          strings->Clear();
          while (!Reader.EndOfList()) strings->Add(Reader.ReadString());
        }
        Reader.ReadListEnd();
      },
      [strings](TWriter& Writer) {
        Writer.WriteListBegin();
        for (int i = 0; i < strings->Count(); ++i) Writer.WriteString(strings->Strings(i));
        Writer.WriteListEnd();
      },
      has_data);
}

// ---- output

std::string TWriter::Indent(int Extra) const { return std::string(static_cast<std::size_t>(indent_ + Extra) * 2, ' '); }

void TWriter::BeginProperty(const std::string& Name) {
  out_ += Indent() + Name + " = ";
  property_ = Name;
  in_property_ = true;
  list_depth_ = 0;
  values_ = 0;
}

void TWriter::EndProperty() {
  if (values_ == 0 || list_depth_ != 0) throw EWriteError("Property %s was not written as one value", property_);
  out_ += kLineBreak;
  in_property_ = false;
}

void TWriter::StartValue() {
  if (list_depth_ > 0) {
    out_ += kLineBreak + Indent(list_depth_);
  } else if (in_property_ && values_ > 0) {
    throw EWriteError("Property %s was not written as one value", property_);
  }
  ++values_;
}

void TWriter::WriteInteger(std::int64_t Value) {
  StartValue();
  out_ += std::to_string(Value);
}

void TWriter::WriteBoolean(bool Value) {
  StartValue();
  out_ += Value ? "True" : "False";
}

void TWriter::WriteFloat(double Value) {
  std::string text;
  if (!FloatToText(Value, text)) throw EWriteError("Property %s: a float value must be finite", property_);
  // A float always shows as one, so it reads back as a float.
  if (text.find_first_of(".E") == std::string::npos) text += ".0";
  StartValue();
  out_ += text;
}

void TWriter::WriteString(std::string_view Value) {
  StartValue();
  const std::u32string cps = Utf8Decode(Value);
  const std::u32string_view all = cps;
  if (all.size() <= kStringPiece) {
    out_ += EncodePiece(all);
    return;
  }
  for (std::size_t i = 0; i < all.size(); i += kStringPiece) {
    if (i > 0) out_ += std::string(" +") + kLineBreak + Indent(list_depth_ + 1);
    out_ += EncodePiece(all.substr(i, kStringPiece));
  }
}

void TWriter::WriteIdent(std::string_view Value) {
  StartValue();
  out_ += Value;
}

void TWriter::WriteListBegin() {
  StartValue();
  out_ += '(';
  ++list_depth_;
}

void TWriter::WriteListEnd() {
  if (list_depth_ == 0) throw EWriteError("Property %s: list end without a list", property_);
  out_ += ')';
  --list_depth_;
}

void TWriter::WriteBinary(std::string_view Bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  StartValue();
  out_ += '{';
  for (std::size_t i = 0; i < Bytes.size(); ++i) {
    if (i % kBinaryLine == 0) out_ += kLineBreak + Indent(list_depth_ + 1);
    const auto b = static_cast<unsigned char>(Bytes[i]);
    out_ += kHex[b >> 4];
    out_ += kHex[b & 15];
  }
  out_ += '}';
}

void TWriter::WriteCollection(TCollection* Collection) {
  StartValue();
  out_ += '<';
  const int item_indent = list_depth_ + 1;
  // Item properties are written as properties of their own, inside this value.
  const int saved_indent = indent_;
  const int saved_depth = list_depth_;
  const int saved_values = values_;
  const std::string saved_property = property_;
  for (int i = 0; i < Collection->Count(); ++i) {
    out_ += kLineBreak + Indent(item_indent) + "item" + kLineBreak;
    indent_ = saved_indent + item_indent + 1;
    in_property_ = false;
    {
      TScopeExit restore_indent([&] { indent_ = saved_indent; });
      WriteProperties(Collection->Items(i), nullptr, std::string());
    }
    list_depth_ = saved_depth;
    values_ = saved_values;
    property_ = saved_property;
    in_property_ = true;
    out_ += Indent(item_indent) + "end";
  }
  out_ += '>';
}

// ---- defined properties

void TWriter::DefineProperty(std::string_view Name, const TReaderProc&, const TWriterProc& WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  BeginProperty(prefix_ + std::string(Name));
  WriteData(*this);
  EndProperty();
}

void TWriter::DefineBinaryProperty(std::string_view Name, const TStreamProc&, const TStreamProc& WriteData,
                                   bool HasData) {
  if (!HasData || !WriteData) return;
  TMemoryStream stream;
  WriteData(stream);
  BeginProperty(prefix_ + std::string(Name));
  WriteBinary(std::string_view(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size())));
  EndProperty();
}

// ---- properties

void TWriter::WriteProperties(TPersistent* Instance, TPersistent* Ancestor, const std::string& Prefix) {
  // Property values are read through the instance's class: an ancestor of another class compares
  // with nothing.
  if (Ancestor && Ancestor->ClassType() != Instance->ClassType()) Ancestor = nullptr;
  for (const TPropInfo* p : GetPropList(Instance)) {
    if (!p->CanRead()) continue;
    const bool owned_object = p->Kind() == tkClass && (!p->IsComponentRef() || IsSubComponentValue(Instance, p));
    if (!owned_object && !p->CanWrite()) continue;
    if (!p->IsStored(Instance)) continue;
    WriteProperty(Instance, Ancestor, p, Prefix);
  }
  const std::string saved_prefix = std::exchange(prefix_, Prefix);
  TPersistent* saved_ancestor = std::exchange(ancestor_, Ancestor);
  TScopeExit restore([&] {
    prefix_ = saved_prefix;
    ancestor_ = saved_ancestor;
  });
  DefineAll(Instance);
}

void TWriter::WriteProperty(TPersistent* Instance, TPersistent* Ancestor, const TPropInfo* Prop,
                            const std::string& Prefix) {
  const std::string name = Prefix + Prop->Name();
  switch (Prop->Kind()) {
    case tkInteger:
    case tkInt64:
    case tkEnumeration:
    case tkSet: {
      const std::int64_t v = Prop->GetOrd(Instance);
      if (Ancestor ? v == Prop->GetOrd(Ancestor) : Prop->HasDefault() && v == Prop->OrdDefault()) return;
      BeginProperty(name);
      std::string ident;
      if (Prop->Kind() == tkEnumeration) {
        WriteIdent(Prop->EnumInfo()->NameOf(v));
      } else if (Prop->Kind() == tkSet) {
        std::string text;
        const TEnumInfo& info = *Prop->EnumInfo();
        for (int i = 0; i < info.Count() && i < 64; ++i)
          if ((static_cast<std::uint64_t>(v) >> i) & 1) {
            if (!text.empty()) text += ", ";
            text += info.Names[static_cast<std::size_t>(i)];
          }
        WriteIdent("[" + text + "]");
      } else if (!Prop->IdentsType().empty() && IntConstToIdent(Prop->IdentsType(), v, ident)) {
        WriteIdent(ident);
      } else {
        WriteInteger(v);
      }
      EndProperty();
      return;
    }
    case tkFloat: {
      const double v = Prop->GetFloat(Instance);
      const double reference = Ancestor ? Prop->GetFloat(Ancestor) : Prop->HasDefault() ? Prop->FloatDefault() : 0.0;
      if (v == reference) return;
      BeginProperty(name);
      WriteFloat(v);
      EndProperty();
      return;
    }
    case tkString: {
      const std::string v = Prop->GetStr(Instance);
      if (Ancestor ? v == Prop->GetStr(Ancestor) : v.empty()) return;
      BeginProperty(name);
      WriteString(v);
      EndProperty();
      return;
    }
    case tkMethod: {
      const std::string handler = Prop->GetHandlerName(Instance);
      if (Ancestor ? handler == Prop->GetHandlerName(Ancestor) : handler.empty()) return;
      BeginProperty(name);
      WriteIdent(handler.empty() ? "nil" : handler);
      EndProperty();
      return;
    }
    case tkClass:
      break;
  }

  TPersistent* value = Prop->GetObject(Instance);
  TPersistent* ancestor_value = Ancestor ? Prop->GetObject(Ancestor) : nullptr;
  if (Prop->IsComponentRef() && !IsSubComponentValue(Instance, Prop)) {
    auto* component = static_cast<TComponent*>(value);
    const std::string ref = ComponentRefName(component, root_);
    if (component && ref.empty()) return;  // a nameless component cannot be referred to
    if (Ancestor ? ref == ComponentRefName(static_cast<TComponent*>(ancestor_value), ancestor_root_) : !component)
      return;
    BeginProperty(name);
    WriteIdent(component ? ref : "nil");
    EndProperty();
    return;
  }
  if (!value) return;
  if (auto* collection = dynamic_cast<TCollection*>(value)) {
    if (Ancestor ? CollectionsEqual(collection, dynamic_cast<TCollection*>(ancestor_value), root_, ancestor_root_)
                 : collection->Count() == 0)
      return;
    BeginProperty(name);
    WriteCollection(collection);
    EndProperty();
    return;
  }
  WriteProperties(value, ancestor_value, name + ".");
}

// ---- components

namespace {

// A new, ownerless instance of a component's class, to compare with what its class makes by
// itself; none for a class that cannot be made.
std::unique_ptr<TComponent> FreshInstance(const TComponent* Component) {
  const TMetaClass* meta = GetMetaClass(Component->ClassType());
  return std::unique_ptr<TComponent>(meta && meta->NewComponent ? meta->NewComponent(nullptr) : nullptr);
}

}  // namespace

void TWriter::WriteDescendent(TComponent* Root, TComponent* Ancestor) {
  root_ = Root;
  ancestor_root_ = Ancestor;
  ancestor_owner_ = Ancestor;
  WriteComponent(Root, Ancestor, Ancestor ? "inherited" : "object");
}

void TWriter::WriteComponent(TComponent* Component, TComponent* Ancestor, std::string_view Kind) {
  const std::size_t start = out_.size();
  std::string header = Indent() + std::string(Kind) + " ";
  if (Component->Name().empty()) header += std::string(Component->ClassName());
  else header += Component->Name() + ": " + std::string(Component->ClassName());
  out_ += header + kLineBreak;
  const std::size_t body = out_.size();
  Component->IncludeState(csWriting);
  ++indent_;
  {
    TScopeExit done([&] {
      --indent_;
      Component->ExcludeState(csWriting);
    });
    WriteProperties(Component, Ancestor, std::string());
    WriteChildren(Component, Ancestor);
  }
  // An inherited component that differs in nothing is left out.
  if (Kind == "inherited" && Component != root_ && out_.size() == body) {
    out_.resize(start);
    return;
  }
  out_ += Indent() + "end" + kLineBreak;
}

void TWriter::WriteChildren(TComponent* Component, TComponent* Ancestor) {
  TComponent* saved_owner = ancestor_owner_;
  TComponent* saved_root = ancestor_root_;
  TScopeExit restore([&] {
    ancestor_owner_ = saved_owner;
    ancestor_root_ = saved_root;
  });
  std::vector<TComponent*> children;
  Component->GetChildren([&](TComponent* Child) { children.push_back(Child); }, root_);
  // A component without a counterpart still gets the components its class makes when it is read
  // back (the root, or one that owns what is read inside it): those compare with a fresh
  // instance's, as a frame's do, so they are written as "inherited" blocks and not made twice. The
  // instance is made only when there are children to compare.
  std::unique_ptr<TComponent> fresh;
  if (!Ancestor && !children.empty() && (Component == root_ || Component->GetChildOwner())) {
    fresh = FreshInstance(Component);
    Ancestor = fresh.get();
    if (Component == root_) {
      ancestor_root_ = Ancestor;
      ancestor_owner_ = Ancestor;
    }
  }
  // Components read inside a frame belong to the frame; so do their counterparts.
  if (Component->GetChildOwner()) ancestor_owner_ = Ancestor;
  struct TChild {
    TComponent* Component;
    TComponent* Counterpart;
    int Place;  // the counterpart's place among its owner's components
  };
  std::vector<TChild> order;
  for (TComponent* child : children) {
    TComponent* counterpart = ancestor_owner_ ? ancestor_owner_->FindComponent(child->Name()) : nullptr;
    if (counterpart && counterpart->ClassType() != child->ClassType()) counterpart = nullptr;
    order.push_back({child, counterpart, counterpart ? counterpart->ComponentIndex() : 0});
  }
  // Reading back finds the inherited components where the ancestor has them and adds the new ones
  // after: they are written in that order (a renamed inherited component whose name a new one took
  // comes after it), so the text reads back to the same text.
  const auto split = std::stable_partition(order.begin(), order.end(), [](const TChild& c) { return c.Counterpart != nullptr; });
  std::stable_sort(order.begin(), split, [](const TChild& a, const TChild& b) { return a.Place < b.Place; });
  for (const TChild& entry : order) {
    TComponent* child = entry.Component;
    TComponent* counterpart = entry.Counterpart;
    if (child->ComponentState().Contains(csInline)) {
      std::unique_ptr<TComponent> fresh_frame;
      if (!counterpart) {
        // A frame compares with a fresh instance of its class, which holds what the frame's own
        // form gives it.
        fresh_frame = FreshInstance(child);
        counterpart = fresh_frame.get();
      }
      WriteComponent(child, counterpart, "inline");
    } else {
      WriteComponent(child, counterpart, counterpart ? "inherited" : "object");
    }
  }
}

// ---- collections compared as written

bool CollectionsEqual(TCollection* C1, TCollection* C2, TComponent* Owner1, TComponent* Owner2) {
  if (C1 == C2) return true;
  if (!C1 || !C2 || C1->Count() != C2->Count()) return false;
  auto text = [](TCollection* c, TComponent* owner) {
    TWriter writer;
    writer.root_ = owner ? owner : LookupRootOf(c);
    writer.BeginProperty("Items");
    writer.WriteCollection(c);
    writer.EndProperty();
    return writer.out_;
  };
  return text(C1, Owner1) == text(C2, Owner2);
}

}  // namespace lab
