// Gives a class one process-wide instance, created on first use and destroyed at exit.
#pragma once

template <class T>
class CSingleton {
 public:
  static T& Instance() {
    static T instance;
    return instance;
  }

 protected:
  CSingleton() = default;
  ~CSingleton() = default;
  CSingleton(const CSingleton&) = delete;
  CSingleton& operator=(const CSingleton&) = delete;
};
