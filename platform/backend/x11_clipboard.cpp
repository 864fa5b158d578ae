#include "platform/backend/x11_clipboard.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/rtl/utf8.h"

namespace lab {

namespace {

// STRING is Latin-1: characters past it become '?'.
std::string Latin1OfUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char32_t c : Utf8Decode(utf8)) out += c <= 0xFF ? static_cast<char>(c) : '?';
  return out;
}

std::string Utf8OfLatin1(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (char b : latin1) Utf8Append(out, static_cast<unsigned char>(b));
  return out;
}

// Text inside the program breaks its lines with CR LF, other X11 programs with LF: CR LF goes out
// as LF, and a lone LF comes in as CR LF (a lone CR is left alone both ways).
std::string LfOfCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n') out += text[i];
  return out;
}

std::string CrLfOfLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

// A transfer the other program stopped taking is dropped after this long.
constexpr std::chrono::seconds kStalledTransfer{10};

}  // namespace

TX11Clipboard::TX11Clipboard(Display* display, Window helper) : dpy_(display), helper_(helper) {
  const char* names[] = {"CLIPBOARD", "TARGETS", "UTF8_STRING", "text/plain;charset=utf-8",
                         "TEXT", "INCR", "LAB_SELECTION"};
  Atom atoms[7];
  XInternAtoms(dpy_, const_cast<char**>(names), 7, False, atoms);
  clipboard_ = atoms[0];
  targets_ = atoms[1];
  utf8_ = atoms[2];
  text_plain_ = atoms[3];
  text_ = atoms[4];
  incr_ = atoms[5];
  property_ = atoms[6];
  // Data past one request's size goes in steps (INCR), as other programs expect.
  chunk_ = static_cast<std::size_t>(std::max(4096L, XMaxRequestSize(dpy_) * 4 - 256));
}

void TX11Clipboard::Own(const TClipboardFormats& content) {
  std::vector<Served> served;
  for (const auto& [name, data] : content)
    if (name != kClipboardText) {
      const Atom a = XInternAtom(dpy_, name.c_str(), False);
      served.push_back({a, a, data});
    }
  {
    std::lock_guard lock(mutex_);
    auto text = content.find(kClipboardText);
    has_text_ = text != content.end();
    text_data_ = has_text_ ? text->second : nullptr;
    served_ = std::move(served);
    owner_ = true;
  }
  XSetSelectionOwner(dpy_, clipboard_, helper_, CurrentTime);
  XFlush(dpy_);
}

bool TX11Clipboard::HeldElsewhere() {
  const Window owner = XGetSelectionOwner(dpy_, clipboard_);
  return owner != None && owner != helper_;
}

std::vector<Atom> TX11Clipboard::Targets() const {
  std::vector<Atom> out{targets_};
  if (has_text_) out.insert(out.end(), {utf8_, text_plain_, XA_STRING, text_});
  for (const Served& s : served_) out.push_back(s.target);
  return out;
}

// ---------------------------------------------------------------------------------------------
// Serving

bool TX11Clipboard::Handle(const XEvent& ev, bool& taken) {
  switch (ev.type) {
    case SelectionRequest:
      Serve(ev.xselectionrequest);
      return true;
    case SelectionClear:
      if (ev.xselectionclear.selection != clipboard_) return true;
      // Taken by another program, unless this one took it back meanwhile.
      if (XGetSelectionOwner(dpy_, clipboard_) == helper_) return true;
      {
        std::lock_guard lock(mutex_);
        owner_ = false;
        has_text_ = false;
        text_data_.reset();
        served_.clear();
      }
      taken = true;
      return true;
    case SelectionNotify:
      if (ev.xselection.requestor == helper_) Arrived(ev.xselection);
      return true;
    case PropertyNotify: {
      const XPropertyEvent& p = ev.xproperty;
      if (p.window == helper_) {
        if (p.atom == property_ && p.state == PropertyNewValue) IncomingStep();
        return p.atom == property_;
      }
      if (p.state == PropertyDelete) StepOutgoing(p.window, p.atom);
      return true;
    }
    default:
      return false;
  }
}

