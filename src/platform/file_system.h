// Files and folders as the portable core sees them (kernel32 file calls).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct FileEntry {
  std::wstring name;  // name inside the folder, as written
  uint32_t attributes = 0;
  uint64_t size = 0;
};

// A file opened for reading and writing (created if missing, never
// truncated), positioned at its end for appending.
class IAppendFile {
 public:
  virtual ~IAppendFile() = default;
  virtual uint64_t Size() const = 0;
  virtual bool Append(const void* bytes, size_t count) = 0;
  // Pushes everything appended so far to the disk (FlushFileBuffers).
  virtual bool Flush() = 0;
};

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;

  // PathFileExistsW: a file or a folder.
  virtual bool PathExists(const std::wstring& path) = 0;
  // GetFileAttributesW; kInvalidFileAttributes when missing.
  virtual uint32_t GetAttributes(const std::wstring& path) = 0;
  // CreateDirectoryW (one level); error code out, kErrorAlreadyExists if there.
  virtual bool CreateFolder(const std::wstring& path, int32_t* error = nullptr) = 0;
  virtual bool DeleteFile(const std::wstring& path, int32_t* error = nullptr) = 0;
  // MoveFileW: fails when the target exists.
  virtual bool MoveFile(const std::wstring& from, const std::wstring& to,
                        int32_t* error = nullptr) = 0;
  // FindFirstFileW/FindNextFileW over a pattern such as "C:\dir\*.reg";
  // "." and ".." are left out.
  virtual std::vector<FileEntry> ListFolder(const std::wstring& pattern) = 0;
  virtual bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>* bytes,
                             int32_t* error = nullptr) = 0;
  // Creates or replaces a file with the given bytes.
  virtual bool WriteWholeFile(const std::wstring& path, const void* bytes, size_t count,
                              int32_t* error = nullptr) = 0;
  virtual std::unique_ptr<IAppendFile> OpenForAppend(const std::wstring& path,
                                                     int32_t* error = nullptr) = 0;

  // File-system redirection of a 32-bit process under WOW64, for the calling
  // thread. Use NativeFileView rather than these two.
  virtual bool DisableRedirection(void** previous) = 0;
  virtual void RevertRedirection(void* previous) = 0;
};

// While it lives, file calls of this thread see the native file system
// (the real System32 under WOW64). A no-op where there is no redirection.
class NativeFileView {
 public:
  explicit NativeFileView(IFileSystem& files) : files_(files) {
    active_ = files_.DisableRedirection(&previous_);
  }
  ~NativeFileView() {
    if (active_) files_.RevertRedirection(previous_);
  }
  NativeFileView(const NativeFileView&) = delete;
  NativeFileView& operator=(const NativeFileView&) = delete;

 private:
  IFileSystem& files_;
  void* previous_ = nullptr;
  bool active_ = false;
};

}  // namespace platform
