#pragma once
// A small XML element tree for the XML log: each element keeps its attributes as text, already
// escaped, and is written with two blanks of indentation per level, every line ending in CR LF.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/object.h"

namespace lab {

class TXMLItem;

// Owns its elements; frees them last to first.
class TXMLItems : public TObject {
  LAB_CLASS(TXMLItems, TObject)
 public:
  TXMLItems() = default;
  ~TXMLItems() override { Clear(); }
  TXMLItems(const TXMLItems&) = delete;
  TXMLItems& operator=(const TXMLItems&) = delete;

  // A new element without a parent.
  TXMLItem* Add(std::string_view Name);
  int Count() const noexcept { return static_cast<int>(items_.size()); }
  TXMLItem* Items(int Index) const;
  void Clear();

 private:
  friend class TXMLItem;
  std::vector<std::unique_ptr<TXMLItem>> items_;
};

class TXMLItem : public TObject {
  LAB_CLASS(TXMLItem, TObject)
 public:
  explicit TXMLItem(std::string_view Name) : name_(Name) {}

  // A child element whose Parent is this one.
  TXMLItem* AddItem(std::string_view Name);
  // Appends a blank, Name, "=" and Value quoted and escaped (XMLEscape).
  void AddAttribute(std::string_view Name, std::string_view Value);
  // Indent, "<", the name and the attributes; then "/>" when the element has neither text nor
  // children, else ">", the text as it stands, the children (each indented two blanks deeper, on
  // lines of their own), the indent again and the closing tag. Ends with CR LF.
  std::string GetXML() const;

  const std::string& Name() const noexcept { return name_; }
  const std::string& Attributes() const noexcept { return attributes_; }
  // The raw content, written unescaped.
  const std::string& Text() const noexcept { return text_; }
  void SetText(std::string Value) { text_ = std::move(Value); }
  const std::string& Indent() const noexcept { return indent_; }
  void SetIndent(std::string Value) { indent_ = std::move(Value); }
  TXMLItems& Items() noexcept { return items_; }
  const TXMLItems& Items() const noexcept { return items_; }
  TXMLItem* Parent() const noexcept { return parent_; }

 private:
  void AppendXML(std::string& Out, const std::string& Indent) const;

  std::string name_;
  std::string attributes_;
  std::string text_;
  std::string indent_;
  TXMLItems items_;
  TXMLItem* parent_ = nullptr;
};

// Text made safe for an attribute value: the double quote, "&", "'", "<", ">", tab, LF, CR and DEL
// become a character reference of three digits ("&#034;", "&#010;"); the other control characters,
// which XML does not allow, become a blank; UTF-8 characters stay as they are, and a byte that is
// not part of valid UTF-8 becomes the reference of its Latin-1 character.
std::string XMLEscape(std::string_view Text);

}  // namespace lab
