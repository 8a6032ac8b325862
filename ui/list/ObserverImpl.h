// An observer keeping its receivers in registration order (not owned).
#pragma once
#include "ui/core/UIPtrArray.h"
#include "ui/list/ObserverImplBase.h"
#include "ui/list/ReceiverImplBase.h"

namespace SkinUI {

template <typename ReturnT, typename ParamT>
class ObserverImpl : public ObserverImplBase<ReturnT, ParamT> {
 public:
  typedef ReceiverImplBase<ReturnT, ParamT> Receiver;

  ObserverImpl() = default;
  ObserverImpl(const ObserverImpl&) = delete;
  ObserverImpl& operator=(const ObserverImpl&) = delete;

  void AddReceiver(Receiver* receiver) override {
    if (!receiver) return;
    m_receivers.Add(receiver);
    receiver->AddObserver(this);
  }
  // The receiver is not told.
  void RemoveReceiver(Receiver* receiver) override {
    if (!receiver) return;
    int at = m_receivers.Find(receiver);
    if (at >= 0) m_receivers.Remove(at);
  }
  ReturnT Broadcast(ParamT param) override {
    Walk(false, [&](Receiver* r) { r->Receive(param); });
    return ReturnT();
  }
  ReturnT RBroadcast(ParamT param) override {
    Walk(true, [&](Receiver* r) { r->Receive(param); });
    return ReturnT();
  }
  ReturnT Notify(ParamT param) override {
    Walk(false, [&](Receiver* r) { r->Respond(param, this); });
    return ReturnT();
  }
  virtual ~ObserverImpl() = default;

  int GetReceiverCount() const { return m_receivers.GetSize(); }

 private:
  // A receiver may remove itself or others from inside its call.
  template <class Call>
  void Walk(bool reverse, Call call) {
    m_receivers.Walk(
        [&](void* receiver) {
          call(static_cast<Receiver*>(receiver));
          return false;
        },
        reverse);
  }

  CUIPtrArray m_receivers;
};

}  // namespace SkinUI
