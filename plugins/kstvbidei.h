// Interfaces of the Visual Basic editor's object library that Word's own
// interfaces name in their member lists. Only the types are needed here.
#pragma once

#include <oaidl.h>

namespace kst::vbide {

struct VBProject : public IDispatch {};

}  // namespace kst::vbide
