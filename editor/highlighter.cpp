#include "editor/highlighter.h"

#include <algorithm>

#include "editor/settings_store.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/strutils.h"

namespace lab {

// ---- Attributes ----

void TCodeHighlighterAttributes::DeclareProperties(TPropertyDeclarer<TCodeHighlighterAttributes>& P) {
  P.Property("Background", &TCodeHighlighterAttributes::Background, &TCodeHighlighterAttributes::SetBackground)
      .Idents("TColor")
      .Default(clNone);
  P.Property("Foreground", &TCodeHighlighterAttributes::Foreground, &TCodeHighlighterAttributes::SetForeground)
      .Idents("TColor")
      .Default(clNone);
  P.Property("Style", &TCodeHighlighterAttributes::Style, &TCodeHighlighterAttributes::SetStyle)
      .Default(TFontStyles{});
}

void TCodeHighlighterAttributes::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TCodeHighlighterAttributes*>(Source)) {
    background_ = source->background_;
    foreground_ = source->foreground_;
    style_ = source->style_;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

void TCodeHighlighterAttributes::SetBackground(TColor Value) {
  if (background_ == Value) return;
  background_ = Value;
  Changed();
}

void TCodeHighlighterAttributes::SetForeground(TColor Value) {
  if (foreground_ == Value) return;
  foreground_ = Value;
  Changed();
}

void TCodeHighlighterAttributes::SetStyle(TFontStyles Value) {
  if (style_ == Value) return;
  style_ = Value;
  Changed();
}

bool TCodeHighlighterAttributes::LoadFromRegistry(const TCodeSettingsStore& Store, const std::string& Key) {
  if (!Store.KeyExists(Key)) return false;
  if (Store.ValueExists(Key, "Background")) SetBackground(Store.ReadInteger(Key, "Background", background_));
  if (Store.ValueExists(Key, "Foreground")) SetForeground(Store.ReadInteger(Key, "Foreground", foreground_));
  if (Store.ValueExists(Key, "Style"))
    SetStyle(TFontStyles::FromValue(static_cast<std::uint32_t>(Store.ReadInteger(Key, "Style", 0)) & 0x0F));
  return true;
}

void TCodeHighlighterAttributes::SaveToRegistry(TCodeSettingsStore& Store, const std::string& Key) const {
  Store.WriteInteger(Key, "Background", background_);
  Store.WriteInteger(Key, "Foreground", foreground_);
  Store.WriteInteger(Key, "Style", static_cast<int>(style_.Value()));
}

// ---- Highlighter ----

void TCodeCustomHighlighter::DeclareProperties(TPropertyDeclarer<TCodeCustomHighlighter>& P) {
  P.Property("DefaultFilter", &TCodeCustomHighlighter::DefaultFilter, &TCodeCustomHighlighter::SetDefaultFilter)
      .Stored([](TCodeCustomHighlighter& h) { return h.IsFilterStored(); });
  P.Property("Enabled", &TCodeCustomHighlighter::Enabled, &TCodeCustomHighlighter::SetEnabled).Default(true);
}

TCodeCustomHighlighter::TCodeCustomHighlighter(TComponent* AOwner)
    : TComponent(AOwner), attr_change_hooks_(this), word_break_chars_(U"!\"'()*+,-./:;=?[\\]^{|}") {}

TCodeCustomHighlighter::~TCodeCustomHighlighter() {
  // The attributes go last first, and tell nobody any more.
  while (!attributes_.empty()) {
    attributes_.back()->OnChange = nullptr;
    attributes_.pop_back();
  }
}

int TCodeCustomHighlighter::AttrCount() const { return static_cast<int>(attributes_.size()); }

TCodeHighlighterAttributes* TCodeCustomHighlighter::Attribute(int Index) const {
  if (Index < 0 || Index >= AttrCount()) return nullptr;
  return attributes_[static_cast<std::size_t>(Index)].get();
}

TCodeHighlighterAttributes* TCodeCustomHighlighter::AttributeByName(const std::string& Name) const {
  for (const auto& attribute : attributes_)
    if (SameText(attribute->Name(), Name)) return attribute.get();
  return nullptr;
}

void TCodeCustomHighlighter::AddAttribute(TCodeHighlighterAttributes* AAttrib) {
  std::unique_ptr<TCodeHighlighterAttributes> owned(AAttrib);
  const auto at = std::upper_bound(attributes_.begin(), attributes_.end(), AAttrib->Name(),
                                   [](const std::string& name, const auto& attribute) {
                                     return CompareText(name, attribute->Name()) < 0;
                                   });
  AAttrib->OnChange = [this](TObject* Sender) { DefHighlightChange(Sender); };
  attributes_.insert(at, std::move(owned));
}

TCodeCharSet TCodeCustomHighlighter::IdentChars() const { return TCodeCharSet::Range(33, 255); }

void TCodeCustomHighlighter::SetEnabled(bool Value) {
  if (enabled_ == Value) return;
  enabled_ = Value;
  DefHighlightChange(nullptr);
}

void TCodeCustomHighlighter::NextToEol() {
  while (!GetEol()) Next();
}

void TCodeCustomHighlighter::HookAttrChangeEvent(const TNotifyMethod& ANotifyEvent) {
  attr_change_hooks_.Add(ANotifyEvent);
}

void TCodeCustomHighlighter::UnhookAttrChangeEvent(const TNotifyMethod& ANotifyEvent) {
  attr_change_hooks_.Remove(ANotifyEvent);
}

void TCodeCustomHighlighter::BeginUpdate() { ++update_count_; }

void TCodeCustomHighlighter::EndUpdate() {
  if (update_count_ <= 0) return;
  if (--update_count_ == 0 && update_change_) {
    update_change_ = false;
    DefHighlightChange(nullptr);
  }
}

void TCodeCustomHighlighter::DefHighlightChange(TObject* /*Sender*/) {
  if (update_count_ > 0) {
    update_change_ = true;
    return;
  }
  if (!ComponentState().Contains(csLoading)) attr_change_hooks_.Fire();
}

void TCodeCustomHighlighter::Loaded() {
  TComponent::Loaded();
  DefHighlightChange(nullptr);
}

void TCodeCustomHighlighter::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TCodeCustomHighlighter*>(Source);
  if (!source) {
    TComponent::Assign(Source);
    return;
  }
  if (source == this) return;
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  for (int i = 0; i < source->AttrCount(); ++i) {
    TCodeHighlighterAttributes* from = source->Attribute(i);
    if (TCodeHighlighterAttributes* to = AttributeByName(from->Name())) to->Assign(from);
  }
  SetDefaultFilter(source->DefaultFilter());
  enabled_ = source->enabled_;
  update_change_ = true;
}

bool TCodeCustomHighlighter::LoadFromRegistry(const std::string& RootKey, const std::string& Key) {
  const TCodeSettingsStore store(RootKey);
  if (!store.KeyExists(Key)) return false;
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  for (const auto& attribute : attributes_) attribute->LoadFromRegistry(store, Key + "\\" + attribute->Name());
  return true;
}

bool TCodeCustomHighlighter::SaveToRegistry(const std::string& RootKey, const std::string& Key) {
  TCodeSettingsStore store(RootKey);  // other keys of the file are kept
  store.CreateKey(Key);
  for (const auto& attribute : attributes_) attribute->SaveToRegistry(store, Key + "\\" + attribute->Name());
  try {
    store.Save();
  } catch (const EStreamError&) {
    return false;
  }
  return true;
}

}  // namespace lab
