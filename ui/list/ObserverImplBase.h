// The interface of an observer that passes a parameter to its receivers.
#pragma once

namespace SkinUI {

template <typename ReturnT, typename ParamT>
class ReceiverImplBase;

template <typename ReturnT, typename ParamT>
class ObserverImplBase {
 public:
  virtual void AddReceiver(ReceiverImplBase<ReturnT, ParamT>* receiver) = 0;
  virtual void RemoveReceiver(ReceiverImplBase<ReturnT, ParamT>* receiver) = 0;
  virtual ReturnT Broadcast(ParamT param) = 0;
  virtual ReturnT RBroadcast(ParamT param) = 0;
  virtual ReturnT Notify(ParamT param) = 0;

 protected:
  ~ObserverImplBase() = default;
};

}  // namespace SkinUI
