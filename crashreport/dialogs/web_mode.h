#pragma once
// Programs that a web server runs must not show dialogs: a failed request is answered with an HTML
// error page instead. The web-server kind that exists here is CGI: a program started with
// REQUEST_METHOD in its environment and without a window of its own, answering on its standard
// output. The page is made from the options' HTMLTemplate and written with "Status: 500".

#include <string>
#include <string_view>

namespace lab {

// A program without a top-level window of its own.
bool IsConsoleApplication();
// A console program with REQUEST_METHOD in its environment.
bool IsCGIApplication();
// CGI is the only web-server kind here.
bool IsWebApplication();
// Neither a web nor a console program.
bool IsGUIApplication();

// The OK button that takes the browser back a page.
extern const char* const kWebOkButton;

// The page of Template (made one line and trimmed; the default template when empty) with every
// "<%HTML_TAG%>" (in any case) replaced by Body, "<title>Title</title>" put in front when it has no
// title, and a new page ID comment "<!-- CrashLog ID: XXXXXXXX -->" at the end.
std::string BuildHTMLPage(std::string_view Template, std::string_view Title, std::string_view Body);
// The same from the options in force (HTMLTemplate, text 2 as the title).
std::string BuildHTMLPage(std::string_view Body);
// The page of Message made safe for HTML, with the OK button when asked.
std::string BuildHTMLErrorPage(std::string_view Message, bool OkButton);
// The 8 hexadecimal digits of the last page's ID; empty before the first page.
std::string WebPageID();

// Writes the response header and Page to the standard output. False, with the internal warning
// "CGI: Cannot write in the ouput file.", when the header cannot be written.
bool SendWebErrorPage(std::string_view Page);
// The report's output in a web program: the error page of the introduction and the report text,
// with the OK button unless the template has one. True when written.
bool ShowWebErrorOutput(std::string_view Introduction, std::string_view Text);

}  // namespace lab
