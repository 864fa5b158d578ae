#pragma once
// Small component, collection and sub-object classes that exercise the object model, the property
// tables and form streaming.

#include <memory>
#include <string>
#include <vector>

#include "platform/classes/class_registry.h"
#include "platform/classes/collection.h"
#include "platform/classes/component.h"
#include "platform/classes/filer.h"
#include "platform/classes/properties.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/string_list.h"

namespace lab::test {

enum TShade { shLight, shMedium, shDark };
LAB_ENUM_NAMES(TShade, "shLight", "shMedium", "shDark")

enum TGadgetOption { goAlpha, goBeta, goGamma, goDelta };
LAB_ENUM_NAMES(TGadgetOption, "goAlpha", "goBeta", "goGamma", "goDelta")
using TGadgetOptions = TSet<TGadgetOption>;

class TTestFont : public TPersistent {
  LAB_CLASS(TTestFont, TPersistent)
  LAB_PROPERTIES(TTestFont, TPersistent)
 public:
  std::string Name() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }
  int Size() const { return size_; }
  void SetSize(int v) { size_ = v; }
  void Assign(TPersistent* Source) override {
    if (auto* f = dynamic_cast<TTestFont*>(Source)) {
      name_ = f->name_;
      size_ = f->size_;
      return;
    }
    TPersistent::Assign(Source);
  }

 private:
  std::string name_ = "sans-serif";
  int size_ = 8;
};
inline void TTestFont::DeclareProperties(TPropertyDeclarer<TTestFont>& P) {
  P.Property("Name", &TTestFont::Name, &TTestFont::SetName).Stored([](TTestFont& F) { return F.Name() != "sans-serif"; });
  P.Property("Size", &TTestFont::Size, &TTestFont::SetSize).Default(8);
}

// A sub-object with a nested sub-object and an integer with named values ("TTestColor").
class TCaptionBox : public TPersistent {
  LAB_CLASS(TCaptionBox, TPersistent)
  LAB_PROPERTIES(TCaptionBox, TPersistent)
 public:
  std::string Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  std::uint32_t Color() const { return color_; }
  void SetColor(std::uint32_t v) { color_ = v; }
  TTestFont* Font() { return &font_; }
  void Assign(TPersistent* Source) override {
    if (auto* b = dynamic_cast<TCaptionBox*>(Source)) {
      caption_ = b->caption_;
      color_ = b->color_;
      font_.Assign(&b->font_);
      return;
    }
    TPersistent::Assign(Source);
  }

 private:
  std::string caption_;
  std::uint32_t color_ = 0xFF000005;
  TTestFont font_;
};
inline void TCaptionBox::DeclareProperties(TPropertyDeclarer<TCaptionBox>& P) {
  P.Property("Caption", &TCaptionBox::Caption, &TCaptionBox::SetCaption);
  P.Property("Color", &TCaptionBox::Color, &TCaptionBox::SetColor).Idents("TTestColor").Default(0xFF000005u);
  P.Property("Font", &TCaptionBox::Font);
}

// Registers "clTestWindow" (0xFF000005) and "clTestRed" (0x0000FF) for TTestColor.
void RegisterTestColors();

class TTestGadget;

class TTestItem : public TCollectionItem {
  LAB_CLASS(TTestItem, TCollectionItem)
  LAB_PROPERTIES(TTestItem, TCollectionItem)
 public:
  explicit TTestItem(TCollection* Collection) : TCollectionItem(Collection) {}
  std::string FieldName() const { return field_name_; }
  void SetFieldName(const std::string& v) { field_name_ = v; Changed(false); }
  int Width() const { return width_; }
  void SetWidth(int v) { width_ = v; Changed(false); }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  TCaptionBox* Title() { return &title_; }
  TTestGadget* Buddy() const { return buddy_; }
  void SetBuddy(TTestGadget* v) { buddy_ = v; }
  TNotifyEvent OnPing;
  void Assign(TPersistent* Source) override {
    if (auto* i = dynamic_cast<TTestItem*>(Source)) {
      field_name_ = i->field_name_;
      width_ = i->width_;
      visible_ = i->visible_;
      title_.Assign(&i->title_);
      buddy_ = i->buddy_;
      return;
    }
    TCollectionItem::Assign(Source);
  }

 protected:
  std::string GetDisplayName() override { return field_name_.empty() ? TCollectionItem::GetDisplayName() : field_name_; }

