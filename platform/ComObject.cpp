#include "ComObject.h"

#include <cstdio>

std::string GuidToString(const GUID& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned long>(g.Data1),
                g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                g.Data4[7]);
  return text;
}

std::string OleErrorMessage(HRESULT code) {
  char* buffer = nullptr;
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text(buffer ? buffer : "", buffer ? length : 0);
  if (buffer) LocalFree(buffer);
  // The exception display adds its own period.
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) text.pop_back();
  if (text.empty()) {
    char fallback[32];
    std::snprintf(fallback, sizeof fallback, "OLE error %08lX", static_cast<unsigned long>(code));
    text = fallback;
  }
  return text;
}

ComPtr<IUnknown> CreateComObject(REFCLSID classId) {
  ComPtr<IUnknown> object;
  HRESULT hr = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                      reinterpret_cast<void**>(object.ReleaseAndGetAddressOf()));
  if (SUCCEEDED(hr) && !object) hr = E_NOINTERFACE;
  if (FAILED(hr)) throw EOleSysError(OleErrorMessage(hr) + ", ClassID: " + GuidToString(classId), hr);
  return object;
}
