# CMake package of the selvor32 release: selvor32.dll and marbeck.dll for
# MinGW-w64 and Visual C++ consumers, 32-bit and 64-bit alike.
#
#   find_package(selvor32 CONFIG REQUIRED)
#   target_link_libraries(app PRIVATE selvor32::selvor32 selvor32::marbeck)
#
# The imported targets name the DLL of the consuming build's bitness (x86/ or
# x64/, from CMAKE_SIZEOF_VOID_P), the import library its toolchain reads
# (NAME.lib for Visual C++ and compilers that act as it, libNAME.dll.a for
# MinGW) and include/. $<TARGET_RUNTIME_DLLS:app> lists the DLLs to ship.

get_filename_component(_selvor32_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

macro(_selvor32_not_found message)
  set(selvor32_FOUND FALSE)
  set(selvor32_NOT_FOUND_MESSAGE "${message}")
  unset(_selvor32_root)
  return()
endmacro()

if(NOT WIN32)
  _selvor32_not_found("selvor32 and marbeck are Windows DLLs; this build does not target Windows")
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_selvor32_arch x64)
elseif(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_selvor32_arch x86)
else()
  _selvor32_not_found("selvor32 picks x86 or x64 from CMAKE_SIZEOF_VOID_P, which is unset: enable C or C++ before find_package(selvor32)")
endif()
if(MSVC OR CMAKE_C_SIMULATE_ID STREQUAL "MSVC" OR CMAKE_CXX_SIMULATE_ID STREQUAL "MSVC")
  set(_selvor32_implib_prefix "")
  set(_selvor32_implib_suffix ".lib")
else()
  set(_selvor32_implib_prefix "lib")
  set(_selvor32_implib_suffix ".dll.a")
endif()

foreach(_selvor32_name IN ITEMS selvor32 marbeck)
  set(_selvor32_dll "${_selvor32_root}/${_selvor32_arch}/bin/${_selvor32_name}.dll")
  set(_selvor32_implib
    "${_selvor32_root}/${_selvor32_arch}/lib/${_selvor32_implib_prefix}${_selvor32_name}${_selvor32_implib_suffix}")
  foreach(_selvor32_file IN ITEMS "${_selvor32_dll}" "${_selvor32_implib}")
    if(NOT EXISTS "${_selvor32_file}")
      _selvor32_not_found("${_selvor32_file} is missing: this copy of selvor32 lacks the ${_selvor32_arch} files")
    endif()
  endforeach()
  if(NOT TARGET selvor32::${_selvor32_name})
    add_library(selvor32::${_selvor32_name} SHARED IMPORTED)
    set_target_properties(selvor32::${_selvor32_name} PROPERTIES
      IMPORTED_LOCATION "${_selvor32_dll}"
      IMPORTED_IMPLIB "${_selvor32_implib}"
      INTERFACE_INCLUDE_DIRECTORIES "${_selvor32_root}/include")
  endif()
endforeach()

unset(_selvor32_root)
unset(_selvor32_arch)
unset(_selvor32_implib_prefix)
unset(_selvor32_implib_suffix)
unset(_selvor32_name)
unset(_selvor32_dll)
unset(_selvor32_implib)
unset(_selvor32_file)
