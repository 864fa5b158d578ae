#pragma once
// Form streaming in the framework's text form format:
//
//   object Form1: TForm1
//     Caption = 'Jobs'#13#10'and queue'
//     Options = [dgEditing, dgTitles]
//     Title.Font.Name = 'sans-serif'
//     DataSource = DataSource1
//     OnClick = Form1Click
//     Columns = <
//       item
//         FieldName = 'NAME'
//       end>
//     Lines.Strings = (
//       'first'
//       'second')
//     Picture.Data = {
//       0A0B0C}
//     object Panel1: TPanel
//     end
//   end
//
// TReader reads such text into a component tree (creating the components the text names through
// the class registry); TWriter writes a tree, with only the stored properties that differ from
// their defaults or, given an ancestor, from the ancestor. Values that are not published
// properties take part through DefineProperties (TFiler::DefineProperty / DefineBinaryProperty).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/form_lexer.h"
#include "platform/rtl/persistent.h"
#include "platform/classes/properties.h"
#include "platform/rtl/exceptions.h"

namespace lab {

class TComponent;
class TCollection;
class TStream;
class TReader;
class TWriter;

// Whether two collections would be written alike (same count, every item's stored properties
// equal). Component references are named relative to Owner1 and Owner2 (by default the roots of
// the collections' owner chains).
bool CollectionsEqual(TCollection* C1, TCollection* C2, TComponent* Owner1 = nullptr, TComponent* Owner2 = nullptr);

using TReaderProc = std::function<void(TReader& Reader)>;
using TWriterProc = std::function<void(TWriter& Writer)>;
using TStreamProc = std::function<void(TStream& Stream)>;

// The kind of the next value in the text, as TReader::NextValue answers it. vaNull stands at the
// end of a list or collection.
enum TValueType {
  vaNull,
  vaList,
  vaInt32,
  vaInt64,
  vaExtended,
  vaString,
  vaIdent,
  vaFalse,
  vaTrue,
  vaBinary,
  vaSet,
  vaCollection
};

class TFiler {
 public:
  virtual ~TFiler() = default;

  // The component at the top of the tree being read or written.
  TComponent* Root() const noexcept { return root_; }
  // While writing with an ancestor: the ancestor's counterpart of the object whose properties are
  // being written (so DefineProperties can tell whether its value differs); nullptr otherwise.
  TPersistent* Ancestor() const noexcept { return ancestor_; }

  // A value named Name that is not a published property: the reader calls ReadData when the text
  // holds it; the writer writes it through WriteData when HasData.
  virtual void DefineProperty(std::string_view Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                              bool HasData) = 0;
  // As DefineProperty, for bytes written as {hex}; the procedures see them as a stream.
  virtual void DefineBinaryProperty(std::string_view Name, const TStreamProc& ReadData,
                                    const TStreamProc& WriteData, bool HasData) = 0;

 protected:
  // Calls Instance's DefineProperties, and defines "Strings" for string lists.
  void DefineAll(TPersistent* Instance);

  TComponent* root_ = nullptr;
  TPersistent* ancestor_ = nullptr;
};

class TReader : public TFiler {
 public:
  explicit TReader(std::string_view Text);
  ~TReader() override;
  TReader(const TReader&) = delete;
  TReader& operator=(const TReader&) = delete;

  // Reads the text's object into Root (or into a new instance of the class it names, which must be
  // registered, when Root is nullptr) with everything inside it; references are resolved and every
  // component read gets Loaded once the whole tree is in. During reading components carry csLoading
  // and csReading. Errors name the line: EReadError "Line %d: ..." ("Invalid stream format",
  // "Error reading Grid1.Width: Invalid property value", "... Property Foo does not exist"),
  // EClassNotFound "Line %d: Class %s not found". On an error a root created here is freed, as
  // is each component created for the block that failed.
  TComponent* ReadRootComponent(TComponent* Root);

  // The line of the next value.
  int Line() const noexcept { return lex_.Current().Line; }

  // Values, for the ReadData procedures of DefineProperty.
  TValueType NextValue();
  bool EndOfList();
  void ReadListBegin();
  void ReadListEnd();
  // An integer of 32 bits (values up to $FFFFFFFF are taken as their 32-bit pattern).
  std::int32_t ReadInteger();
  std::int64_t ReadInt64();
  double ReadFloat();
  std::string ReadString();
  std::string ReadIdent();
  bool ReadBoolean();
  std::string ReadBinary();
  // Reads `<item ... end ...>` into Collection, which is cleared first.
  void ReadCollection(TCollection* Collection);
  // Passes over the next value, whatever it is.
  void SkipValue();

