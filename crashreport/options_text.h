#pragma once
// The crash reporter's options as a text a person writes, which the build step lab_add_crdata turns
// into the options stream built into a program. One setting a line, "Name = value", named as
// TCrashModuleOptions names it (any case); lines that are blank or begin with "#" are left alone, and
// settings not given keep their defaults:
//
//   # Crash reporting of the lab program
//   EmailSendMode = 2
//   SMTPHost = mail.lab.example
//   EmailAddresses = support@lab.example
//   LogFlags = 0x31
//   FreezeActive = true
//   FreezeMessage = "The lab program stopped answering.\r\nIt is ended."
//   CustomizedTexts[2] = Lab error
//   ExceptionFilterClasses[0] = lab::EAbort
//
// Values: flags are true or false; numbers decimal or hexadecimal (0x...) within the setting's range
// (a flag set within its width, a mode among its documented values); texts stand as written, blanks
// around them dropped, or in double quotes, where \" \\ \r \n and \t stand for what they name. The
// 96 texts and the two filter lists take an index in brackets (lines of a list not given are empty).

#include <string>
#include <string_view>

#include "platform/rtl/exceptions.h"

namespace lab {

class TCrashModuleOptions;

// A setting the text names wrongly or gives a bad value: the message is "file:line: name: what".
LAB_EXCEPTION(EOptionsTextError, EConvertError);

// Sets Options from Text (FileName names it in errors). The first bad line raises EOptionsTextError;
// what came before it is set.
void ReadOptionsText(std::string_view Text, const std::string& FileName, TCrashModuleOptions& Options);

}  // namespace lab
