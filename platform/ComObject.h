// Creating COM objects and asking them for interfaces, with failures raised
// as the program's errors.
#pragma once

#include <windows.h>

#include <string>

#include "ComPtr.h"
#include "Errors.h"

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, upper-case hexadecimal.
std::string GuidToString(const GUID& guid);

// The system's text for a result code, without trailing spaces, line
// breaks and periods; "OLE error XXXXXXXX" when the system has none.
std::string OleErrorMessage(HRESULT code);

// A new object of the class (in-process or local server), as IUnknown. A
// failure raises EOleSysError: the system's text + ", ClassID: {...}".
ComPtr<IUnknown> CreateComObject(REFCLSID classId);

// Raises EOleSysError with the system's text when result is a failure.
void OleCheck(HRESULT result);

// The object's interface iid; EIntfCastError when it does not offer it.
template <class T>
ComPtr<T> QueryInterfaceOrRaise(const ComPtr<IUnknown>& object, REFIID iid) {
  ComPtr<T> result = object.template Query<T>(iid);
  if (!result) throw EIntfCastError();
  return result;
}

// The bytes the object saves of itself through IPersistStream (a shell
// link's file, say), so that the caller can write them through a file it
// holds instead of handing the object a path. Failures raise as above.
std::string PersistedBytes(const ComPtr<IUnknown>& object);