  void DefineProperty(std::string_view Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(std::string_view Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                            bool HasData) override;

 private:
  struct THeader;
  struct TFixup;
  class TTracker;

  THeader ReadHeader();
  bool AtHeader();
  void ReadBody(TComponent* Component);
  void ReadChild(TComponent* Parent);
  TComponent* CreateComponent(const THeader& Header, TComponent* Owner);
  void Track(TComponent* Component);
  void ReadProperty(TPersistent* Instance);
  void ReadPropPath(TPersistent* Instance, const std::string& Name, int Line, const std::string& Path);
  void ReadPropValue(TPersistent* Instance, const TPropInfo* Prop, int Line, const std::string& Path);
  std::int64_t ReadSetBits(const TEnumInfo& Info);
  void ResolveFixups();
  void DropFixupsInside(TCollection* Collection);
  void Forget(TComponent* Component);
  [[noreturn]] void Malformed() const;
  [[noreturn]] static void PropError(int Line, const std::string& Path, const std::string& Message);

  detail::TFormLexer lex_;
  TComponent* owner_ = nullptr;
  TComponent* component_ = nullptr;
  std::string context_;
  std::string prop_path_;
  std::vector<TComponent*> loaded_;
  std::vector<TFixup> fixups_;
  std::unique_ptr<TTracker> tracker_;
  // The defined property the text names, while DefineProperties runs.
  std::string pending_name_;
  bool* pending_found_ = nullptr;
  int depth_ = 0;  // of the components, collections and lists being read
};

class TWriter : public TFiler {
 public:
  TWriter() = default;
  TWriter(const TWriter&) = delete;
  TWriter& operator=(const TWriter&) = delete;

  // Writes Root and the components inside it (GetChildren). With an Ancestor (an instance of the
  // form Root inherits from) the root is written as "inherited", components the ancestor has as
  // "inherited" blocks (left out when nothing differs), and properties only where they differ from
  // the ancestor's. Without one, the components a fresh instance of Root's class makes are the
  // ancestor's for the children alone (Root stays an "object" compared with defaults); the same
  // holds below the root for an "object" whose GetChildOwner takes what is read inside it.
  // Components with csInline are written as "inline" blocks, compared with a fresh instance of
  // their class.
  void WriteDescendent(TComponent* Root, TComponent* Ancestor);
  void WriteRootComponent(TComponent* Root) { WriteDescendent(Root, nullptr); }

  // The text written so far (lines end in CR LF).
  const std::string& Text() const noexcept { return out_; }

  // Values, for the WriteData procedures of DefineProperty: each procedure writes one value (a
  // list or a collection counts as one).
  void WriteInteger(std::int64_t Value);
  void WriteBoolean(bool Value);
  void WriteFloat(double Value);
  void WriteString(std::string_view Value);
  void WriteIdent(std::string_view Value);
  void WriteListBegin();
  void WriteListEnd();
  void WriteCollection(TCollection* Collection);
  void WriteBinary(std::string_view Bytes);

  void DefineProperty(std::string_view Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(std::string_view Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                            bool HasData) override;

 private:
  friend bool CollectionsEqual(TCollection*, TCollection*, TComponent*, TComponent*);

  void WriteComponent(TComponent* Component, TComponent* Ancestor, std::string_view Kind);
  void WriteChildren(TComponent* Component, TComponent* Ancestor);
  void WriteProperties(TPersistent* Instance, TPersistent* Ancestor, const std::string& Prefix);
  void WriteProperty(TPersistent* Instance, TPersistent* Ancestor, const TPropInfo* Prop, const std::string& Prefix);
  void BeginProperty(const std::string& Name);
  void EndProperty();
  void StartValue();
  std::string Indent(int Extra = 0) const;

  std::string out_;
  TComponent* ancestor_root_ = nullptr;
  // Where inherited components are looked up in the ancestor's tree.
  TComponent* ancestor_owner_ = nullptr;
  int indent_ = 0;
  std::string prefix_;
  std::string property_;
  bool in_property_ = false;
  int list_depth_ = 0;
  int values_ = 0;
};

}  // namespace lab
