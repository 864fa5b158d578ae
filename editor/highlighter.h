#pragma once
// TCodeCustomHighlighter: the base of the syntax highlighters an editor can be given. It owns named
// token attributes (colours and font style), tells the editors hooked to it when one changes, and
// scans a line token by token, keeping a state per line end that the editor stores in its line list.
// No concrete highlighter belongs to the system; editors run without one.

#include <memory>
#include <string>
#include <vector>

#include "editor/method_chain.h"
#include "editor/text_buffer.h"
#include "editor/text_routines.h"
#include "platform/classes/component.h"
#include "platform/classes/properties.h"
#include "platform/graphics/graphics_objects.h"

namespace lab {

class TCodeSettingsStore;

// One kind of token's look. Setting a property tells the owning highlighter.
class TCodeHighlighterAttributes : public TPersistent {
  LAB_CLASS(TCodeHighlighterAttributes, TPersistent)
  LAB_PROPERTIES(TCodeHighlighterAttributes, TPersistent)
 public:
  explicit TCodeHighlighterAttributes(std::string AName) : name_(std::move(AName)) {}

  // Copies colours and style and reports one change.
  void Assign(TPersistent* Source) override;

  const std::string& Name() const { return name_; }
  // clNone: the editor's own colour.
  TColor Background() const { return background_; }
  void SetBackground(TColor Value);
  TColor Foreground() const { return foreground_; }
  void SetForeground(TColor Value);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles Value);

  // The integer values "Background", "Foreground" and "Style" (bold 1, italic 2, underline 4,
  // strike-out 8) under Key; a missing value is left as it is. Loading answers whether Key exists.
  bool LoadFromRegistry(const TCodeSettingsStore& Store, const std::string& Key);
  void SaveToRegistry(TCodeSettingsStore& Store, const std::string& Key) const;

  TNotifyEvent OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange(this);
  }

  std::string name_;
  TColor background_ = clNone;
  TColor foreground_ = clNone;
  TFontStyles style_;
};

enum TCodeHighlighterCapability { hcUserSettings, hcRegistry };
using TCodeHighlighterCapabilities = TSet<TCodeHighlighterCapability>;

class TCodeCustomHighlighter : public TComponent {
  LAB_CLASS(TCodeCustomHighlighter, TComponent)
  LAB_PROPERTIES(TCodeCustomHighlighter, TComponent)
 public:
  explicit TCodeCustomHighlighter(TComponent* AOwner);
  ~TCodeCustomHighlighter() override;

  // ---- Attributes ----
  virtual int AttrCount() const;
  // In the order of their names; nullptr outside 0 .. AttrCount - 1.
  virtual TCodeHighlighterAttributes* Attribute(int Index) const;
  TCodeHighlighterAttributes* AttributeByName(const std::string& Name) const;

  // ---- Description ----
  virtual TCodeHighlighterCapabilities Capabilities() const { return {hcRegistry}; }
  virtual std::string LanguageName() const { return "<Unknown>"; }
  // Characters that make up identifiers: every one from 33 to 255 here.
  virtual TCodeCharSet IdentChars() const;
  virtual TCodeCharSet WordBreakChars() const { return word_break_chars_; }
  virtual void SetWordBreakChars(const TCodeCharSet& Value) { word_break_chars_ = Value; }
  // The file-dialog filter of the language.
  virtual std::string DefaultFilter() const { return default_filter_; }
  virtual void SetDefaultFilter(const std::string& Value) { default_filter_ = Value; }
  virtual bool IsFilterStored() const { return true; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);

  // ---- Scanning a line ----
  virtual void SetLine(const std::u32string& NewValue, int LineNumber) = 0;
  // The state at the end of the line scanned last; the base keeps none and answers 0.
  virtual TCodeEditRange GetRange() const { return 0; }
  virtual void SetRange(TCodeEditRange /*Value*/) {}
  virtual void ResetRange() {}
  virtual bool GetEol() const = 0;
  virtual void Next() = 0;
  virtual std::u32string GetToken() const = 0;
  virtual int GetTokenKind() const = 0;
  virtual TCodeHighlighterAttributes* GetTokenAttribute() const = 0;
  // 0-based position of the token in the line.
  virtual int GetTokenPos() const = 0;
  // Scans to the end of the line.
  void NextToEol();

  // ---- Change notification ----
  void HookAttrChangeEvent(const TNotifyMethod& ANotifyEvent);
  void UnhookAttrChangeEvent(const TNotifyMethod& ANotifyEvent);
  // Changes made inside an update are reported once, at its end.
  void BeginUpdate();
  void EndUpdate();

  // Assigns each attribute of Source to the one of the same name here, copies the filter and
  // Enabled, then reports one change.
  void Assign(TPersistent* Source) override;

  // The attributes under Key of the store in file RootKey, one sub-key each, named after the
  // attribute. Loading answers false when the file or the key is missing; saving when the file
  // cannot be written (the old file then stays as it was).
  bool LoadFromRegistry(const std::string& RootKey, const std::string& Key);
  bool SaveToRegistry(const std::string& RootKey, const std::string& Key);

 protected:
  // Takes over AAttrib; its changes are reported to the hooked editors.
  void AddAttribute(TCodeHighlighterAttributes* AAttrib);
  // Reports a change to the hooked editors, or marks it inside an update or while loading.
  void DefHighlightChange(TObject* Sender);
  void Loaded() override;

 private:
  std::vector<std::unique_ptr<TCodeHighlighterAttributes>> attributes_;  // sorted by name
  TCodeNotifyEventChain attr_change_hooks_;
  int update_count_ = 0;
  bool update_change_ = false;
  bool enabled_ = true;
  TCodeCharSet word_break_chars_;
  std::string default_filter_;
};

}  // namespace lab