void TX11Clipboard::Serve(const XSelectionRequestEvent& r) {
  XSelectionEvent reply{};
  reply.type = SelectionNotify;
  reply.display = r.display;
  reply.requestor = r.requestor;
  reply.selection = r.selection;
  reply.target = r.target;
  reply.time = r.time;
  reply.property = None;
  const Atom property = r.property != None ? r.property : r.target;  // obsolete requestors name none
  std::optional<Served> answer;
  // Text goes out with LF breaks (and as Latin-1 under STRING), converted for each request, so
  // that holding the clipboard costs no copy of it.
  enum { kAsIs, kLf, kLatin1 } form = kAsIs;
  std::vector<Atom> targets;
  {
    std::lock_guard lock(mutex_);
    if (owner_ && r.selection == clipboard_) {
      if (r.target == targets_) {
        targets = Targets();
      } else if (has_text_ && (r.target == utf8_ || r.target == text_plain_ || r.target == text_)) {
        answer = Served{r.target, r.target == text_ ? utf8_ : r.target, text_data_};
        form = kLf;
      } else if (has_text_ && r.target == XA_STRING) {
        answer = Served{r.target, XA_STRING, text_data_};
        form = kLatin1;
      } else {
        for (const Served& s : served_)
          if (s.target == r.target) answer = s;
      }
    }
  }
  if (!targets.empty()) {
    XChangeProperty(dpy_, r.requestor, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(targets.data()), static_cast<int>(targets.size()));
    reply.property = property;
  } else if (answer) {
    const std::string& data = *answer->data;
    SendData(r.requestor, property, answer->type,
             form == kLf ? LfOfCrLf(data) : form == kLatin1 ? Latin1OfUtf8(LfOfCrLf(data)) : data);
    reply.property = property;
  }
  XSendEvent(dpy_, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
  XFlush(dpy_);
}

void TX11Clipboard::SendData(Window requestor, Atom property, Atom type, std::string data) {
  if (data.size() <= chunk_) {
    XChangeProperty(dpy_, requestor, property, type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
    return;
  }
  // INCR: the size first; each time the requestor deletes the property, the next step.
  const auto now = std::chrono::steady_clock::now();
  {
    std::lock_guard lock(mutex_);
    std::erase_if(outgoing_, [&](const Outgoing& o) {
      return now - o.touched > kStalledTransfer || (o.requestor == requestor && o.property == property);
    });
    outgoing_.push_back({requestor, property, type, std::move(data), 0, now});
  }
  XSelectInput(dpy_, requestor, PropertyChangeMask);
  const long size = static_cast<long>(chunk_);  // a lower bound of the size, as INCR asks
  XChangeProperty(dpy_, requestor, property, incr_, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&size), 1);
}

void TX11Clipboard::StepOutgoing(Window requestor, Atom property) {
  std::string step;
  Atom type = None;
  bool last = false, found = false, more_for_window = false;
  {
    std::lock_guard lock(mutex_);
    for (auto it = outgoing_.begin(); it != outgoing_.end(); ++it) {
      if (it->requestor != requestor || it->property != property) continue;
      found = true;
      type = it->type;
      const std::size_t n = std::min(chunk_, it->data.size() - it->sent);
      step.assign(it->data, it->sent, n);
      it->sent += n;
      it->touched = std::chrono::steady_clock::now();
      // A step of no bytes ends the transfer.
      if (n == 0) {
        last = true;
        outgoing_.erase(it);
      }
      break;
    }
    for (const Outgoing& o : outgoing_) more_for_window |= o.requestor == requestor;
  }
  if (!found) return;
  XChangeProperty(dpy_, requestor, property, type, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(step.data()), static_cast<int>(step.size()));
  if (last && !more_for_window) XSelectInput(dpy_, requestor, NoEventMask);
  XFlush(dpy_);
}

// ---------------------------------------------------------------------------------------------
// Reading another program's content

std::string TX11Clipboard::TakeProperty(Atom property, Atom& type) {
  std::string out;
  type = None;
  long offset = 0;  // in 32-bit units, as the request counts
  unsigned long after = 0;
  do {
    int format = 0;
    unsigned long count = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy_, helper_, property, offset, 1 << 20, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) != Success) {
      type = None;
      break;
    }
    if (data && format == 8) {
      out.append(reinterpret_cast<char*>(data), count);
      offset += static_cast<long>(count / 4);
    } else if (data && format == 32) {
      // Xlib hands 32-bit items as longs; they are kept as 4 bytes each.
      for (unsigned long i = 0; i < count; ++i) {
        const auto v = static_cast<std::uint32_t>(reinterpret_cast<unsigned long*>(data)[i]);
        out.append(reinterpret_cast<const char*>(&v), 4);
      }
      offset += static_cast<long>(count);
    } else {
      after = 0;
    }
    if (data) XFree(data);
  } while (after > 0);
  XDeleteProperty(dpy_, helper_, property);
  XFlush(dpy_);
  return out;
}

