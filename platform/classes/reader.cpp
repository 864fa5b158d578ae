#include <algorithm>
#include <utility>

#include "platform/classes/class_registry.h"
#include "platform/classes/collection.h"
#include "platform/classes/component.h"
#include "platform/classes/filer.h"
#include "platform/classes/ident.h"
#include "platform/classes/property_access.h"
#include "platform/rtl/format.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strutils.h"

namespace lab {

using detail::TToken;
using detail::TTokenKind;

struct TReader::THeader {
  std::string Kind;  // object, inherited or inline
  std::string Name;
  std::string ClassName;
  int Line = 0;
};

// A component reference, set once the whole tree is read (the component may come later).
struct TReader::TFixup {
  TPersistent* Instance;
  const TPropInfo* Prop;
  std::string Name;
  int Line;
  std::string Path;
  TComponent* Holder;  // the component whose block holds the reference
};

// Hears when a component read so far is freed (by a failed block, or by a setter), so the reader
// never touches it again.
class TReader::TTracker final : public TComponent {
 public:
  explicit TTracker(TReader& Reader) : TComponent(nullptr), reader_(Reader) {}
  ~TTracker() override {
    // Leave quietly: the components are not told about the tracker going away.
    for (TComponent* c : reader_.loaded_) RemoveFreeNotification(c);
  }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) reader_.Forget(AComponent);
  }

 private:
  TReader& reader_;
};

namespace {

// Restores a string member when a block ends, also by an exception.
class TRestore {
 public:
  TRestore(std::string& Target, std::string Value) : target_(Target), saved_(std::exchange(Target, std::move(Value))) {}
  ~TRestore() { target_ = std::move(saved_); }
  TRestore(const TRestore&) = delete;
  TRestore& operator=(const TRestore&) = delete;

 private:
  std::string& target_;
  std::string saved_;
};

std::string Join(const std::string& Context, std::string_view Name) {
  return Context.empty() ? std::string(Name) : Context + "." + std::string(Name);
}

bool FitsInteger(std::int64_t v) { return v >= INT32_MIN && v <= static_cast<std::int64_t>(UINT32_MAX); }

// Each component inside another, collection and list of values takes stack while it is read:
// deeper texts are refused.
constexpr int kMaxNesting = 128;

class TNesting {
 public:
  TNesting(int& Depth, int Line) : depth_(Depth) {
    if (depth_ >= kMaxNesting) throw EReadError("Line %d: Form text nested too deeply (more than %d levels)", Line, kMaxNesting);
    ++depth_;
  }
  ~TNesting() { --depth_; }
  TNesting(const TNesting&) = delete;
  TNesting& operator=(const TNesting&) = delete;

 private:
  int& depth_;
};

}  // namespace

TReader::TReader(std::string_view Text) : lex_(Text), tracker_(std::make_unique<TTracker>(*this)) {}

TReader::~TReader() = default;

void TReader::Malformed() const { lex_.Error(lex_.Current().Line); }

void TReader::PropError(int Line, const std::string& Path, const std::string& Message) {
  throw EReadError("Line %d: Error reading %s: %s", Line, Path, Message);
}

// ---- the component tree

bool TReader::AtHeader() {
  const TToken& t = lex_.Current();
  if (!(t.IsIdent("object") || t.IsIdent("inherited") || t.IsIdent("inline"))) return false;
  return lex_.Peek().Kind == TTokenKind::Ident;
}

TReader::THeader TReader::ReadHeader() {
  if (!AtHeader()) Malformed();
  THeader h;
  h.Line = lex_.Current().Line;
  h.Kind = lex_.Next().Text;
  for (char& c : h.Kind) c = static_cast<char>(c | 0x20);
  const TToken first = lex_.Next();
  if (!IsValidIdent(first.Text)) Malformed();
  if (lex_.Current().Is(':')) {
    lex_.Next();
    const TToken cls = lex_.Next();
    if (cls.Kind != TTokenKind::Ident || !IsValidIdent(cls.Text)) lex_.Error(cls.Line);
    h.Name = first.Text;
    h.ClassName = cls.Text;
  } else {
    h.ClassName = first.Text;
  }
  return h;
}

