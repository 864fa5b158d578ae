#include "editor/font_stock.h"

#include <cstdlib>
#include <cstring>

#include "editor/edit_exceptions.h"

namespace lab {

namespace {

constexpr const char* kUnit = "CodeTextDrawer";

win::LOGFONT BaseLogFont(TFont* Font) {
  win::LOGFONT lf = Font->LogFont();
  lf.lfItalic = 0;
  lf.lfUnderline = 0;
  lf.lfStrikeOut = 0;
  // Nothing after the name's end may tell two equal fonts apart.
  const std::size_t length = strnlen(lf.lfFaceName, sizeof(lf.lfFaceName));
  std::memset(lf.lfFaceName + length, 0, sizeof(lf.lfFaceName) - length);
  return lf;
}

}  // namespace

// ---- Shared records ----

TFontsInfoManager::~TFontsInfoManager() {
  // Records still in use are freed with it; nothing may raise here.
  for (auto& info : list_)
    for (TFontStyleEntry& entry : info->FontsData)
      if (entry.Handle) win::DeleteObject(entry.Handle);
}

TSharedFontsInfo* TFontsInfoManager::GetFontsInfo(TFont* ABaseFont) {
  const win::LOGFONT lf = BaseLogFont(ABaseFont);
  for (auto& info : list_)
    if (std::memcmp(&info->BaseLF, &lf, sizeof lf) == 0) {
      ++info->RefCount;
      return info.get();
    }
  auto info = std::make_unique<TSharedFontsInfo>();
  info->BaseFont = std::make_unique<TFont>();
  info->BaseFont->Assign(ABaseFont);
  info->BaseLF = lf;
  info->IsTrueType = (lf.lfPitchAndFamily & win::TMPF_TRUETYPE) != 0;
  info->RefCount = 1;
  list_.push_back(std::move(info));
  return list_.back().get();
}

void TFontsInfoManager::ReleaseFontsInfo(TSharedFontsInfo* pFontsInfo) {
  if (!pFontsInfo) return;
  if (pFontsInfo->LockCount >= pFontsInfo->RefCount)
    CodeAssertionFailed(kUnit, "Call DeactivateFontsInfo before calling this.");
  if (pFontsInfo->RefCount > 1) {
    --pFontsInfo->RefCount;
    return;
  }
  for (auto it = list_.begin(); it != list_.end(); ++it)
    if (it->get() == pFontsInfo) {
      list_.erase(it);
      return;
    }
}

void TFontsInfoManager::LockFontsInfo(TSharedFontsInfo* pFontsInfo) { ++pFontsInfo->LockCount; }

void TFontsInfoManager::UnLockFontsInfo(TSharedFontsInfo* pFontsInfo) {
  if (--pFontsInfo->LockCount > 0) return;
  for (TFontStyleEntry& entry : pFontsInfo->FontsData)
    if (entry.Handle) {
      win::DeleteObject(entry.Handle);
      entry.Handle = nullptr;
    }
}

TFontsInfoManager& GetFontsInfoManager() {
  // Never freed: editors may be freed by exit handlers and static destructors that run after it.
  static auto* manager = new TFontsInfoManager;
  return *manager;
}

// ---- Font stock ----

TFontStock::TFontStock(TFont* InitialFont) { SetBaseFont(InitialFont); }

TFontStock::~TFontStock() {
  ReleaseFontHandles();
  if (info_ && info_->LockCount < info_->RefCount) GetFontsInfoManager().ReleaseFontsInfo(info_);
}

win::HDC TFontStock::InternalGetDC() {
  if (dc_refs_++ == 0) dc_ = win::CreateCompatibleDC(nullptr);
  return dc_;
}

void TFontStock::InternalReleaseDC(win::HDC Value) {
  if (Value != dc_) CodeAssertionFailed(kUnit);
  if (--dc_refs_ <= 0) {
    win::DeleteDC(dc_);
    dc_ = nullptr;
    dc_refs_ = 0;
  }
}

win::HFONT TFontStock::CreateFont(TFontStyles Style) {
  win::LOGFONT lf = base_lf_;
  lf.lfWeight = Style.Contains(fsBold) ? win::FW_BOLD : win::FW_NORMAL;
  lf.lfItalic = Style.Contains(fsItalic) ? 1 : 0;
  lf.lfUnderline = Style.Contains(fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = Style.Contains(fsStrikeOut) ? 1 : 0;
  return win::CreateFontIndirect(&lf);
}

int TFontStock::CalcFontAdvance(win::HDC DC, int* CharHeight, int* DBCharAdvance) {
  win::TEXTMETRIC tm{};
  win::GetTextMetrics(DC, &tm);
  if (CharHeight) *CharHeight = std::abs(tm.tmHeight);
  win::ABC abc{};
  if (!win::GetCharABCWidths(DC, 'M', 'M', &abc)) {
    abc.abcA = 0;
    abc.abcB = static_cast<win::UINT>(tm.tmAveCharWidth);
    abc.abcC = 0;
  }
  const int advance = abc.abcA + static_cast<int>(abc.abcB) + abc.abcC + tm.tmOverhang;
  if (DBCharAdvance) {
    *DBCharAdvance = INT_MAX;
    if (info_ && info_->IsDBCSFont && tm.tmCharSet == win::SHIFTJIS_CHARSET) {
      win::ABC a1{}, a2{};
      if (win::GetCharABCWidths(DC, 0x8201, 0x8201, &a1) && win::GetCharABCWidths(DC, 0x82A0, 0x82A0, &a2)) {
        const int w1 = a1.abcA + static_cast<int>(a1.abcB) + a1.abcC;
        const int w2 = a2.abcA + static_cast<int>(a2.abcB) + a2.abcC;
        if (w1 == w2 && 2 * w1 >= 3 * advance) *DBCharAdvance = w1;
      }
    }
  }
  return advance;
}

TFontStyleEntry* TFontStock::GetFontData(int Index) { return &info_->FontsData[static_cast<std::size_t>(Index)]; }

void TFontStock::SetBaseFont(TFont* Value) {
  if (!Value) throw EFontStockException("SetBaseFont: 'Value' must be specified.");
  TFontsInfoManager& manager = GetFontsInfoManager();
  TSharedFontsInfo* info = manager.GetFontsInfo(Value);
  if (info == info_) {
    manager.ReleaseFontsInfo(info);
    return;
  }
  ReleaseFontHandles();
  if (info_) manager.ReleaseFontsInfo(info_);
  info_ = info;
  base_lf_ = info->BaseLF;
  // The style in use is made again from the new record.
  entry_ = nullptr;
  SetStyle(style_);
}

void TFontStock::SetStyle(TFontStyles Value) {
  const auto index = Value.Value();
  if (index > 15) CodeAssertionFailed(kUnit);
  if (!used_) {
    used_ = true;
    GetFontsInfoManager().LockFontsInfo(info_);
  }
  TFontStyleEntry* entry = GetFontData(static_cast<int>(index));
  style_ = Value;
  if (entry == entry_) return;
  entry_ = entry;
  if (!entry->Handle) {
    entry->Handle = CreateFont(Value);
    win::HDC dc = InternalGetDC();
    win::HGDIOBJ old = win::SelectObject(dc, entry->Handle);
    entry->CharAdvance = CalcFontAdvance(dc, &entry->CharHeight, info_->IsDBCSFont ? &entry->DBCharAdvance : nullptr);
    win::SelectObject(dc, old);
    InternalReleaseDC(dc);
  }
  font_ = entry->Handle;
}

void TFontStock::ReleaseFontHandles() {
  if (!used_) return;
  used_ = false;
  GetFontsInfoManager().UnLockFontsInfo(info_);
  font_ = nullptr;
  entry_ = nullptr;
}

}  // namespace lab
