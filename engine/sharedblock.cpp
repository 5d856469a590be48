#include "sharedblock.h"

#include <cstring>

namespace kst {
namespace {
HANDLE g_Mapping = nullptr;
TSharedBlock* g_Block = nullptr;
}  // namespace

TSharedBlock* SharedBlock() noexcept { return g_Block; }

void AttachSharedBlock() noexcept {
  g_Mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                 kSharedBlockSize, kSharedBlockName);
  if (!g_Mapping) return;
  const bool isNew = GetLastError() != ERROR_ALREADY_EXISTS;
  auto* view = static_cast<TSharedBlock*>(
      MapViewOfFile(g_Mapping, FILE_MAP_ALL_ACCESS, 0, 0, kSharedBlockSize));
  if (!view) {
    // A mapping that others already hold stays open, as the block's owner
    // does; only one we created ourselves is given back.
    if (isNew) {
      CloseHandle(g_Mapping);
      g_Mapping = nullptr;
    }
    return;
  }
  if (isNew) std::memset(view, 0, kSharedBlockSize);
  view->ClientCount = view->ClientCount + 1;
  g_Block = view;
}

void DetachSharedBlock() noexcept {
  if (g_Block) {
    g_Block->ClientCount = g_Block->ClientCount - 1;
    UnmapViewOfFile(g_Block);
    g_Block = nullptr;
  }
  if (g_Mapping) {
    CloseHandle(g_Mapping);
    g_Mapping = nullptr;
  }
}

}  // namespace kst