TComponent* TReader::CreateComponent(const THeader& Header, TComponent* Owner) {
  const TMetaClass* meta = GetClass(Header.ClassName);
  if (!meta) throw EClassNotFound("Line %d: Class %s not found", Header.Line, Header.ClassName);
  if (!meta->NewComponent) throw EReadError("Line %d: Class %s is not a component class", Header.Line, Header.ClassName);
  try {
    return meta->NewComponent(Owner);
  } catch (const EFilerError&) {
    throw;
  } catch (const Exception& e) {
    throw EReadError("Line %d: Error creating %s: %s", Header.Line, Header.ClassName, e.Message());
  }
}

void TReader::Track(TComponent* Component) {
  if (std::find(loaded_.begin(), loaded_.end(), Component) != loaded_.end()) return;
  loaded_.push_back(Component);
  tracker_->FreeNotification(Component);
}

void TReader::Forget(TComponent* Component) {
  std::erase(loaded_, Component);
  std::erase_if(fixups_, [&](const TFixup& f) { return f.Holder == Component || f.Instance == Component; });
}

TComponent* TReader::ReadRootComponent(TComponent* Root) {
  const THeader h = ReadHeader();
  const bool created = Root == nullptr;
  if (created) Root = CreateComponent(h, nullptr);
  root_ = Root;
  owner_ = Root;
  component_ = Root;
  TScopeFail undo([&] {
    for (TComponent* c : loaded_) {
      c->ExcludeState(csLoading);
      c->ExcludeState(csReading);
    }
    fixups_.clear();
    if (created) delete Root;
  });
  Root->IncludeState(csLoading);
  Root->IncludeState(csReading);
  Track(Root);
  if (!h.Name.empty() && h.Name != Root->Name()) {
    try {
      Root->SetName(h.Name);
    } catch (const Exception& e) {
      throw EReadError("Line %d: %s", h.Line, e.Message());
    }
  }
  context_ = Root->Name();
  ReadBody(Root);
  if (lex_.Current().Kind != TTokenKind::End) Malformed();
  ResolveFixups();
  for (TComponent* c : loaded_) c->ExcludeState(csReading);
  // Loaded may free components: each is called only while still tracked.
  const std::vector<TComponent*> loaded = loaded_;
  for (TComponent* c : loaded) {
    if (std::find(loaded_.begin(), loaded_.end(), c) == loaded_.end()) continue;
    c->Loaded();
    c->ExcludeState(csLoading);
  }
  return Root;
}

void TReader::ReadBody(TComponent* Component) {
  // Properties first, then the components inside.
  while (!AtHeader() && !lex_.Current().IsIdent("end")) {
    if (lex_.Current().Kind == TTokenKind::End) Malformed();
    ReadProperty(Component);
  }
  while (AtHeader()) ReadChild(Component);
  if (!lex_.Current().IsIdent("end")) Malformed();
  lex_.Next();
}

void TReader::ReadChild(TComponent* Parent) {
  const TNesting nesting(depth_, lex_.Current().Line);
  const THeader h = ReadHeader();
  TComponent* owner = owner_;
  TComponent* c = nullptr;
  const bool created = h.Kind != "inherited";
  if (created) {
    c = CreateComponent(h, owner);
  } else {
    c = owner->FindComponent(h.Name);
    if (!c) throw EReadError("Line %d: Ancestor for '%s' not found", h.Line, h.Name);
  }
  // On failure the reader's place is put back before the half-read component goes.
  TScopeFail drop([&] {
    if (created) {
      c->ExcludeState(csLoading);
      c->ExcludeState(csReading);
      delete c;
    }
  });
  TComponent* saved_component = std::exchange(component_, c);
  TScopeExit restore([&] {
    owner_ = owner;
    component_ = saved_component;
  });
  c->IncludeState(csLoading);
  c->IncludeState(csReading);
  if (h.Kind == "inline") c->IncludeState(csInline);
  Track(c);
  try {
    if (created) {
      c->SetName(h.Name);
      c->SetParentComponent(Parent->GetChildParent());
    } else if (h.Name != c->Name()) {
      // Found by a name spelled otherwise: it takes the text's spelling, as the root does, so it
      // writes back as read.
      c->SetName(h.Name);
    }
  } catch (const EFilerError&) {
    throw;
  } catch (const Exception& e) {
    throw EReadError("Line %d: %s", h.Line, e.Message());
  }
  TRestore context(context_, ComponentRefName(c, root_));
  if (TComponent* child_owner = c->GetChildOwner()) owner_ = child_owner;
  ReadBody(c);
}

