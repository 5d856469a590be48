# Lays out the bridge between the two build trees (cmake -P):
#   OWN_BIN, OTHER_BIN         the bin folders of this tree and of the other
#   OWN_FOLDER, OTHER_FOLDER   x86 or x64: the folder named after this tree's
#                              bitness, and after the other's
# This tree's selvor32.dll and kstbridge.exe go to OTHER_BIN/OWN_FOLDER when
# the other tree exists; the other tree's pair, when it has been built, comes
# to OWN_BIN/OTHER_FOLDER. Whichever tree is built last, both end up in place.
foreach(file selvor32.dll kstbridge.exe)
  if(OTHER_BIN AND IS_DIRECTORY "${OTHER_BIN}")
    file(COPY "${OWN_BIN}/${file}" DESTINATION "${OTHER_BIN}/${OWN_FOLDER}")
  endif()
  if(OTHER_BIN AND EXISTS "${OTHER_BIN}/${file}")
    file(COPY "${OTHER_BIN}/${file}" DESTINATION "${OWN_BIN}/${OTHER_FOLDER}")
  endif()
endforeach()
