#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <ole2.h>

#include <string>

namespace {

constexpr CLSID kClass = {0x1234ABCD, 0x0102, 0x0304, {0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C}};
constexpr wchar_t kClassText[] = L"{1234ABCD-0102-0304-0506-0708090A0B0C}";

// A class object that counts what it made.
class CountingFactory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    ++made;
    return QueryInterface(riid, ppv);  // the factory stands in for its object here
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
  ULONG refs = 1;
  int made = 0;

 protected:
  virtual ~CountingFactory() = default;
};

struct Factory : CountingFactory {};

void SetClassesValue(const std::wstring& key, const wchar_t* value) {
  HKEY hkey = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hkey, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(hkey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                 DWORD((wcslen(value) + 1) * sizeof(wchar_t)));
  RegCloseKey(hkey);
}

TEST(ComClassTest, ClassStrings) {
  struct Row {
    const wchar_t* text;
    HRESULT hr;
  };
  const Row rows[] = {
      {kClassText, S_OK},
      {L"{1234abcd-0102-0304-0506-0708090a0b0c}", S_OK},
      {L"1234ABCD-0102-0304-0506-0708090A0B0C", CO_E_CLASSSTRING},
      {L"{1234ABCD-0102-0304-0506-0708090A0B0}", CO_E_CLASSSTRING},
      {L"{1234ABCD-0102-0304-0506-0708090A0B0G}", CO_E_CLASSSTRING},
      {L"{1234ABCD+0102-0304-0506-0708090A0B0C}", CO_E_CLASSSTRING},
      {L"{1234ABCD-0102-0304-0506-0708090A0B0C}x", CO_E_CLASSSTRING},
  };
  for (const Row& row : rows) {
    CLSID clsid = kClass;
    EXPECT_EQ(CLSIDFromString(row.text, &clsid), row.hr);
    EXPECT_EQ(IsEqualCLSID(clsid, kClass), row.hr == S_OK);
  }
  wchar_t text[39] = {};
  EXPECT_EQ(StringFromGUID2(kClass, text, 39), 39);
  EXPECT_STREQ(text, kClassText);
  EXPECT_EQ(StringFromGUID2(kClass, text, 38), 0);
}

TEST(ComClassTest, RegisteredClassesProgIdsAndServers) {
  Factory factory;
  DWORD cookie = 0;
  IUnknown* made = nullptr;
  EXPECT_EQ(CoCreateInstance(kClass, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&made)),
            REGDB_E_CLASSNOTREG);
  ASSERT_EQ(CoRegisterClassObject(kClass, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
  EXPECT_EQ(factory.refs, 2u);
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(CoCreateInstance(kClass, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&made)), S_OK);
    made->Release();
  }
  EXPECT_EQ(factory.made, 2);
  EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ(CoRevokeClassObject(cookie), CO_E_OBJNOTREG);
  EXPECT_EQ(factory.refs, 1u);

  CLSID clsid = GUID_NULL;
  EXPECT_EQ(CLSIDFromProgID(L"JfTest.Counting", &clsid), CO_E_CLASSSTRING);
  SetClassesValue(L"JfTest.Counting\\CLSID", kClassText);
  EXPECT_EQ(CLSIDFromProgID(L"JfTest.Counting", &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, kClass));

  // A server that cannot be loaded, and one without DllGetClassObject.
  const std::wstring server = std::wstring(L"CLSID\\") + kClassText + L"\\InprocServer32";
  SetClassesValue(server, L"/nonexistent/libnothing.so");
  EXPECT_EQ(CoCreateInstance(kClass, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&made)),
            CO_E_DLLNOTFOUND);
  SetClassesValue(server, L"libz.so.1");
  EXPECT_EQ(CoCreateInstance(kClass, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&made)),
            CO_E_ERRORINDLL);
  EXPECT_EQ(made, nullptr);
  for (const std::wstring& key : {server, std::wstring(L"CLSID\\") + kClassText, std::wstring(L"JfTest.Counting\\CLSID"),
                                  std::wstring(L"JfTest.Counting")}) {
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str()), ERROR_SUCCESS);
  }
}

}  // namespace
