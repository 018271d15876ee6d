// An in-memory file system with drive-letter paths compared ignoring case,
// for tests and the native build.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace platform::memory {

class MemoryFileSystem : public IFileSystem {
 public:
  MemoryFileSystem();
  ~MemoryFileSystem() override;

  // IFileSystem
  bool PathExists(const std::wstring& path) override;
  uint32_t GetAttributes(const std::wstring& path) override;
  bool CreateFolder(const std::wstring& path, int32_t* error = nullptr) override;
  bool DeleteFile(const std::wstring& path, int32_t* error = nullptr) override;
  bool MoveFile(const std::wstring& from, const std::wstring& to,
                int32_t* error = nullptr) override;
  std::vector<FileEntry> ListFolder(const std::wstring& pattern) override;
  bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>* bytes,
                     int32_t* error = nullptr) override;
  bool WriteWholeFile(const std::wstring& path, const void* bytes, size_t count,
                      int32_t* error = nullptr) override;
  std::unique_ptr<IAppendFile> OpenForAppend(const std::wstring& path,
                                             int32_t* error = nullptr) override;
  bool DisableRedirection(void** previous) override;
  void RevertRedirection(void* previous) override;

  // Test-side building and inspection. Missing parent folders are created.
  void AddFile(const std::wstring& path, std::vector<uint8_t> bytes = {});
  void AddFolder(const std::wstring& path);
  void Remove(const std::wstring& path);  // a file, or a folder with its contents
  std::optional<std::vector<uint8_t>> Contents(const std::wstring& path) const;
  // Writes (whole-file writes, appends, flushes, creations) to this path fail.
  void FailWritesTo(const std::wstring& path);
  // Relative paths resolve against this folder (default "C:\").
  void SetCurrentFolder(const std::wstring& folder);
  std::wstring CurrentFolder() const;
  // True while a NativeFileView of the calling thread is alive.
  bool RedirectionDisabledOnThisThread() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform::memory
