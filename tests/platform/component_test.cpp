#include "platform/classes/component.h"

#include <gtest/gtest.h>

#include "classes_fixtures.h"

namespace lab::test {
namespace {

TEST(Component, FreedComponentClearsTheReferencesOthersHold) {
  // Across owners: the form that holds the reference is told through free notification.
  TTestForm form1(nullptr), form2(nullptr);
  auto* holder = new TTestGadget(&form1);
  auto* target = new TTestGadget(&form2);
  holder->SetPartner(target);
  ASSERT_EQ(holder->Partner(), target);
  delete target;
  EXPECT_EQ(holder->Partner(), nullptr);
  EXPECT_EQ(form2.ComponentCount(), 0);

  // Without owners at all.
  TTestGadget a(nullptr);
  {
    TTestGadget b(nullptr);
    a.SetPartner(&b);
  }
  EXPECT_EQ(a.Partner(), nullptr);

  // Dropping the request stops the notification (and the holder forgets it when it goes first).
  auto* c = new TTestGadget(nullptr);
  auto* d = new TTestGadget(nullptr);
  c->SetPartner(d);
  c->SetPartner(nullptr);
  const auto heard = d->Heard.size();
  delete c;
  EXPECT_EQ(d->Heard.size(), heard);
  delete d;
}

TEST(Component, OwnerFreesOwnedAndSiblingsHearRemovals) {
  auto* form = new TTestForm(nullptr);
  auto* a = new TTestGadget(form);
  auto* b = new TTestGadget(form);
  a->SetName("A");
  b->SetName("B");
  b->SetPartner(a);
  ASSERT_EQ(form->ComponentCount(), 2);
  EXPECT_EQ(a->Owner(), form);
  EXPECT_EQ(b->ComponentIndex(), 1);
  // Inserting the second told the first.
  ASSERT_FALSE(a->Heard.empty());
  EXPECT_EQ(a->Heard.back(), std::make_pair(static_cast<TComponent*>(b), opInsert));

  // Deleting an owned component takes it out of its owner; siblings hear opRemove.
  auto* c = new TTestGadget(form);
  const auto removed = reinterpret_cast<std::uintptr_t>(c);
  delete c;
  EXPECT_EQ(form->ComponentCount(), 2);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a->Heard.back().first), removed);
  EXPECT_EQ(a->Heard.back().second, opRemove);

  // Deleting the owner frees both; ASan sees any leak or use after free.
  delete form;
}

// Holds a raw pointer to a sibling without asking for free notification (the owner's opRemove is
// enough) and reads it when destroyed.
class TWatcher : public TComponent {
 public:
  TWatcher(TComponent* AOwner, std::vector<std::string>& Log) : TComponent(AOwner), log_(Log) {}
  ~TWatcher() override { log_.push_back(Watched ? Watched->Name() : "-"); }
  TComponent* Watched = nullptr;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == Watched) Watched = nullptr;
  }

 private:
  std::vector<std::string>& log_;
};

TEST(Component, OwnerTearsDownOwnedComponentsWhileTheyAreWhole) {
  std::vector<std::string> log;
  auto* form = new TTestForm(nullptr);
  auto* watcher = new TWatcher(form, log);
  auto* watched = new TTestGadget(form);  // freed first: owned components go last first
  watched->SetName("Watched");
  watcher->Watched = watched;
  form->Destroying();
  EXPECT_TRUE(watched->ComponentState().Contains(csDestroying));
  delete form;
  // The watcher heard of the removal before its own destructor ran.
  EXPECT_EQ(log, std::vector<std::string>{"-"});

  // The other order: the watched one outlives the watcher.
  log.clear();
  form = new TTestForm(nullptr);
  watched = new TTestGadget(form);
  watched->SetName("Watched");
  watcher = new TWatcher(form, log);
  watcher->Watched = watched;
  form->DestroyComponents();
  EXPECT_EQ(log, std::vector<std::string>{"Watched"});
  EXPECT_EQ(form->ComponentCount(), 0);
  delete form;
}

