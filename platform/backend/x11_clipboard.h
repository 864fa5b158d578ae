#pragma once
// The system clipboard under X11: the CLIPBOARD selection. The program's content is served to other
// programs (TARGETS; UTF8_STRING, text/plain;charset=utf-8 and TEXT as UTF-8; STRING as Latin-1;
// each registered format under an atom of its name), large data in INCR steps. Another program's
// content is read the same ways, waiting for its answer with a time-out. Text has LF line breaks
// outside the program and CR LF inside; registered formats travel byte for byte. The content is the
// program's own: it is gone when the program ends, unless a clipboard manager took a copy.
//
// Reads come from the program's threads; events from the back-end's event thread. Include only in
// the X11 back-end's files: Xlib's macros clash with the framework's names.

#include <X11/Xlib.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/controls/backend.h"

namespace lab {

class TX11Clipboard {
 public:
  // `helper` is a window of the program's own that selected PropertyChangeMask.
  TX11Clipboard(Display* display, Window helper);
  TX11Clipboard(const TX11Clipboard&) = delete;
  TX11Clipboard& operator=(const TX11Clipboard&) = delete;

  // The program put this content on the clipboard: take the selection and serve it.
  void Own(const TClipboardFormats& content);
  bool HeldElsewhere();
  std::vector<std::string> ForeignFormats();
  std::optional<std::string> ForeignData(const std::string& format);

  // The event thread's selection and property events; false for others. `taken` is set when another
  // program took the clipboard from this one.
  bool Handle(const XEvent& ev, bool& taken);

  // How long a read waits for another program's answer, or for its next step of a large transfer.
  static constexpr std::chrono::milliseconds kAnswerTime{1000};

 private:
  struct Served {
    Atom target;
    Atom type;
    std::shared_ptr<const std::string> data;
  };
  // A large transfer to another program, one step each time it deletes the property.
  struct Outgoing {
    Window requestor;
    Atom property;
    Atom type;
    std::string data;
    std::size_t sent = 0;
    std::chrono::steady_clock::time_point touched;
  };
  // The read under way: the target asked for, then the data as it comes.
  struct Incoming {
    Atom target = None;
    bool active = false, incremental = false, done = false, refused = false;
    Atom type = None;
    std::string data;
    unsigned steps = 0;
  };
  enum class Answer { Data, Refused, NoAnswer };

  Answer Convert(Atom target, std::string& data, Atom& type);
  Answer OfferedTargets(std::vector<Atom>& atoms);
  void Serve(const XSelectionRequestEvent& r);
  void SendData(Window requestor, Atom property, Atom type, std::string data);
  void StepOutgoing(Window requestor, Atom property);
  void Arrived(const XSelectionEvent& s);
  void IncomingStep();
  // Reads and deletes a property of the helper window: its type and bytes (32-bit items as 4 bytes).
  std::string TakeProperty(Atom property, Atom& type);
  std::vector<Atom> Targets() const;

  Display* dpy_;
  Window helper_;
  Atom clipboard_, targets_, utf8_, text_plain_, text_, incr_, property_;
  std::size_t chunk_;

  std::mutex mutex_;  // the state below; never held across a wait for another program
  bool owner_ = false;
  bool has_text_ = false;
  std::shared_ptr<const std::string> text_data_;  // with the program's CR LF breaks
  std::vector<Served> served_;  // registered formats
  std::vector<Outgoing> outgoing_;
  Incoming incoming_;
  std::condition_variable answered_;
  std::mutex read_mutex_;  // one read at a time
};

}  // namespace lab
