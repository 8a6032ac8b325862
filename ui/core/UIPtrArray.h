// A growable array of untyped pointers; it never owns what the pointers point at.
#pragma once

namespace SkinUI {

class CUIPtrArray {
 public:
  explicit CUIPtrArray(int preallocSize = 0);
  CUIPtrArray(const CUIPtrArray& other);
  CUIPtrArray& operator=(const CUIPtrArray& other);
  ~CUIPtrArray();

  void Empty();
  void Resize(int size);
  bool IsEmpty() const { return m_nCount == 0; }
  bool Add(void* data);
  bool InsertAt(int index, void* data);
  bool SetAt(int index, void* data);
  bool Remove(int index);
  int Find(void* data) const;
  int GetSize() const { return m_nCount; }
  void* GetAt(int index) const;
  void* operator[](int index) const { return GetAt(index); }
  void** GetData() { return m_ppVoid; }

  // Calls `call` with each item present when the walk starts, in order (or reversed), that is
  // still present when its turn comes: a callee may remove itself or others, and one added
  // meanwhile waits for the next walk. Stops at the first call that answers true and answers
  // whether one did.
  template <class Call>
  bool Walk(Call call, bool reverse = false) const {
    CUIPtrArray items(*this);
    const int n = items.GetSize();
    for (int k = 0; k < n; ++k) {
      void* item = items.GetAt(reverse ? n - 1 - k : k);
      if (Find(item) >= 0 && call(item)) return true;
    }
    return false;
  }

 private:
  bool Grow();

  void** m_ppVoid;
  int m_nCount;
  int m_nAllocated;
};

}  // namespace SkinUI
