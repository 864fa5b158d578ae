// Reads a small component tree from form text, changes it in code, and writes it back: the object
// model, property tables, collections and form streaming at work.

#include <iostream>

#include "platform/classes/class_registry.h"
#include "platform/classes/collection.h"
#include "platform/classes/component.h"
#include "platform/classes/form_text.h"
#include "platform/classes/properties.h"
#include "platform/rtl/exceptions.h"

namespace lab {

enum TJobKind { jkPair, jkRightOnly, jkLeftOnly };
LAB_ENUM_NAMES(TJobKind, "jkPair", "jkRightOnly", "jkLeftOnly")

class TJobItem : public TCollectionItem {
  LAB_CLASS(TJobItem, TCollectionItem)
  LAB_PROPERTIES(TJobItem, TCollectionItem)
 public:
  explicit TJobItem(TCollection* Collection) : TCollectionItem(Collection) {}
  std::string Patient() const { return patient_; }
  void SetPatient(const std::string& v) { patient_ = v; }
  TJobKind Kind() const { return kind_; }
  void SetKind(TJobKind v) { kind_ = v; }

 private:
  std::string patient_;
  TJobKind kind_ = jkPair;
};
void TJobItem::DeclareProperties(TPropertyDeclarer<TJobItem>& P) {
  P.Property("Patient", &TJobItem::Patient, &TJobItem::SetPatient);
  P.Property("Kind", &TJobItem::Kind, &TJobItem::SetKind).Default(jkPair);
}

class TJobQueue : public TComponent {
  LAB_CLASS(TJobQueue, TComponent)
  LAB_PROPERTIES(TJobQueue, TComponent)
 public:
  explicit TJobQueue(TComponent* AOwner)
      : TComponent(AOwner), jobs_(this, MetaClass<TJobItem>()) {}
  TCollection* Jobs() { return &jobs_; }
  int Limit() const { return limit_; }
  void SetLimit(int v) { limit_ = v; }

 private:
  TOwnedCollection jobs_;
  int limit_ = 100;
};
void TJobQueue::DeclareProperties(TPropertyDeclarer<TJobQueue>& P) {
  P.Property("Jobs", &TJobQueue::Jobs);
  P.Property("Limit", &TJobQueue::Limit, &TJobQueue::SetLimit).Default(100);
}

}  // namespace lab

int main() {
  using namespace lab;
  RegisterClasses<TJobQueue>();
  const char* text =
      "object Queue1: TJobQueue\n"
      "  Limit = 8\n"
      "  Jobs = <\n"
      "    item\n"
      "      Patient = 'Ada Byron'\n"
      "    end\n"
      "    item\n"
      "      Patient = 'Alan Turing'\n"
      "      Kind = jkLeftOnly\n"
      "    end>\n"
      "end\n";
  try {
    std::unique_ptr<TComponent> queue(ReadFormText(text));
    auto* jobs = static_cast<TJobQueue*>(queue.get())->Jobs();
    std::cout << "Read " << jobs->Count() << " jobs into " << queue->Name() << "\n";
    static_cast<TJobItem*>(jobs->Add())->SetPatient("Grace Hopper");
    jobs->Items(2)->SetIndex(0);  // the new job goes first
    std::cout << WriteFormText(queue.get());
    ReadFormText("object Queue1: TJobQueue\n  Limt = 8\nend\n", queue.get());
  } catch (const Exception& e) {
    std::cout << e.ClassName() << ": " << e.Message() << "\n";
  }
  return 0;
}
