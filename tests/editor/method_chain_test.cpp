#include "editor/method_chain.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lab {
namespace {

struct Listener {
  std::vector<std::string>* log;
  std::string name;
  void Changed(TObject* Sender) { log->push_back(name + (Sender ? "@sender" : "")); }
  void Fails(TObject*) {
    log->push_back(name + " fails");
    throw Exception("broken handler");
  }
};

TEST(CodeMethodChain, FiresInOrderAndRemovesTheLastMatch) {
  std::vector<std::string> log;
  TObject sender;
  Listener a{&log, "a"}, b{&log, "b"};
  TCodeNotifyEventChain chain(&sender);
  chain.Add({&a, &Listener::Changed});
  chain.Add({&b, &Listener::Changed});
  chain.Add({&a, &Listener::Changed});
  chain.Fire();
  EXPECT_EQ(log, (std::vector<std::string>{"a@sender", "b@sender", "a@sender"}));
  log.clear();
  chain.Remove({&a, &Listener::Changed});  // the later of the two goes
  chain.Remove({&b, &Listener::Fails});    // not in the chain: nothing
  EXPECT_EQ(chain.Count(), 2);
  chain.Fire();
  EXPECT_EQ(log, (std::vector<std::string>{"a@sender", "b@sender"}));
  // The same lambda identity is found again.
  chain.Add(TNotifyMethod([&](TObject*) { log.push_back("lambda"); }, &log, 1));
  chain.Remove(TNotifyMethod([](TObject*) {}, &log, 1));
  EXPECT_EQ(chain.Count(), 2);
}

TEST(CodeMethodChain, EmptyEventsAreRefused) {
  TCodeNotifyEventChain chain;
  try {
    chain.Add(TNotifyMethod());
    FAIL();
  } catch (const ECodeMethodChain& e) {
    EXPECT_EQ(e.Message(), "TCodeNotifyEventChain.Entry : the parameter `AEvent' must be specified.");
  }
  try {
    chain.Remove(TNotifyMethod());
    FAIL();
  } catch (const ECodeMethodChain& e) {
    EXPECT_EQ(e.Message(), "TCodeNotifyEventChain.Remove: the parameter `AEvent' must be specified.");
  }
}

TEST(CodeMethodChain, ExceptionsGoToTheHandlerOrPassOn) {
  std::vector<std::string> log;
  Listener a{&log, "a"}, b{&log, "b"};
  TCodeNotifyEventChain chain;
  chain.Add({&a, &Listener::Fails});
  chain.Add({&b, &Listener::Changed});
  EXPECT_THROW(chain.Fire(), Exception);  // nobody handles it
  EXPECT_EQ(log, (std::vector<std::string>{"a fails"}));

  log.clear();
  std::string seen;
  chain.OnException = [&](TObject*, Exception& e, bool&) { seen = e.Message(); };
  chain.Fire();  // handled: the next handler runs
  EXPECT_EQ(seen, "broken handler");
  EXPECT_EQ(log, (std::vector<std::string>{"a fails", "b"}));

  log.clear();
  chain.OnException = [&](TObject*, Exception&, bool& go_on) { go_on = false; };
  chain.Fire();
  EXPECT_EQ(log, (std::vector<std::string>{"a fails"}));
}

TEST(CodeMethodChain, AHandlerMayRemoveItselfWhileFiring) {
  TCodeNotifyEventChain chain;
  int calls = 0;
  const TNotifyMethod self([&](TObject*) {
    ++calls;
    chain.Remove(TNotifyMethod([](TObject*) {}, &calls, 7));
  }, &calls, 7);
  chain.Add(self);
  chain.Add(TNotifyMethod([&](TObject*) { calls += 10; }, &calls, 8));
  chain.Fire();
  EXPECT_EQ(chain.Count(), 1);
  EXPECT_GE(calls, 1);
}

}  // namespace
}  // namespace lab