 private:
  std::string field_name_;
  int width_ = 64;
  bool visible_ = true;
  TCaptionBox title_;
  TTestGadget* buddy_ = nullptr;
};
inline void TTestItem::DeclareProperties(TPropertyDeclarer<TTestItem>& P) {
  P.Property("FieldName", &TTestItem::FieldName, &TTestItem::SetFieldName);
  P.Property("Width", &TTestItem::Width, &TTestItem::SetWidth).Default(64);
  P.Property("Visible", &TTestItem::Visible, &TTestItem::SetVisible).Default(true);
  P.Property("Title", &TTestItem::Title);
  P.Property("Buddy", &TTestItem::Buddy, &TTestItem::SetBuddy);
  P.Property("OnPing", &TTestItem::OnPing);
}

// Records what the collection tells its descendants.
class TTestItems : public TOwnedCollection {
  LAB_CLASS(TTestItems, TOwnedCollection)
 public:
  explicit TTestItems(TPersistent* Owner) : TOwnedCollection(Owner, MetaClass<TTestItem>()) {}
  TTestItem* Items(int Index) const { return static_cast<TTestItem*>(TCollection::Items(Index)); }
  TTestItem* Add() { return static_cast<TTestItem*>(TCollection::Add()); }

  std::vector<TCollectionItem*> Updates;  // nullptr: the whole collection
  std::vector<std::pair<TCollectionNotification, std::string>> Notes;

 protected:
  void Update(TCollectionItem* Item) override { Updates.push_back(Item); }
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
    // The item is whole here: its own virtual functions still answer.
    Notes.emplace_back(Action, Item->DisplayName());
  }
};

class TTestGadget : public TComponent {
  LAB_CLASS(TTestGadget, TComponent)
  LAB_PROPERTIES(TTestGadget, TComponent)
 public:
  explicit TTestGadget(TComponent* AOwner) : TComponent(AOwner), items_(this) {
    lines_.SetText("");
  }

  int Count() const { return count_; }
  void SetCount(int v) { count_ = v; }
  std::int64_t Big() const { return big_; }
  void SetBig(std::int64_t v) { big_ = v; }
  double Ratio() const { return ratio_; }
  void SetRatio(double v) { ratio_ = v; }
  double Scale() const { return scale_; }
  void SetScale(double v) { scale_ = v; }
  std::string Text() const { return text_; }
  void SetText(const std::string& v) {
    text_ = v;
    text_set_while_loading_ = ComponentState().Contains(csLoading) && ComponentState().Contains(csReading);
  }
  TShade Shade() const { return shade_; }
  void SetShade(TShade v) { shade_ = v; }
  TGadgetOptions Options() const { return options_; }
  void SetOptions(TGadgetOptions v) { options_ = v; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  TCaptionBox* Title() { return &title_; }
  TTestItems* Items() { return &items_; }
  TStringList* Lines() { return &lines_; }
  TTestGadget* Partner() const { return partner_; }
  void SetPartner(TTestGadget* v) {
    if (partner_) partner_->RemoveFreeNotification(this);
    partner_ = v;
    if (partner_) partner_->FreeNotification(this);
  }
  TNotifyEvent OnClick;

  // Streamed through DefineProperties only.
  int Secret = 0;
  std::string Blob;

  bool TextSetWhileLoading() const { return text_set_while_loading_; }
  int LoadedCalls = 0;
  // What Loaded saw: the partner was already resolved.
  bool PartnerResolvedAtLoaded = false;
  std::vector<std::pair<TComponent*, TOperation>> Heard;

  void DefineProperties(TFiler& Filer) override {
    TComponent::DefineProperties(Filer);
    auto* ancestor = dynamic_cast<TTestGadget*>(Filer.Ancestor());
    Filer.DefineProperty(
        "Secret", [this](TReader& R) { Secret = R.ReadInteger(); }, [this](TWriter& W) { W.WriteInteger(Secret); },
        ancestor ? Secret != ancestor->Secret : Secret != 0);
    Filer.DefineBinaryProperty(
        "Blob",
        [this](TStream& S) {
          Blob.assign(static_cast<std::size_t>(S.Size()), '\0');
          S.ReadBuffer(Blob.data(), S.Size());
        },
        [this](TStream& S) { S.WriteBuffer(Blob.data(), static_cast<std::int64_t>(Blob.size())); },
        ancestor ? Blob != ancestor->Blob : !Blob.empty());
    // Read only: items in a collection are added; any other value is passed over.
    Filer.DefineProperty(
        "Spare",
        [this](TReader& R) {
          if (R.NextValue() == vaCollection) R.ReadCollection(&spare_);
          else R.SkipValue();
          for (int i = 0; i < spare_.Count(); ++i) items_.Add()->Assign(spare_.Items(i));
        },
        nullptr, false);
  }

 protected:
  void Loaded() override {
    TComponent::Loaded();
    ++LoadedCalls;
    PartnerResolvedAtLoaded = partner_ != nullptr;
  }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    Heard.emplace_back(AComponent, Operation);
    if (Operation == opRemove && AComponent == partner_) partner_ = nullptr;
  }

