// COM object creation and interface queries, and the pointer that owns them.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "ComObject.h"
#include "ComPtr.h"
#include "Errors.h"

namespace {

// {6B7E1D0A-3C55-4F1E-9B8A-0D2C4E6F8A1B}: registered nowhere.
const CLSID UnknownClass = {0x6B7E1D0A, 0x3C55, 0x4F1E, {0x9B, 0x8A, 0x0D, 0x2C, 0x4E, 0x6F, 0x8A, 0x1B}};

TEST(GuidToString, UsesBracesAndUpperCaseHexadecimal) {
  EXPECT_EQ(GuidToString(CLSID_ShellLink), "{00021401-0000-0000-C000-000000000046}");
  EXPECT_EQ(GuidToString(UnknownClass), "{6B7E1D0A-3C55-4F1E-9B8A-0D2C4E6F8A1B}");
}

TEST(OleErrorMessage, IsTheSystemTextWithoutTrailingBreaksOrPeriod) {
  const std::string text = OleErrorMessage(E_OUTOFMEMORY);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '.');
  EXPECT_NE(text.back(), '\n');
  EXPECT_EQ(text.find("OLE error"), std::string::npos) << text;
  EXPECT_EQ(OleErrorMessage(HRESULT(0xA0BC1234)), "OLE error A0BC1234");
}

// A created object is only of use within an apartment.
class ComObjectTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(ComObjectTest, CreatesTheShellLinkWithItsInterfaces) {
  const ComPtr<IUnknown> object = CreateComObject(CLSID_ShellLink);
  ASSERT_TRUE(object);
  EXPECT_TRUE(QueryInterfaceOrRaise<IShellLinkA>(object, IID_IShellLinkA));
  EXPECT_TRUE(object.Query<IPersistFile>(IID_IPersistFile));
}

TEST_F(ComObjectTest, AFailedCreationRaisesTheSystemTextAndTheClassId) {
  try {
    CreateComObject(UnknownClass);
    FAIL() << "no error raised";
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.ErrorCode, REGDB_E_CLASSNOTREG);
    EXPECT_EQ(e.Message, OleErrorMessage(REGDB_E_CLASSNOTREG) + ", ClassID: {6B7E1D0A-3C55-4F1E-9B8A-0D2C4E6F8A1B}");
  }
}

TEST_F(ComObjectTest, AMissingInterfaceRaisesInterfaceNotSupported) {
  const ComPtr<IUnknown> object = CreateComObject(CLSID_ShellLink);
  try {
    QueryInterfaceOrRaise<IClassFactory>(object, IID_IClassFactory);
    FAIL() << "no error raised";
  } catch (const EIntfCastError& e) {
    EXPECT_EQ(e.Message, "Interface not supported");
  }
}

TEST(ComObjectWithoutApartment, RaisesInsteadOfReturningNothing) {
  EXPECT_THROW(CreateComObject(CLSID_ShellLink), EOleSysError);
}

// An object that counts its references and offers IUnknown alone.
class CountedObject : public IUnknown {
 public:
  ULONG references = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!IsEqualIID(iid, IID_IUnknown)) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
};

TEST(ComPtr, ReleasesEachReferenceOnceOnEveryWayOut) {
  CountedObject object;
  {
    ComPtr<IUnknown> owner(&object);
    ComPtr<IUnknown> moved(std::move(owner));
    EXPECT_FALSE(owner);
    EXPECT_EQ(object.references, 1u);
    {
      ComPtr<IUnknown> again = moved.Query<IUnknown>(IID_IUnknown);
      EXPECT_EQ(object.references, 2u);
      moved = std::move(again);
      EXPECT_EQ(object.references, 1u);
    }
    EXPECT_FALSE(moved.Query<IClassFactory>(IID_IClassFactory));
    EXPECT_EQ(object.references, 1u);
    EXPECT_THROW(QueryInterfaceOrRaise<IClassFactory>(moved, IID_IClassFactory), EIntfCastError);
    EXPECT_EQ(object.references, 1u) << "the failed query holds nothing";
  }
  EXPECT_EQ(object.references, 0u);
}

}  // namespace