TEST(Component, NamesAreValidIdentifiersUniqueAmongTheOwnersComponents) {
  TTestForm form(nullptr);
  auto* a = new TTestGadget(&form);
  auto* b = new TTestGadget(&form);
  a->SetName("Grid1");
  EXPECT_EQ(form.FindComponent("GRID1"), a);
  try {
    b->SetName("grid1");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_STREQ(e.what(), "A component named grid1 already exists");
  }
  EXPECT_EQ(b->Name(), "");
  try {
    b->SetName("1st");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_STREQ(e.what(), "Component name \"1st\" is not a valid identifier");
  }
  EXPECT_THROW(b->SetName("a b"), EComponentError);
  // Renaming to a case variant of its own name is fine; empty names never clash.
  a->SetName("GRID1");
  EXPECT_EQ(a->Name(), "GRID1");
  b->SetName("");
  auto* c = new TTestGadget(&form);
  EXPECT_EQ(c->Name(), "");

  // Moving a component into an owner that has its name is refused, and nothing moves.
  TTestForm other(nullptr);
  auto* clash = new TTestGadget(&other);
  clash->SetName("Grid1");
  EXPECT_THROW(form.InsertComponent(clash), EComponentError);
  EXPECT_EQ(clash->Owner(), &other);
  EXPECT_EQ(other.ComponentCount(), 1);
  // Nor can a component come to own itself or its owner.
  EXPECT_THROW(a->InsertComponent(a), EComponentError);
  EXPECT_THROW(a->InsertComponent(&form), EComponentError);
  // Without the clash it moves, and both owners' lists agree.
  clash->SetName("Grid2");
  form.InsertComponent(clash);
  EXPECT_EQ(clash->Owner(), &form);
  EXPECT_EQ(other.ComponentCount(), 0);
  EXPECT_EQ(form.FindComponent("Grid2"), clash);
}

TEST(Component, ComponentListOrderAndBounds) {
  TTestForm form(nullptr);
  auto* a = new TTestGadget(&form);
  auto* b = new TTestGadget(&form);
  auto* c = new TTestGadget(&form);
  c->SetComponentIndex(0);
  EXPECT_EQ(form.Components(0), c);
  EXPECT_EQ(form.Components(1), a);
  a->SetComponentIndex(99);  // clamped to the end
  EXPECT_EQ(form.Components(2), a);
  EXPECT_EQ(b->ComponentIndex(), 1);
  try {
    form.Components(3);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (3)");
  }
  form.RemoveComponent(b);
  EXPECT_EQ(b->Owner(), nullptr);
  EXPECT_EQ(b->ComponentIndex(), -1);
  delete b;
  EXPECT_EQ(form.ComponentCount(), 2);
}

TEST(Component, StateDesigningAndNamePath) {
  TTestForm form(nullptr);
  form.SetName("Form1");
  form.SetDesigning(true);
  auto* a = new TTestGadget(&form);  // joins a designing owner: designing too
  a->SetName("Gadget1");
  EXPECT_TRUE(a->ComponentState().Contains(csDesigning));
  EXPECT_EQ(a->GetNamePath(), "Gadget1");
  EXPECT_EQ(a->GetOwner(), &form);
  EXPECT_EQ(a->Items()->GetNamePath(), "Gadget1.Items");
  auto* item = a->Items()->Add();
  a->Items()->Add();
  EXPECT_EQ(a->Items()->Items(1)->GetNamePath(), "Gadget1.Items[1]");
  EXPECT_EQ(item->GetOwner(), a->Items());
  a->Updating();
  EXPECT_TRUE(a->ComponentState().Contains(csUpdating));
  a->Updated();
  EXPECT_FALSE(a->ComponentState().Contains(csUpdating));
}

}  // namespace
}  // namespace lab::test
