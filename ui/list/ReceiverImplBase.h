// A receiver of an observer's broadcasts.
#pragma once

namespace SkinUI {

template <typename ReturnT, typename ParamT>
class ObserverImplBase;

template <typename ReturnT, typename ParamT>
class ReceiverImplBase {
 public:
  virtual void AddObserver(ObserverImplBase<ReturnT, ParamT>* observer) = 0;
  virtual void RemoveObserver() = 0;
  virtual ReturnT Receive(ParamT param) = 0;
  virtual ReturnT Respond(ParamT param, ObserverImplBase<ReturnT, ParamT>* observer) = 0;

 protected:
  ~ReceiverImplBase() = default;
};

}  // namespace SkinUI
