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
    for (int i = 0; i < m_receivers.GetSize(); ++i) At(i)->Receive(param);
    return ReturnT();
  }
  ReturnT RBroadcast(ParamT param) override {
    for (int i = m_receivers.GetSize() - 1; i >= 0; --i) At(i)->Receive(param);
    return ReturnT();
  }
  ReturnT Notify(ParamT param) override {
    for (int i = 0; i < m_receivers.GetSize(); ++i) At(i)->Respond(param, this);
    return ReturnT();
  }
  virtual ~ObserverImpl() = default;

  int GetReceiverCount() const { return m_receivers.GetSize(); }

 private:
  Receiver* At(int i) const { return static_cast<Receiver*>(m_receivers.GetAt(i)); }

  CUIPtrArray m_receivers;
};

}  // namespace SkinUI
