// The file-extension, MUI-cache and file-association scanners
// (categories 9, 10 and 14).
#pragma once
#include "scan/purvex_impl.h"

namespace NSTorvane {

// Extension keys under Explorer's FileExts that hold nothing.
class CPurvexFileExts : public CPurvexImpl {
 public:
  using CPurvexImpl::CPurvexImpl;
  void Scan() override;
};

// Cached display names of programs that are gone.
class CPurvexMUICache : public CPurvexImpl {
 public:
  using CPurvexImpl::CPurvexImpl;
  void Scan() override;
};

// Empty class keys, and extensions whose class key is missing.
class CPurvexFileAssoc : public CPurvexImpl {
 public:
  using CPurvexImpl::CPurvexImpl;
  void Scan() override;
};

}  // namespace NSTorvane
