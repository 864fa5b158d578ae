#pragma once
// What the standard controls share with the windows they sit in, dialogs above all: the click
// notification to the parent window, '&' mnemonics, and the colours a parent gives its static
// controls.

#include <string>

#include "platform/controls/standard_controls.h"
#include "platform/graphics/gdi.h"

namespace lab {

class TWinControl;

// Tells the parent window that Control was clicked (WM_COMMAND, BN_CLICKED, its window ID).
void NotifyClicked(TWinControl* Control);
// Whether Key (a character) is the '&' mnemonic of Text: "&OK" has 'o' and 'O'.
bool IsMnemonic(char32_t Key, const std::string& Text);
// Asks Control's parent window for its colours by WM_CTLCOLORSTATIC, DC set up with Control's own
// (its font colour on its colour, opaque) first: the parent may change the DC's text colour and
// background mode and answer a brush for the background. Answers that brush, or nullptr when the
// parent leaves the control its own colours (a form's controls, which get the message back).
win::HBRUSH ParentColors(TWinControl* Control, win::HDC DC);

}  // namespace lab
