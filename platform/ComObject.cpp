#include "ComObject.h"

#include "HexText.h"

std::string GuidToString(const GUID& g) {
  std::string text = "{";
  AppendHex(text, g.Data1, 8);
  text += '-';
  AppendHex(text, g.Data2, 4);
  text += '-';
  AppendHex(text, g.Data3, 4);
  for (int i = 0; i < 8; ++i) {
    if (i == 0 || i == 2) text += '-';
    AppendHex(text, g.Data4[i], 2);
  }
  return text + "}";
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
    text = "OLE error ";
    AppendHex(text, static_cast<unsigned long>(code), 8);
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

void OleCheck(HRESULT result) {
  if (FAILED(result)) throw EOleSysError(OleErrorMessage(result), result);
}

std::string PersistedBytes(const ComPtr<IUnknown>& object) {
  const ComPtr<IPersistStream> persist = QueryInterfaceOrRaise<IPersistStream>(object, IID_IPersistStream);
  ComPtr<IStream> stream;
  OleCheck(CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf()));
  OleCheck(persist->Save(stream.Get(), TRUE));
  ULARGE_INTEGER size{};
  OleCheck(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &size));
  HGLOBAL memory = nullptr;
  OleCheck(GetHGlobalFromStream(stream.Get(), &memory));
  const void* bytes = GlobalLock(memory);
  if (!bytes) throw EOleSysError(OleErrorMessage(E_OUTOFMEMORY), E_OUTOFMEMORY);
  std::string saved(static_cast<const char*>(bytes), size_t(size.QuadPart));
  GlobalUnlock(memory);
  return saved;
}
