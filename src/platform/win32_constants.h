// Numeric Win32 constants used by the portable core, written from their
// documented values so that the core never needs windows.h.
#pragma once
#include <cstdint>

namespace platform {

// Win32 error codes.
inline constexpr int32_t kErrorSuccess = 0;
inline constexpr int32_t kErrorFileNotFound = 2;
inline constexpr int32_t kErrorPathNotFound = 3;
inline constexpr int32_t kErrorAccessDenied = 5;
inline constexpr int32_t kErrorInvalidHandle = 6;
inline constexpr int32_t kErrorNotEnoughMemory = 8;
inline constexpr int32_t kErrorInvalidData = 13;
inline constexpr int32_t kErrorWriteFault = 29;
inline constexpr int32_t kErrorFileExists = 80;
inline constexpr int32_t kErrorInvalidParameter = 87;
inline constexpr int32_t kErrorAlreadyExists = 183;
inline constexpr int32_t kErrorMoreData = 234;
inline constexpr int32_t kErrorNoMoreItems = 259;
inline constexpr int32_t kErrorKeyDeleted = 1018;
inline constexpr int32_t kErrorNoSuchPrivilege = 1313;
inline constexpr int32_t kErrorPrivilegeNotHeld = 1314;

// Registry access rights.
inline constexpr uint32_t kKeyQueryValue = 0x0001;
inline constexpr uint32_t kKeySetValue = 0x0002;
inline constexpr uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr uint32_t kKeyNotify = 0x0010;
inline constexpr uint32_t kKeyCreateLink = 0x0020;
inline constexpr uint32_t kKeyWow64_64Key = 0x0100;
inline constexpr uint32_t kKeyWow64_32Key = 0x0200;
inline constexpr uint32_t kDelete = 0x00010000;
inline constexpr uint32_t kKeyRead = 0x20019;
inline constexpr uint32_t kKeyWrite = 0x20006;
inline constexpr uint32_t kKeyAllAccess = 0xF003F;

// Registry key options and dispositions.
inline constexpr uint32_t kRegOptionNonVolatile = 0;
inline constexpr uint32_t kRegOptionVolatile = 1;
inline constexpr uint32_t kRegOptionBackupRestore = 4;
inline constexpr uint32_t kRegCreatedNewKey = 1;
inline constexpr uint32_t kRegOpenedExistingKey = 2;

// Registry value types.
inline constexpr uint32_t kRegNone = 0;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegDwordBigEndian = 5;
inline constexpr uint32_t kRegLink = 6;
inline constexpr uint32_t kRegMultiSz = 7;
inline constexpr uint32_t kRegResourceList = 8;
inline constexpr uint32_t kRegQword = 11;

// File attributes.
inline constexpr uint32_t kFileAttributeReadOnly = 0x01;
inline constexpr uint32_t kFileAttributeHidden = 0x02;
inline constexpr uint32_t kFileAttributeDirectory = 0x10;
inline constexpr uint32_t kFileAttributeArchive = 0x20;
inline constexpr uint32_t kFileAttributeNormal = 0x80;
inline constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;

// Special folders (CSIDL).
inline constexpr int kCsidlAppData = 0x1A;
inline constexpr int kCsidlRecent = 0x08;
inline constexpr int kCsidlFonts = 0x14;
inline constexpr int kCsidlCommonAppData = 0x23;
inline constexpr int kCsidlWindows = 0x24;
inline constexpr int kCsidlSystem = 0x25;

// Version information.
inline constexpr uint32_t kVerPlatformWin32Windows = 1;
inline constexpr uint32_t kVerPlatformWin32Nt = 2;
inline constexpr uint8_t kVerNtWorkstation = 1;

inline constexpr uint32_t kMaxPath = 260;

}  // namespace platform
