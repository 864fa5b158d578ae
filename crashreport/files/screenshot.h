#pragma once
// The picture of the program's screen at an exception, taken before any dialog shows, and its file
// "Screenshot.png" (attachments.h names it): the foreground window as the windows show it, or with
// bit 5 of SendFlags the whole screen, with a red frame two pixels wide around the control that had
// the focus and the mouse cursor of the moment, reduced to 256 colours (color_octree.h) and written
// as an 8-bit indexed PNG (png_writer.h). The pixels come through the crash reporter's GUI
// (crash_gui.h): the surfaces of the program's windows. One picture at a time, under the handler lock.

#include <string>

#include "crashreport/dialogs/crash_gui.h"

namespace lab {

class TStream;

// Takes the picture with the options in force, the focused window and the cursor that the process
// state remembers (FocusedWindow, Cursor) and the mouse position now. An area of no width or height
// gives a picture of one pixel in that direction; where the windows show nothing it is black.
void CaptureScreenshot();
// The picture taken last (no pixels when none is kept).
const TCrashPicture& CapturedScreenshot();
// Writes the picture as an 8-bit indexed PNG: each pixel is the entry of the reduced palette that its
// octree leaf stands for. Raises EInvalidOperation when no picture is kept.
void SaveBitmapAsPNG(TStream& Stream);
// Writes that PNG to FileName. Nothing is written for an empty name or without a picture; a failure
// leaves no file and is swallowed, so the report goes on without the attachment.
void SaveScreenshotToFile(const std::string& FileName);
// Lets the picture go. May always be called.
void FreeScreenshot();

}  // namespace lab
