#include "plugins.h"

#include "kstclip.h"
#include "kstcopy.h"
#include "kstexcel.h"
#include "kstie.h"
#include "kststd.h"
#include "ksttom.h"
#include "kstword.h"

namespace kst {
namespace {

const TPluginEntry kPlugins[] = {
    {'A', {1, 1, tom::GetInfo, tom::CanHandle, tom::GetText, tom::SetText, nullptr}},
    // The caller's own tests: Word's and Excel's look at the window class
    // alone, which any thread can read; the clipboard's has no side effect.
    {'B', {1, 1, word::GetInfo, word::CanHandle, word::GetText, word::SetText, word::CanHandle}},
    {'C', {1, 0, excel::GetInfo, excel::CanHandle, excel::GetText, excel::SetText, excel::IsWorkbookWindow}},
    {'D', {1, 1, ie::GetInfo, ie::CanHandle, ie::GetText, ie::SetText, nullptr}},
    {'E', {1, 1, kststd::GetInfo, kststd::CanHandle, kststd::GetText, kststd::SetText, nullptr}},
    {'F', {1, 0, clip::GetInfo, clip::CanHandle, clip::GetText, clip::SetText, clip::CanHandle}},
    // Copy and paste is judged entirely from outside the application, so
    // its whole test serves the caller too.
    {'G', {1, 0, copy::GetInfo, copy::CanHandle, copy::GetText, copy::SetText, copy::CanHandle}},
};

}  // namespace

std::span<const TPluginEntry> BuiltInPlugins() noexcept {
  return kPlugins;
}

}  // namespace kst
