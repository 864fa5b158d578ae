#pragma once
// The fonts the crash reporter's dialogs draw in, made when a dialog starts and freed when it ends:
// the caption's, the message's (its controls and buttons), the support link's, the fixed font of
// the custom data and the font of the call-stack and module lists. A locale whose character set is
// not the western one gets 10 points and monospaced lists; else 8 points.

#include "crashreport/report/report_rtf.h"
#include "platform/graphics/gdi_objects.h"

namespace lab {

class TDialogFonts {
 public:
  TDialogFonts();
  ~TDialogFonts();
  TDialogFonts(const TDialogFonts&) = delete;
  TDialogFonts& operator=(const TDialogFonts&) = delete;

  // Bold, as high as the system's caption font, variable pitch, swiss family.
  win::HFONT Caption() const noexcept { return caption_; }
  // The system's message font.
  win::HFONT Message() const noexcept { return message_; }
  // The message font, bold and underlined.
  win::HFONT Link() const noexcept { return link_; }
  // Normal weight, fixed pitch, modern family, of the point size at the screen's pixels per inch.
  win::HFONT Fixed() const noexcept { return fixed_; }
  win::HFONT List() const noexcept { return list_; }
  // The fixed font's face and size, for the report's rich text.
  const TReportFont& Report() const noexcept { return report_; }

 private:
  win::HFONT caption_ = nullptr, message_ = nullptr, link_ = nullptr, fixed_ = nullptr, list_ = nullptr;
  TReportFont report_;
};

}  // namespace lab
