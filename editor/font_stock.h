#pragma once
// Fonts of the editor's text. TFontsInfoManager shares one record per base font among all editors:
// the sixteen style variants (bold, italic, underline, strike-out) of the font with their device
// fonts and cell metrics, made on first use. TFontStock is one editor's view of a record: its current
// style, device font and metrics.

#include <array>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/graphics_objects.h"
#include "platform/win/gdi.h"

namespace lab {

// One style variant: its device font (none until first used) and its metrics.
struct TFontStyleEntry {
  win::HFONT Handle = nullptr;
  int CharAdvance = 0;
  int DBCharAdvance = INT_MAX;
  int CharHeight = 0;
};

struct TSharedFontsInfo {
  int RefCount = 0;
  int LockCount = 0;
  std::unique_ptr<TFont> BaseFont;
  // The base font's logical font with italic, underline and strike-out cleared and nothing after
  // the face name's end: the record's identity, compared byte for byte. Those three styles do not
  // count, since every style variant is made from the base anyway; everything else does (a turned
  // or other-charset font must not borrow another's device fonts).
  win::LOGFONT BaseLF{};
  // No font is double-byte here: lines are UTF-32, every character one cell.
  bool IsDBCSFont = false;
  bool IsTrueType = false;
  // Indexed by the style set's value: bold 1, italic 2, underline 4, strike-out 8.
  std::array<TFontStyleEntry, 16> FontsData{};
};

class TFontsInfoManager : public TObject {
  LAB_CLASS(TFontsInfoManager, TObject)
 public:
  TFontsInfoManager() = default;
  ~TFontsInfoManager() override;
  TFontsInfoManager(const TFontsInfoManager&) = delete;
  TFontsInfoManager& operator=(const TFontsInfoManager&) = delete;

  // The record of ABaseFont, made when there is none; one more reference.
  TSharedFontsInfo* GetFontsInfo(TFont* ABaseFont);
  // One reference less; the last one frees the record. A record must be unlocked by every user
  // before its last release.
  void ReleaseFontsInfo(TSharedFontsInfo* pFontsInfo);
  void LockFontsInfo(TSharedFontsInfo* pFontsInfo);
  // The last unlock deletes the record's device fonts.
  void UnLockFontsInfo(TSharedFontsInfo* pFontsInfo);
  int Count() const { return static_cast<int>(list_.size()); }

 private:
  std::vector<std::unique_ptr<TSharedFontsInfo>> list_;
};

// The process's manager, made on first request and freed at exit.
TFontsInfoManager& GetFontsInfoManager();

class TFontStock : public TObject {
  LAB_CLASS(TFontStock, TObject)
 public:
  explicit TFontStock(TFont* InitialFont);
  ~TFontStock() override;
  TFontStock(const TFontStock&) = delete;
  TFontStock& operator=(const TFontStock&) = delete;

  TFont* BaseFont() const { return info_ ? info_->BaseFont.get() : nullptr; }
  // Raises EFontStockException for nullptr.
  virtual void SetBaseFont(TFont* Value);
  TFontStyles Style() const { return style_; }
  virtual void SetStyle(TFontStyles Value);
  win::HFONT FontHandle() const { return font_; }
  int CharAdvance() const { return GetCharAdvance(); }
  int CharHeight() const { return GetCharHeight(); }
  int DBCharAdvance() const { return GetDBCharAdvance(); }
  TSharedFontsInfo* FontsInfo() const { return info_; }
  // Gives the record's device fonts back (the last user deletes them); the next SetStyle makes
  // them again.
  virtual void ReleaseFontHandles();

 protected:
  // The screen context the fonts are measured on, shared and counted.
  virtual win::HDC InternalGetDC();
  virtual void InternalReleaseDC(win::HDC Value);
  virtual win::HFONT CreateFont(TFontStyles Style);
  // Answers the advance of the font selected into DC, and its height (and, when DBCharAdvance is
  // given, the double-byte advance).
  virtual int CalcFontAdvance(win::HDC DC, int* CharHeight, int* DBCharAdvance);
  virtual int GetCharAdvance() const { return entry_ ? entry_->CharAdvance : 0; }
  virtual int GetCharHeight() const { return entry_ ? entry_->CharHeight : 0; }
  virtual int GetDBCharAdvance() const { return entry_ ? entry_->DBCharAdvance : 0; }
  virtual TFontStyleEntry* GetFontData(int Index);

 private:
  win::HDC dc_ = nullptr;
  int dc_refs_ = 0;
  TSharedFontsInfo* info_ = nullptr;
  bool used_ = false;  // the record is locked by this stock
  win::HFONT font_ = nullptr;
  TFontStyles style_;
  TFontStyleEntry* entry_ = nullptr;
  win::LOGFONT base_lf_{};
};

}  // namespace lab
