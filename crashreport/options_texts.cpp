// The default texts of the crash reporter's dialogs and report.

#include "crashreport/options.h"

namespace lab {

const std::array<const char*, kCustomizedTextCount> kDefaultCustomizedTexts = {
    // Message captions
    "Information.", "Question.",
    // Exception dialog (2 to 21)
    "Error.",
    "An error has occurred during program execution.\r\n"
    "Please read the following information for further details.",
    "General", "General Information", "Call Stack", "Call Stack Information", "Modules",
    "Modules Information", "CPU", "CPU Information", "Other", "Other Information", "&OK",
    "&Terminate", "&Restart", "&Details", "&Send this error via Internet", "&Attach a Screenshot image",
    "&Copy to Clipboard", "Go to the Support Page",
    // Report labels (22 to 61)
    "Application", "Start Date", "Name/Description", "Version Number", "Parameters",
    "Compilation Date", "Exception", "Date", "Address", "Module", "Type", "Message",
    "Active Controls", "Form Class", "Form Text", "Control Class", "Control Text", "Computer", "Name",
    "User", "Total Memory", "Free Memory", "Total Disk", "Free Disk", "System Up Time", "Processor",
    "Display Mode", "Operating System", "Type", "Build #", "Update", "Language", "Network",
    "IP Address", "Submask", "Gateway", "DNS 1", "DNS 2", "DHCP", "Custom Information",
    // Call-stack column heads (62 to 67)
    "Address", "Module", "Unit", "Class", "Procedure/Method", "Line",
    // Threads (68 to 74)
    "Main", "Exception Thread", "Running Thread", "Calling Thread", "ID", "Priority", "Class",
    // Send dialog (75 to 80)
    "Send.", "Message", "Resolving DNS...", "Connecting with server...", "Connected with server.",
    "Sending message...",
    // Reproduce dialog (81 to 83)
    "Request", "Please describe the steps to reproduce the error:", "&OK",
    // Modules list (84 to 90)
    "Handle", "Name", "Description", "Version", "Size", "Modified", "Path",
    // CPU (91 to 93)
    "Registers", "Stack", "Memory Dump",
    // Send messages (94, 95)
    "The message was sent successfully.", "Sorry, sending the message didn't work."};

const std::array<const char*, 33> kReportHeaderFields = {
    "Application|Start Date",        "Application|Name",
    "Application|Version Number",    "Application|Parameters",
    "Application|Compilation Date",  "Exception|Date",
    "Exception|Address",             "Exception|Module",
    "Exception|Type",                "Exception|Message",
    "Active Controls|Form Class",    "Active Controls|Form Text",
    "Active Controls|Control Class", "Active Controls|Control Text",
    "Computer|Name",                 "Computer|User",
    "Computer|Total Memory",         "Computer|Free Memory",
    "Computer|Total Disk",           "Computer|Free Disk",
    "Computer|System Up Time",       "Computer|Processor",
    "Computer|Display Mode",         "Operating System|Type",
    "Operating System|Build #",      "Operating System|Update",
    "Operating System|Language",     "Network|IP Address",
    "Network|Submask",               "Network|Gateway",
    "Network|DNS 1",                 "Network|DNS 2",
    "Network|DHCP"};

const char* const kDefaultHTMLTemplate =
    "<html>\r\n"
    "  <head>\r\n"
    "  </head>\r\n"
    "  <body TopMargin=10 LeftMargin=10>\r\n"
    "    <table width=\"100%\" border=\"0\">\r\n"
    "      <tr>\r\n"
    "        <td nowrap>\r\n"
    "          <font face=\"monospace\" size=\"2\">\r\n"
    "            <%HTML_TAG%>\r\n"
    "          </font>\r\n"
    "        </td>\r\n"
    "      </tr>\r\n"
    "    </table>\r\n"
    "  </body>\r\n"
    "</html>";

const char* const kDefaultSMTPFrom = "crashlog@example.com";

}  // namespace lab