 private:
  int count_ = 0;
  std::int64_t big_ = 0;
  double ratio_ = 0;
  double scale_ = 1.0;
  std::string text_;
  bool text_set_while_loading_ = false;
  TShade shade_ = shMedium;
  TGadgetOptions options_{goAlpha};
  bool enabled_ = true;
  TCaptionBox title_;
  TTestItems items_;
  TTestItems spare_{nullptr};
  TStringList lines_;
  TTestGadget* partner_ = nullptr;
};
inline void TTestGadget::DeclareProperties(TPropertyDeclarer<TTestGadget>& P) {
  P.Property("Count", &TTestGadget::Count, &TTestGadget::SetCount);
  P.Property("Big", &TTestGadget::Big, &TTestGadget::SetBig).Default(0);
  P.Property("Ratio", &TTestGadget::Ratio, &TTestGadget::SetRatio);
  P.Property("Scale", &TTestGadget::Scale, &TTestGadget::SetScale).Default(1.0);
  P.Property("Text", &TTestGadget::Text, &TTestGadget::SetText);
  P.Property("Shade", &TTestGadget::Shade, &TTestGadget::SetShade).Default(shMedium);
  P.Property("Options", &TTestGadget::Options, &TTestGadget::SetOptions).Default({goAlpha});
  P.Property("Enabled", &TTestGadget::Enabled, &TTestGadget::SetEnabled).Default(true);
  P.Property("Title", &TTestGadget::Title);
  P.Property("Items", &TTestGadget::Items);
  P.Property("Lines", &TTestGadget::Lines);
  P.Property("Partner", &TTestGadget::Partner, &TTestGadget::SetPartner);
  P.Property("OnClick", &TTestGadget::OnClick);
}

// A gadget that redeclares a property with another default and adds a read-only one.
class TBigGadget : public TTestGadget {
  LAB_CLASS(TBigGadget, TTestGadget)
  LAB_PROPERTIES(TBigGadget, TTestGadget)
 public:
  using TTestGadget::TTestGadget;
  int Serial() const { return 42; }
};
inline void TBigGadget::DeclareProperties(TPropertyDeclarer<TBigGadget>& P) {
  P.Property("Shade", &TBigGadget::Shade, &TBigGadget::SetShade).Default(shDark);
  P.Property("Serial", &TBigGadget::Serial);
}

// A component that owns the components read inside it, as a frame does.
class TTestFrame : public TComponent {
  LAB_CLASS(TTestFrame, TComponent)
 public:
  explicit TTestFrame(TComponent* AOwner) : TComponent(AOwner) {
    auto* inner = new TTestGadget(this);
    inner->SetName("Inner");
    inner->SetCount(1);
  }
  TComponent* GetChildOwner() override { return this; }
};

// Publishes a component it owns as part of itself, as the grid does with its sum list.
class TSumHost : public TComponent {
  LAB_CLASS(TSumHost, TComponent)
  LAB_PROPERTIES(TSumHost, TComponent)
 public:
  explicit TSumHost(TComponent* AOwner) : TComponent(AOwner), helper_(new TTestGadget(this)) {
    helper_->SetName("Helper");
    helper_->SetSubComponent(true);
  }
  TTestGadget* Helper() const { return helper_; }

 private:
  TTestGadget* helper_;
};
inline void TSumHost::DeclareProperties(TPropertyDeclarer<TSumHost>& P) {
  P.Property("Helper", &TSumHost::Helper);
}

// The root of test forms.
class TTestForm : public TComponent {
  LAB_CLASS(TTestForm, TComponent)
 public:
  using TComponent::TComponent;
};

// Registers every class above (once).
void RegisterTestClasses();

}  // namespace lab::test