// ---- properties

void TReader::ReadProperty(TPersistent* Instance) {
  const TToken name = lex_.Next();
  if (name.Kind != TTokenKind::Ident) lex_.Error(name.Line);
  if (!lex_.Current().Is('=')) Malformed();
  lex_.Next();
  const std::string path = Join(context_, name.Text);
  TRestore prop_path(prop_path_, path);
  try {
    ReadPropPath(Instance, name.Text, name.Line, path);
  } catch (const EFilerError&) {
    throw;
  } catch (const Exception& e) {
    PropError(name.Line, path, e.Message());
  }
}

void TReader::ReadPropPath(TPersistent* Instance, const std::string& Name, int Line, const std::string& Path) {
  auto not_found = [&] { PropError(Line, Path, Format("Property %s does not exist", Name)); };
  TPersistent* obj = Instance;
  std::string_view rest = Name;
  std::size_t dot;
  while ((dot = rest.find('.')) != std::string_view::npos) {
    const TPropInfo* p = GetPropInfo(obj, rest.substr(0, dot));
    if (!p || p->Kind() != tkClass || !p->CanRead()) not_found();
    obj = p->GetObject(obj);
    if (!obj) not_found();
    if (p->IsComponentRef()) {
      // Only a sub-component is read through; it loads with the tree.
      auto* sub = static_cast<TComponent*>(obj);
      if (!sub->IsSubComponent()) not_found();
      sub->IncludeState(csLoading);
      sub->IncludeState(csReading);
      Track(sub);
    }
    rest.remove_prefix(dot + 1);
  }
  if (const TPropInfo* p = GetPropInfo(obj, rest)) {
    ReadPropValue(obj, p, Line, Path);
    return;
  }
  bool found = false;
  std::string saved_name = std::exchange(pending_name_, std::string(rest));
  bool* saved_found = std::exchange(pending_found_, &found);
  {
    TScopeExit restore([&] {
      pending_name_ = std::move(saved_name);
      pending_found_ = saved_found;
    });
    DefineAll(obj);
  }
  if (!found) not_found();
}

void TReader::ReadPropValue(TPersistent* Instance, const TPropInfo* Prop, int Line, const std::string& Path) {
  const TToken& t = lex_.Current();
  auto invalid = [&] { PropError(Line, Path, "Invalid property value"); };
  if (Prop->Kind() != tkClass && !Prop->CanWrite()) PropError(Line, Path, Format("Property %s is read-only", Prop->Name()));
  switch (Prop->Kind()) {
    case tkInteger:
    case tkInt64: {
      std::int64_t v = 0;
      if (t.Kind == TTokenKind::Integer) {
        v = t.Int;
      } else if (!(t.Kind == TTokenKind::Ident && Prop->Kind() == tkInteger && !Prop->IdentsType().empty() &&
                   IdentToIntConst(Prop->IdentsType(), t.Text, v))) {
        invalid();
      }
      if (Prop->Kind() == tkInteger) {
        if (!FitsInteger(v)) invalid();
        v = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
      }
      lex_.Next();
      Prop->SetOrd(Instance, v);
      return;
    }
    case tkEnumeration: {
      const int v = t.Kind == TTokenKind::Ident ? Prop->EnumInfo()->ValueOf(t.Text) : -1;
      if (v < 0) invalid();
      lex_.Next();
      Prop->SetOrd(Instance, v);
      return;
    }
    case tkSet: {
      if (!t.Is('[')) invalid();
      const std::int64_t bits = ReadSetBits(*Prop->EnumInfo());
      Prop->SetOrd(Instance, bits);
      return;
    }
    case tkFloat: {
      double v = 0;
      if (t.Kind == TTokenKind::Float) v = t.Float;
      else if (t.Kind == TTokenKind::Integer) v = static_cast<double>(t.Int);
      else invalid();
      lex_.Next();
      Prop->SetFloat(Instance, v);
      return;
    }
    case tkString: {
      if (t.Kind != TTokenKind::String) invalid();
      const std::string v = lex_.Next().Text;
      Prop->SetStr(Instance, v);
      return;
    }
    case tkClass: {
      if (Prop->IsComponentRef()) {
        if (t.Kind != TTokenKind::Ident || !Prop->CanWrite()) invalid();
        const TToken name = lex_.Next();
        if (SameText(name.Text, "nil")) Prop->SetObject(Instance, nullptr);
        else fixups_.push_back({Instance, Prop, name.Text, Line, Path, component_});
        return;
      }
      auto* collection = dynamic_cast<TCollection*>(Prop->GetObject(Instance));
      if (!collection || !t.Is('<')) invalid();
      ReadCollection(collection);
      return;
    }
    case tkMethod: {
      if (t.Kind != TTokenKind::Ident) invalid();
      const std::string name = lex_.Next().Text;
      if (SameText(name, "nil")) {
        Prop->SetHandler(Instance, nullptr, {});
        return;
      }
      const std::any* handler = root_ ? root_->FindHandler(name) : nullptr;
      if (!handler) PropError(Line, Path, Format("Event handler %s not found", name));
      if (!Prop->SetHandler(Instance, handler, name))
        PropError(Line, Path, Format("Event handler %s does not fit event %s", name, Prop->Name()));
      return;
    }
  }
}

