#include "FolderListing.h"

#include <utility>
#include <vector>

void ForEachItemIn(const THandle& folder, const std::function<void(const std::wstring& name, uint32_t attributes)>& visit) {
  std::vector<std::pair<std::wstring, uint32_t>> items;
  alignas(8) char listing[16384];
  FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
  while (GetFileInformationByHandleEx(folder.Get(), kind, listing, sizeof listing)) {
    kind = FileIdBothDirectoryInfo;
    for (size_t at = 0;;) {
      const auto& found = *reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(listing + at);
      std::wstring name(found.FileName, found.FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..") items.emplace_back(std::move(name), found.FileAttributes);
      if (found.NextEntryOffset == 0) break;
      at += found.NextEntryOffset;
    }
  }
  for (const auto& [name, attributes] : items) visit(name, attributes);
}
