// The version resource of shipped files, read as Windows Explorer reads it.
#include <windows.h>

#include <string>
#include <vector>

#include "fixture.h"

namespace kst::test {
namespace {

std::string FixedVersion(DWORD high, DWORD low) {
  return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." +
         std::to_string(HIWORD(low)) + "." + std::to_string(LOWORD(low));
}

// One string of the U.S. English, Unicode block, or "(none)".
std::string StringValue(std::vector<char>& data, const char* name) {
  const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
  char* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !length)
    return "(none)";
  return value;
}

// One line about FILE, or false when it has no version resource.
bool DescribeVersion(const std::string& file) {
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), nullptr);
  std::vector<char> data(size);
  if (!size || !GetFileVersionInfoA(file.c_str(), 0, size, data.data())) {
    Say("%s: no version resource (error %lu)", file.c_str(), GetLastError());
    return false;
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) ||
      length < sizeof(*fixed) || fixed->dwSignature != VS_FFI_SIGNATURE) {
    Say("%s: no fixed version information", file.c_str());
    return false;
  }
  const char* type = fixed->dwFileType == VFT_APP ? "app" : fixed->dwFileType == VFT_DLL ? "dll" : "other";
  Say("%s: file=%s product=%s type=%s|FileVersion=%s|ProductVersion=%s|ProductName=%s|"
      "OriginalFilename=%s|FileDescription=%s",
      file.c_str(), FixedVersion(fixed->dwFileVersionMS, fixed->dwFileVersionLS).c_str(),
      FixedVersion(fixed->dwProductVersionMS, fixed->dwProductVersionLS).c_str(), type,
      StringValue(data, "FileVersion").c_str(), StringValue(data, "ProductVersion").c_str(),
      StringValue(data, "ProductName").c_str(), StringValue(data, "OriginalFilename").c_str(),
      StringValue(data, "FileDescription").c_str());
  return true;
}

}  // namespace

// versioninfo FILE...: a line per file with its fixed and string versions,
// product name, original file name and description; 1 when any file has none.
KST_FIXTURE_ROLE("versioninfo", VersionInfoRole) {
  int result = args.empty() ? 2 : 0;
  for (const std::string& file : args) {
    if (!DescribeVersion(file)) result = 1;
  }
  return result;
}

}  // namespace kst::test
