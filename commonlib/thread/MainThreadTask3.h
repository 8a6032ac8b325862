// A plain function bound to copies of three arguments, run later on the main thread.
// Si is the stored type of an argument, Pi the parameter type of the function.
#pragma once

#include "commonlib/thread/MainThreadTaskBase.h"

template <class S1, class P1, class S2, class P2, class S3, class P3>
class MainThreadTask3 : public MainThreadTaskBase {
 public:
  typedef void (*Function)(P1, P2, P3);

  MainThreadTask3(Function fn, const S1& a1, const S2& a2, const S3& a3)
      : m_fn(fn), m_a1(a1), m_a2(a2), m_a3(a3) {}
  void Run() override { m_fn(m_a1, m_a2, m_a3); }

 private:
  Function m_fn;
  S1 m_a1;
  S2 m_a2;
  S3 m_a3;
};
