#pragma once
// Reading and writing whole component trees as form text (see filer.h for the format).

#include <string>
#include <string_view>

namespace lab {

class TComponent;
class TStream;

// Reads form text into Root, or into a new component of the class the text names (registered with
// RegisterClass) when Root is nullptr; answers the root. Errors as TReader::ReadRootComponent.
TComponent* ReadFormText(std::string_view Text, TComponent* Root = nullptr);
// Reads form text from Stream's position to its end.
TComponent* ReadFormStream(TStream& Stream, TComponent* Root = nullptr);

// The form text of Root and the components inside it; with an Ancestor, only what differs from it.
std::string WriteFormText(TComponent* Root, TComponent* Ancestor = nullptr);
void WriteFormStream(TStream& Stream, TComponent* Root, TComponent* Ancestor = nullptr);

}  // namespace lab
