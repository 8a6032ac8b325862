// Reference counting across assignment, including the cases that free too early when done
// in the wrong order.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "commonlib/thread/CRefPtr.h"
#include "commonlib/thread/CRefThreadSafeBase.h"

namespace {

class Node : public CRefThreadSafeBase<Node> {
 public:
  explicit Node(int* deaths) : m_deaths(deaths) {}
  virtual ~Node() { ++*m_deaths; }
  CRefPtr<Node> next;

 private:
  int* m_deaths;
};

TEST(CRefPtrTest, SelfAssignmentAndReplacingByWhatTheOldOneHeld) {
  int deaths = 0;
  CRefPtr<Node> p = new Node(&deaths);
  p = p;  // only reference: must survive
  p = p.get();
  EXPECT_EQ(deaths, 0);
  p->next = new Node(&deaths);
  // The new target lives only through the old one: it is taken before the old one goes.
  p = p->next;
  EXPECT_EQ(deaths, 1);
  ASSERT_TRUE(p);
  EXPECT_FALSE(p->next);
  p.reset();
  EXPECT_EQ(deaths, 2);
  p.reset();  // nothing held: nothing happens
  EXPECT_EQ(deaths, 2);
}

TEST(CRefPtrTest, CopiesAndMovesCountExactly) {
  int deaths = 0;
  {
    CRefPtr<Node> a = new Node(&deaths);
    CRefPtr<Node> b(a);
    CRefPtr<Node> c(std::move(b));
    EXPECT_FALSE(b);
    EXPECT_EQ(a, c);
    a.reset();
    EXPECT_EQ(deaths, 0);
  }
  EXPECT_EQ(deaths, 1);
}

TEST(CRefPtrTest, ReleasedFromManyThreadsDeletesOnce) {
  int deaths = 0;
  CRefPtr<Node> shared = new Node(&deaths);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([copy = shared]() mutable {
      for (int i = 0; i < 1000; ++i) {
        CRefPtr<Node> local = copy;
        local.reset();
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(deaths, 0);
  shared.reset();
  EXPECT_EQ(deaths, 1);
}

}  // namespace
