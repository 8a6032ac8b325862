// A plain function bound to copies of two arguments, run later on the main thread.
// Si is the stored type of an argument, Pi the parameter type of the function.
#pragma once

#include "commonlib/thread/MainThreadTaskBase.h"

template <class S1, class P1, class S2, class P2>
class MainThreadTask2 : public MainThreadTaskBase {
 public:
  typedef void (*Function)(P1, P2);

  MainThreadTask2(Function fn, const S1& a1, const S2& a2) : m_fn(fn), m_a1(a1), m_a2(a2) {}
  void Run() override { m_fn(m_a1, m_a2); }

 private:
  Function m_fn;
  S1 m_a1;
  S2 m_a2;
};
