// The security decisions the elevated install and removal make, on
// security descriptors made for the test: Wine enforces no access checks on
// files, but its AccessCheck and the descriptors' ACEs answer as Windows'.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "Elevation.h"
#include "FileIdentity.h"
#include "FolderProtection.h"

namespace {

TSecurityDescriptor Descriptor(const std::wstring& sddl) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  EXPECT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr)) << sddl.c_str();
  return TSecurityDescriptor(sd);
}

std::wstring ThisUsersSid() {
  HANDLE raw = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw);
  const THandle token(raw);
  std::vector<BYTE> buffer(256);
  DWORD size = 0;
  GetTokenInformation(token.Get(), TokenUser, buffer.data(), DWORD(buffer.size()), &size);
  LPWSTR text = nullptr;
  ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text);
  const std::wstring sid = text ? text : L"";
  LocalFree(text);
  return sid;
}

// What User Account Control's limited token is to an administrator's full
// one: the same user and groups, Administrators for denying only.
THandle LimitedToken() {
  HANDLE raw = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &raw);
  const THandle token(raw);
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof administrators;
  CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size);
  SID_AND_ATTRIBUTES disabled{administrators, 0};
  HANDLE restricted = nullptr, identification = nullptr;
  EXPECT_TRUE(CreateRestrictedToken(token.Get(), 0, 1, &disabled, 0, nullptr, 0, nullptr, &restricted));
  const THandle restrictedHeld(restricted);
  EXPECT_TRUE(DuplicateToken(restricted, SecurityIdentification, &identification));
  return THandle(identification);
}

struct DescriptorCase {
  const char* name;
  std::wstring sddl;  // "<me>" stands for this process's user
  bool expected;
};

std::ostream& operator<<(std::ostream& out, const DescriptorCase& c) { return out << c.name; }

std::wstring WithMe(std::wstring sddl) {
  const std::wstring me = L"<me>";
  for (size_t at; (at = sddl.find(me)) != std::wstring::npos;) sddl.replace(at, me.size(), ThisUsersSid());
  return sddl;
}

// ---- Whether the limited token may change an item: the elevated removal's test of its record

class LimitedTokenMayChange : public ::testing::TestWithParam<DescriptorCase> {};

TEST_P(LimitedTokenMayChange, AsTheDescriptorSays) {
  const THandle limited = LimitedToken();
  ASSERT_FALSE(IsAdministrator(limited.Get()));
  const TSecurityDescriptor sd = Descriptor(WithMe(GetParam().sddl));
  EXPECT_EQ(TokenMayChange(sd.Get(), limited.Get()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, LimitedTokenMayChange,
    ::testing::Values(
        // A file an elevated install made in Program Files.
        DescriptorCase{"ProgramFilesFile", L"O:BAG:BAD:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1200a9;;;BU)", false},
        // A per-user install: the user's own, and so their programs'.
        DescriptorCase{"OwnedByTheUser", L"O:<me>G:BAD:(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)", true},
        DescriptorCase{"UsersMayModify", L"O:BAG:BAD:(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1301bf;;;BU)", true},
        DescriptorCase{"AuthenticatedUsersMayAddFiles", L"O:BAG:BAD:(A;;FA;;;BA)(A;;0x1200ab;;;AU)", true},
        DescriptorCase{"EveryoneMayDelete", L"O:BAG:BAD:(A;;FA;;;BA)(A;;0x110000;;;WD)", true},
        DescriptorCase{"UsersMayChangeItsProtection", L"O:BAG:BAD:(A;;FA;;;BA)(A;;0x40000;;;BU)", true},
        DescriptorCase{"UsersDeniedWhatTheyWouldBeGiven", L"O:BAG:BAD:(D;;0x1301bf;;;BU)(A;;FA;;;BA)(A;;0x1301bf;;;BU)", false},
        DescriptorCase{"NothingGranted", L"O:SYG:SYD:P(A;;FA;;;SY)", false},
        DescriptorCase{"NoDacl", L"O:BAG:BA", true}),
    [](const ::testing::TestParamInfo<DescriptorCase>& info) { return std::string(info.param.name); });

// ---- Whether others than the administrators, the system and this user may change a folder

class OthersMayChangeFolder : public ::testing::TestWithParam<DescriptorCase> {};

TEST_P(OthersMayChangeFolder, AsTheDescriptorSays) {
  const TSecurityDescriptor sd = Descriptor(WithMe(GetParam().sddl));
  EXPECT_EQ(OthersMayChange(sd.Get()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, OthersMayChangeFolder,
    ::testing::Values(
        // A system drive's root: every signed-in user may make folders there
        // and change what is made in them.
        DescriptorCase{"DriveRoot", L"D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICIIO;GA;;;CO)(A;OICI;0x1200a9;;;BU)"
                                    L"(A;CI;LC;;;AU)(A;CIIO;DC;;;AU)", true},
        DescriptorCase{"ProgramFiles", L"D:PAI(A;;FA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)"
                                       L"(A;CIIO;GA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)"
                                       L"(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)"
                                       L"(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)", false},
        DescriptorCase{"TheUsersOwnFolder", L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;<me>)", false},
        DescriptorCase{"EveryoneReadsOnly", L"D:(A;OICI;FA;;;<me>)(A;OICI;0x1200a9;;;WD)", false},
        DescriptorCase{"EveryoneWrites", L"D:(A;OICI;FA;;;<me>)(A;OICI;0x1301ff;;;WD)", true},
        DescriptorCase{"UsersGenericWriteOnFilesOnly", L"D:(A;OICI;FA;;;BA)(A;OIIO;GW;;;BU)", true},
        DescriptorCase{"AnotherUser", L"D:(A;OICI;FA;;;BA)(A;OICI;FA;;;S-1-5-21-1-2-3-1001)", true},
        DescriptorCase{"NoDacl", L"O:BAG:BA", true}),
    [](const ::testing::TestParamInfo<DescriptorCase>& info) { return std::string(info.param.name); });

// The protection given is Program Files' own, which nobody else may change.
TEST(FolderProtection, ProgramFilesProtectionLetsNoOtherUserChangeAnything) {
  const TSecurityDescriptor sd = Descriptor(std::wstring(L"O:BAG:BA") + ProgramFilesProtection);
  EXPECT_FALSE(OthersMayChange(sd.Get()));
  const THandle limited = LimitedToken();
  EXPECT_FALSE(TokenMayChange(sd.Get(), limited.Get()));
}

// ---- An item the system cannot name is at no path

TEST(FileIdentity, AnItemWithoutAPathIsAtNoPathNotEvenAnEmptyOne) {
  HANDLE read = nullptr, write = nullptr;
  ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
  const THandle pipe(read), other(write);
  ASSERT_EQ(FinalPathOf(pipe), L"");
  EXPECT_FALSE(IsItemAt(pipe, L""));
}

}  // namespace
