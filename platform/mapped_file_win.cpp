// Windows side of the file mappings. Windows refuses to shrink a file while a view of it
// is mapped (SetEndOfFile fails with ERROR_USER_MAPPED_FILE), so a mapped page cannot
// vanish under a read the way it can on POSIX, and a guarded section just runs.
#include <windows.h>

#include <io.h>


#include "platform/mapped_file.h"

namespace qm::platform {

void FileMapping::release() {
  if (data_) UnmapViewOfFile(data_);
  data_ = nullptr;
  size_ = 0;
}

std::optional<FileMapping> FileMapping::map(std::FILE* file, std::uint64_t offset, std::size_t length) {
  if (!file || length == 0 || offset % mappingGranularity() != 0) return std::nullopt;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  HANDLE section = CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (!section) return std::nullopt;
  void* view = MapViewOfFile(section, FILE_MAP_READ, static_cast<DWORD>(offset >> 32),
                             static_cast<DWORD>(offset & 0xFFFFFFFFu), length);
  CloseHandle(section);  // the view keeps the section alive
  if (!view) return std::nullopt;
  FileMapping mapping;
  mapping.data_ = static_cast<const std::uint8_t*>(view);
  mapping.size_ = length;
  return mapping;
}

std::size_t mappingGranularity() {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  return info.dwAllocationGranularity;
}

std::optional<std::uint64_t> currentSize(std::FILE* file) {
  if (!file) return std::nullopt;
  const __int64 size = _filelengthi64(_fileno(file));
  if (size < 0) return std::nullopt;
  return static_cast<std::uint64_t>(size);
}

bool runGuarded(void (*section)(void* context), void* context) {
  section(context);
  return true;
}

GatherResult writeGathered(std::FILE* out, std::span<const Piece> pieces) {
  for (const Piece& p : pieces)
    if (std::fwrite(p.data, 1, p.size, out) != p.size) return GatherResult::WriteFailed;
  return GatherResult::Written;
}

}  // namespace qm::platform
