#include "crashreport/files/xml_builder.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/utf8.h"

namespace lab {

TXMLItem* TXMLItems::Add(std::string_view Name) {
  items_.push_back(std::make_unique<TXMLItem>(Name));
  return items_.back().get();
}

TXMLItem* TXMLItems::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", Index);
  return items_[static_cast<std::size_t>(Index)].get();
}

void TXMLItems::Clear() {
  while (!items_.empty()) items_.pop_back();
}

TXMLItem* TXMLItem::AddItem(std::string_view Name) {
  TXMLItem* item = items_.Add(Name);
  item->parent_ = this;
  return item;
}

void TXMLItem::AddAttribute(std::string_view Name, std::string_view Value) {
  attributes_ += ' ';
  attributes_ += Name;
  attributes_ += "=\"";
  attributes_ += XMLEscape(Value);
  attributes_ += '"';
}

std::string TXMLItem::GetXML() const {
  std::string out;
  AppendXML(out, indent_);
  return out;
}

void TXMLItem::AppendXML(std::string& Out, const std::string& Indent) const {
  Out += Indent;
  Out += '<';
  Out += name_;
  Out += attributes_;
  if (text_.empty() && items_.items_.empty()) {
    Out += "/>\r\n";
    return;
  }
  Out += '>';
  Out += text_;
  if (!items_.items_.empty()) {
    Out += "\r\n";
    const std::string inner = Indent + "  ";
    for (const auto& item : items_.items_) item->AppendXML(Out, inner);
    Out += Indent;
  }
  Out += "</";
  Out += name_;
  Out += ">\r\n";
}

namespace {

void AppendReference(std::string& Out, unsigned Code) {
  Out += "&#";
  Out += static_cast<char>('0' + Code / 100);
  Out += static_cast<char>('0' + Code / 10 % 10);
  Out += static_cast<char>('0' + Code % 10);
  Out += ';';
}

}  // namespace

std::string XMLEscape(std::string_view Text) {
  std::string out;
  out.reserve(Text.size());
  for (std::size_t i = 0; i < Text.size();) {
    std::size_t length = 0;
    const char32_t c = Utf8At(Text, i, &length);
    if (c >= 0x80 && length == 1) {
      AppendReference(out, c);  // a stray byte, read as its Latin-1 character
    } else if (c == '\t' || c == '\n' || c == '\r' || c == '"' || c == '&' || c == '\'' || c == '<' ||
               c == '>' || c == 0x7F) {
      AppendReference(out, c);
    } else if (c < 0x20 || c == 0xFFFE || c == 0xFFFF) {
      out += ' ';
    } else {
      out.append(Text.substr(i, length));
    }
    i += length;
  }
  return out;
}

}  // namespace lab
