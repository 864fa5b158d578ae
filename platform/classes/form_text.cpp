#include "platform/classes/form_text.h"

#include "platform/classes/filer.h"
#include "platform/rtl/streams.h"

namespace lab {

TComponent* ReadFormText(std::string_view Text, TComponent* Root) {
  TReader reader(Text);
  return reader.ReadRootComponent(Root);
}

TComponent* ReadFormStream(TStream& Stream, TComponent* Root) {
  std::string text(static_cast<std::size_t>(Stream.Size() - Stream.Position()), '\0');
  Stream.ReadBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  return ReadFormText(text, Root);
}

std::string WriteFormText(TComponent* Root, TComponent* Ancestor) {
  TWriter writer;
  writer.WriteDescendent(Root, Ancestor);
  return writer.Text();
}

void WriteFormStream(TStream& Stream, TComponent* Root, TComponent* Ancestor) {
  const std::string text = WriteFormText(Root, Ancestor);
  Stream.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

}  // namespace lab
