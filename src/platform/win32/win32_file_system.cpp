#include <algorithm>

#include "platform/win32/handles.h"
#include "platform/win32/win32_backend.h"

namespace platform::win32 {

namespace {

// Stores GetLastError() where the caller asked for it; always returns false.
bool Fail(int32_t* error) {
  if (error != nullptr) *error = static_cast<int32_t>(GetLastError());
  return false;
}

bool Succeed(int32_t* error) {
  if (error != nullptr) *error = ERROR_SUCCESS;
  return true;
}

// WriteFile in pieces that fit a DWORD.
bool WriteAll(HANDLE file, const void* bytes, size_t count) {
  const auto* next = static_cast<const uint8_t*>(bytes);
  while (count > 0) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(count, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, next, piece, &written, nullptr)) return false;
    if (written == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    next += written;
    count -= written;
  }
  return true;
}

class Win32AppendFile final : public IAppendFile {
 public:
  explicit Win32AppendFile(UniqueHandle file) : file_(std::move(file)) {}

  uint64_t Size() const override {
    LARGE_INTEGER size{};
    return GetFileSizeEx(file_.Get(), &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
  }
  bool Append(const void* bytes, size_t count) override {
    return WriteAll(file_.Get(), bytes, count);
  }
  bool Flush() override { return FlushFileBuffers(file_.Get()) != 0; }

 private:
  UniqueHandle file_;
};

using DisableRedirectionFn = BOOL(WINAPI*)(PVOID*);
using RevertRedirectionFn = BOOL(WINAPI*)(PVOID);

}  // namespace

bool Win32FileSystem::PathExists(const std::wstring& path) {
  return PathFileExistsW(path.c_str()) != FALSE;
}

uint32_t Win32FileSystem::GetAttributes(const std::wstring& path) {
  return GetFileAttributesW(path.c_str());
}

bool Win32FileSystem::CreateFolder(const std::wstring& path, int32_t* error) {
  return CreateDirectoryW(path.c_str(), nullptr) ? Succeed(error) : Fail(error);
}

bool Win32FileSystem::DeleteFile(const std::wstring& path, int32_t* error) {
  return DeleteFileW(path.c_str()) ? Succeed(error) : Fail(error);
}

bool Win32FileSystem::MoveFile(const std::wstring& from, const std::wstring& to,
                               int32_t* error) {
  return MoveFileW(from.c_str(), to.c_str()) ? Succeed(error) : Fail(error);
}

std::vector<FileEntry> Win32FileSystem::ListFolder(const std::wstring& pattern) {
  std::vector<FileEntry> entries;
  WIN32_FIND_DATAW data{};
  UniqueFind find(FindFirstFileW(pattern.c_str(), &data));
  if (!find.Valid()) return entries;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entries.push_back(FileEntry{name, data.dwFileAttributes, size});
  } while (FindNextFileW(find.Get(), &data));
  return entries;
}

bool Win32FileSystem::ReadWholeFile(const std::wstring& path, std::vector<uint8_t>* bytes,
                                    int32_t* error) {
  bytes->clear();
  // Others may hold the file open for writing (an append log).
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return Fail(error);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) return Fail(error);
  if (static_cast<uint64_t>(size.QuadPart) > SIZE_MAX / 2) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return Fail(error);
  }
  bytes->resize(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < bytes->size()) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes->size() - done, 1u << 30));
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes->data() + done, piece, &read, nullptr)) {
      bytes->clear();
      return Fail(error);
    }
    if (read == 0) break;  // shorter than its size said (truncated meanwhile)
    done += read;
  }
  bytes->resize(done);
  return Succeed(error);
}

bool Win32FileSystem::WriteWholeFile(const std::wstring& path, const void* bytes, size_t count,
                                     int32_t* error) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return Fail(error);
  return WriteAll(file.Get(), bytes, count) ? Succeed(error) : Fail(error);
}

std::unique_ptr<IAppendFile> Win32FileSystem::OpenForAppend(const std::wstring& path,
                                                            int32_t* error) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER zero{};
  if (!file.Valid() || !SetFilePointerEx(file.Get(), zero, nullptr, FILE_END)) {
    Fail(error);
    return nullptr;
  }
  Succeed(error);
  return std::make_unique<Win32AppendFile>(std::move(file));
}

bool Win32FileSystem::DisableRedirection(void** previous) {
  if (!ProcessIsWow64()) return false;
  static const auto disable =
      SystemProc<DisableRedirectionFn>(L"kernel32", "Wow64DisableWow64FsRedirection");
  return disable != nullptr && disable(previous) != FALSE;
}

void Win32FileSystem::RevertRedirection(void* previous) {
  static const auto revert =
      SystemProc<RevertRedirectionFn>(L"kernel32", "Wow64RevertWow64FsRedirection");
  if (revert != nullptr) revert(previous);
}

}  // namespace platform::win32