std::int64_t TReader::ReadSetBits(const TEnumInfo& Info) {
  if (!lex_.Current().Is('[')) Malformed();
  lex_.Next();
  std::uint64_t bits = 0;
  while (!lex_.Current().Is(']')) {
    const TToken t = lex_.Next();
    const int v = t.Kind == TTokenKind::Ident ? Info.ValueOf(t.Text) : -1;
    if (v < 0 || v >= 64) throw EPropertyError("Invalid property value");
    bits |= std::uint64_t{1} << v;
    if (lex_.Current().Is(',')) {
      lex_.Next();
      if (lex_.Current().Is(']')) Malformed();
    } else if (!lex_.Current().Is(']')) {
      Malformed();
    }
  }
  lex_.Next();
  return static_cast<std::int64_t>(bits);
}

void TReader::ReadCollection(TCollection* Collection) {
  const TNesting nesting(depth_, lex_.Current().Line);
  if (!lex_.Current().Is('<')) Malformed();
  lex_.Next();
  DropFixupsInside(Collection);
  const std::string base = prop_path_;
  Collection->BeginUpdate();
  TScopeExit end_update([&] { Collection->EndUpdate(); });
  Collection->Clear();
  while (!lex_.Current().Is('>')) {
    if (!lex_.Current().IsIdent("item")) Malformed();
    lex_.Next();
    TCollectionItem* item = Collection->Add();
    TRestore context(context_, Format("%s[%d]", base, item->Index()));
    while (!lex_.Current().IsIdent("end")) {
      if (lex_.Current().Kind == TTokenKind::End) Malformed();
      ReadProperty(item);
    }
    lex_.Next();
  }
  lex_.Next();
}

void TReader::DropFixupsInside(TCollection* Collection) {
  // The collection is about to be cleared: references pending inside its items would dangle.
  std::erase_if(fixups_, [&](const TFixup& f) {
    for (TPersistent* p = f.Instance; p; p = p->GetOwner())
      if (p == Collection) return true;
    return false;
  });
}

void TReader::ResolveFixups() {
  std::vector<TFixup> fixups = std::move(fixups_);
  fixups_.clear();
  for (const TFixup& f : fixups) {
    TComponent* target = FindComponentPath(root_, f.Name);
    if (!target) PropError(f.Line, f.Path, Format("Component %s not found", f.Name));
    try {
      f.Prop->SetObject(f.Instance, target);
    } catch (const EFilerError&) {
      throw;
    } catch (const Exception& e) {
      PropError(f.Line, f.Path, e.Message());
    }
  }
}

// ---- defined properties

void TReader::DefineProperty(std::string_view Name, const TReaderProc& ReadData, const TWriterProc&, bool) {
  if (!pending_found_ || !ReadData || !SameText(Name, pending_name_)) return;
  *pending_found_ = true;
  pending_found_ = nullptr;
  ReadData(*this);
}

