# The release: what a client developer takes, for both bitnesses and both
# toolchains. Each build tree installs its own bitness under x86/ or x64/ and
# the files both share; CPack installs the i686 tree and then this one into
# one staging folder and zips it (cmake/release.sh).
include(CMakePackageConfigHelpers)

# The archive's contents: each target of this table, built for each bitness,
# with the description its version resource gives it. Under x86/ or x64/,
# bin/ holds what a client runs and ships, lib/ what it links with: per DLL
# the GNU and Visual C++ import libraries and the .def; per program the EXE.
set(KST_RELEASE_TARGETS
  "selvor32|Reads and replaces the selected text of the window the user works in"
  "marbeck|Stores the update and proxy settings of the current user"
  "kstbridge|Carries selvor32 requests into applications of the other bitness"
  "kstclient|Command-line client of selvor32.dll"
  "marbeckctl|Stores and shows the settings of marbeck.dll")
# Once for both bitnesses: include/ with these headers, cmake/ with the
# package, README.txt on what a client ships, SHA256SUMS of everything.
set(KST_RELEASE_HEADERS selvor32.h marbeck.h)

set(KST_RELEASE_LIBRARIES "")
set(KST_RELEASE_PROGRAMS "")
foreach(entry IN LISTS KST_RELEASE_TARGETS)
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 target)
  list(GET entry 1 description)
  kst_version_info(${target} "${description}")
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    list(APPEND KST_RELEASE_LIBRARIES ${target})
  else()
    list(APPEND KST_RELEASE_PROGRAMS ${target})
  endif()
endforeach()

if(KST_ARCH STREQUAL "x86_64")
  set(KST_RELEASE_ARCH_DIR x64)
else()
  set(KST_RELEASE_ARCH_DIR x86)
endif()
set(KST_RELEASE_NAME ${PROJECT_NAME}-${PROJECT_VERSION})

install(TARGETS ${KST_RELEASE_LIBRARIES} ${KST_RELEASE_PROGRAMS}
  RUNTIME DESTINATION ${KST_RELEASE_ARCH_DIR}/bin
  ARCHIVE DESTINATION ${KST_RELEASE_ARCH_DIR}/lib)
foreach(library IN LISTS KST_RELEASE_LIBRARIES)
  get_target_property(msvc_lib ${library} KST_MSVC_IMPORT_LIBRARY)
  get_target_property(def ${library} KST_DEF_FILE)
  install(FILES ${msvc_lib} DESTINATION ${KST_RELEASE_ARCH_DIR}/lib)
  install(FILES ${def} DESTINATION ${KST_RELEASE_ARCH_DIR}/lib RENAME ${library}.def)
endforeach()

list(TRANSFORM KST_RELEASE_HEADERS PREPEND ${PROJECT_SOURCE_DIR}/include/ OUTPUT_VARIABLE headers)
install(FILES ${headers} DESTINATION include)
# One package for both bitnesses: the configuration picks the consumer's.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/${PROJECT_NAME}-config-version.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/release/${PROJECT_NAME}-config.cmake
  ${CMAKE_BINARY_DIR}/${PROJECT_NAME}-config-version.cmake DESTINATION cmake)
configure_file(${PROJECT_SOURCE_DIR}/cmake/release/README.txt.in ${CMAKE_BINARY_DIR}/README.txt @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)

# The file list the archive must hold, one path a line, for the tests.
function(kst_release_write_file_list out)
  set(arch_dirs ${KST_RELEASE_ARCH_DIR})
  if(KST_I686_BUILD_DIR)
    set(arch_dirs x86 x64)
  endif()
  set(files README.txt SHA256SUMS cmake/${PROJECT_NAME}-config.cmake
    cmake/${PROJECT_NAME}-config-version.cmake)
  foreach(header IN LISTS KST_RELEASE_HEADERS)
    list(APPEND files include/${header})
  endforeach()
  foreach(dir IN LISTS arch_dirs)
    foreach(library IN LISTS KST_RELEASE_LIBRARIES)
      list(APPEND files ${dir}/bin/${library}.dll ${dir}/lib/lib${library}.dll.a
        ${dir}/lib/${library}.lib ${dir}/lib/${library}.def)
    endforeach()
    foreach(program IN LISTS KST_RELEASE_PROGRAMS)
      list(APPEND files ${dir}/bin/${program}.exe)
    endforeach()
  endforeach()
  list(TRANSFORM files PREPEND ${KST_RELEASE_NAME}/)
  list(SORT files)
  list(JOIN files "\n" text)
  file(WRITE ${out} "${text}\n")
endfunction()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${KST_RELEASE_NAME})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/release)
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/release/checksums.cmake)
if(KST_I686_BUILD_DIR)
  set(CPACK_INSTALL_CMAKE_PROJECTS
    "${KST_I686_BUILD_DIR};${PROJECT_NAME};ALL;/"
    "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/")
endif()
include(CPack)