void TX11Clipboard::Arrived(const XSelectionEvent& s) {
  {
    std::lock_guard lock(mutex_);
    // An answer to a read given up on, or to another target, is not this read's.
    if (!incoming_.active || incoming_.done || incoming_.incremental || s.target != incoming_.target) return;
    if (s.property == None) {
      incoming_.refused = incoming_.done = true;
      answered_.notify_all();
      return;
    }
  }
  Atom type = None;
  std::string data = TakeProperty(s.property, type);  // deleting an INCR property starts the steps
  std::lock_guard lock(mutex_);
  if (!incoming_.active || incoming_.target != s.target) return;
  if (type == incr_) {
    incoming_.incremental = true;
    ++incoming_.steps;
  } else {
    incoming_.type = type;
    incoming_.data = std::move(data);
    incoming_.done = true;
  }
  answered_.notify_all();
}

void TX11Clipboard::IncomingStep() {
  {
    std::lock_guard lock(mutex_);
    if (!incoming_.active || !incoming_.incremental || incoming_.done) return;
  }
  Atom type = None;
  std::string step = TakeProperty(property_, type);
  std::lock_guard lock(mutex_);
  if (!incoming_.active || !incoming_.incremental) return;
  if (step.empty()) {
    incoming_.done = true;
  } else {
    incoming_.type = type;
    incoming_.data += step;
    ++incoming_.steps;
  }
  answered_.notify_all();
}

TX11Clipboard::Answer TX11Clipboard::Convert(Atom target, std::string& data, Atom& type) {
  std::lock_guard reading(read_mutex_);
  std::unique_lock lock(mutex_);
  incoming_ = Incoming{};
  incoming_.target = target;
  incoming_.active = true;
  XConvertSelection(dpy_, clipboard_, target, property_, helper_, CurrentTime);
  XFlush(dpy_);
  // Each step of a large transfer gives the other program the time again.
  for (;;) {
    const unsigned steps = incoming_.steps;
    if (!answered_.wait_for(lock, kAnswerTime, [&] { return incoming_.done || incoming_.steps != steps; })) {
      incoming_.active = false;
      return Answer::NoAnswer;
    }
    if (incoming_.done) break;
  }
  incoming_.active = false;
  if (incoming_.refused) return Answer::Refused;
  data = std::move(incoming_.data);
  type = incoming_.type;
  return Answer::Data;
}

TX11Clipboard::Answer TX11Clipboard::OfferedTargets(std::vector<Atom>& atoms) {
  std::string data;
  Atom type = None;
  const Answer a = Convert(targets_, data, type);
  atoms.resize(a == Answer::Data ? data.size() / 4 : 0);
  for (std::size_t i = 0; i < atoms.size(); ++i) {
    std::uint32_t v;
    std::memcpy(&v, data.data() + 4 * i, 4);
    atoms[i] = v;
  }
  return a;
}

std::vector<std::string> TX11Clipboard::ForeignFormats() {
  std::vector<std::string> out;
  std::vector<Atom> atoms;
  if (OfferedTargets(atoms) != Answer::Data || atoms.empty()) return out;
  std::vector<char*> names(atoms.size(), nullptr);
  if (!XGetAtomNames(dpy_, atoms.data(), static_cast<int>(atoms.size()), names.data())) return out;
  bool text = false;
  for (std::size_t i = 0; i < atoms.size(); ++i) {
    const Atom a = atoms[i];
    if (a == utf8_ || a == text_plain_ || a == XA_STRING) {
      if (!text) out.push_back(kClipboardText);
      text = true;
    } else if (a != targets_ && a != text_ && names[i]) {
      out.emplace_back(names[i]);
    }
  }
  for (char* n : names)
    if (n) XFree(n);
  return out;
}

std::optional<std::string> TX11Clipboard::ForeignData(const std::string& format) {
  std::string data;
  Atom type = None;
  if (format != kClipboardText) {
    const Atom target = XInternAtom(dpy_, format.c_str(), True);
    if (target == None || Convert(target, data, type) != Answer::Data) return std::nullopt;
    return data;
  }
  // The best text target the program says it offers (some answer any target with the bytes they
  // hold); one that names none is asked for each in turn.
  std::vector<Atom> offered;
  const Answer listed = OfferedTargets(offered);
  if (listed == Answer::NoAnswer) return std::nullopt;
  for (Atom target : {utf8_, text_plain_, XA_STRING}) {
    if (listed == Answer::Data && std::find(offered.begin(), offered.end(), target) == offered.end()) continue;
    const Answer a = Convert(target, data, type);
    if (a == Answer::NoAnswer) return std::nullopt;
    if (a == Answer::Data) return CrLfOfLf(target == XA_STRING ? Utf8OfLatin1(data) : data);
  }
  return std::nullopt;
}

}  // namespace lab