void TReader::DefineBinaryProperty(std::string_view Name, const TStreamProc& ReadData, const TStreamProc&, bool) {
  if (!pending_found_ || !ReadData || !SameText(Name, pending_name_)) return;
  *pending_found_ = true;
  pending_found_ = nullptr;
  const std::string bytes = ReadBinary();
  TMemoryStream stream;
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream.SetPosition(0);
  ReadData(stream);
}

// ---- values

TValueType TReader::NextValue() {
  const TToken& t = lex_.Current();
  switch (t.Kind) {
    case TTokenKind::Integer:
      return t.Int >= INT32_MIN && t.Int <= INT32_MAX ? vaInt32 : vaInt64;
    case TTokenKind::Float:
      return vaExtended;
    case TTokenKind::String:
      return vaString;
    case TTokenKind::Binary:
      return vaBinary;
    case TTokenKind::Ident:
      if (t.IsIdent("True")) return vaTrue;
      if (t.IsIdent("False")) return vaFalse;
      return vaIdent;
    case TTokenKind::Symbol:
      if (t.Is('(')) return vaList;
      if (t.Is('[')) return vaSet;
      if (t.Is('<')) return vaCollection;
      if (t.Is(')') || t.Is('>')) return vaNull;
      break;
    case TTokenKind::End:
      break;
  }
  Malformed();
}

bool TReader::EndOfList() { return lex_.Current().Is(')') || lex_.Current().Is('>'); }

void TReader::ReadListBegin() {
  if (!lex_.Current().Is('(')) Malformed();
  lex_.Next();
}

void TReader::ReadListEnd() {
  if (!lex_.Current().Is(')')) Malformed();
  lex_.Next();
}

std::int32_t TReader::ReadInteger() {
  const TToken& t = lex_.Current();
  if (t.Kind != TTokenKind::Integer || !FitsInteger(t.Int)) Malformed();
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(lex_.Next().Int));
}

std::int64_t TReader::ReadInt64() {
  if (lex_.Current().Kind != TTokenKind::Integer) Malformed();
  return lex_.Next().Int;
}

double TReader::ReadFloat() {
  const TToken& t = lex_.Current();
  if (t.Kind == TTokenKind::Float) return lex_.Next().Float;
  if (t.Kind == TTokenKind::Integer) return static_cast<double>(lex_.Next().Int);
  Malformed();
}

std::string TReader::ReadString() {
  if (lex_.Current().Kind != TTokenKind::String) Malformed();
  return lex_.Next().Text;
}

std::string TReader::ReadIdent() {
  if (lex_.Current().Kind != TTokenKind::Ident) Malformed();
  return lex_.Next().Text;
}

bool TReader::ReadBoolean() {
  const TToken& t = lex_.Current();
  if (!t.IsIdent("True") && !t.IsIdent("False")) Malformed();
  return lex_.Next().IsIdent("True");
}

std::string TReader::ReadBinary() {
  if (lex_.Current().Kind != TTokenKind::Binary) Malformed();
  return lex_.Next().Text;
}

void TReader::SkipValue() {
  const TNesting nesting(depth_, lex_.Current().Line);
  const TToken& t = lex_.Current();
  switch (t.Kind) {
    case TTokenKind::Integer:
    case TTokenKind::Float:
    case TTokenKind::String:
    case TTokenKind::Binary:
    case TTokenKind::Ident:
      lex_.Next();
      return;
    case TTokenKind::Symbol:
      if (t.Is('[')) {
        while (!lex_.Current().Is(']')) {
          if (lex_.Current().Kind == TTokenKind::End) Malformed();
          lex_.Next();
        }
        lex_.Next();
        return;
      }
      if (t.Is('(')) {
        lex_.Next();
        while (!lex_.Current().Is(')')) SkipValue();
        lex_.Next();
        return;
      }
      if (t.Is('<')) {
        lex_.Next();
        while (!lex_.Current().Is('>')) {
          if (!lex_.Current().IsIdent("item")) Malformed();
          lex_.Next();
          while (!lex_.Current().IsIdent("end")) {
            if (lex_.Next().Kind != TTokenKind::Ident || !lex_.Current().Is('=')) Malformed();
            lex_.Next();
            SkipValue();
          }
          lex_.Next();
        }
        lex_.Next();
        return;
      }
      break;
    case TTokenKind::End:
      break;
  }
  Malformed();
}

}  // namespace lab
